// Loading a plug-in library as the host does, and what the host is left
// with when a library is missing, is not a plug-in, or fails a step.
#include "app/PluginLoader.h"
#include "host/Application.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace mosvik::app {
namespace {

TEST(PluginLoader, LoadsStartsAndUnloadsTheRealLibrary) {
    host::Application host;
    const auto baseline = host.refCount();
    PluginLoader loader;
    ASSERT_TRUE(loader.load(defaultPluginPath(), host.com())) << loader.error().toStdString();
    EXPECT_EQ(host.sinkCount(), 1);
    host.raiseStart();
    EXPECT_EQ(host.pluginCommands().size(), 11u);
    loader.unload();
    EXPECT_FALSE(loader.loaded());
    EXPECT_EQ(host.sinkCount(), 0);
    EXPECT_TRUE(host.pluginCommands().empty());
    EXPECT_EQ(host.refCount(), baseline);
    EXPECT_EQ(loader.log().first(), "dlopen " + defaultPluginPath());
    EXPECT_EQ(loader.log().last(), "dlclose");
}

TEST(PluginLoader, ABadLibraryGivesAClearMessageAndLeavesTheHostAlone) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile garbage(dir.filePath("garbage.cpg"));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("not a library");
    garbage.close();
    // A real shared library that is not a plug-in: no AttachPlugin.
    const QString notAPlugin = QStringLiteral("libz.so.1");

    struct Case {
        QString path;
        QString message;
    } cases[] = {
        {dir.filePath("missing.cpg"), "无法加载插件"},
        {garbage.fileName(), "无法加载插件"},
        {notAPlugin, "没有导出 AttachPlugin"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        host::Application host;
        const auto baseline = host.refCount();
        PluginLoader loader;
        EXPECT_FALSE(loader.load(c.path, host.com()));
        EXPECT_FALSE(loader.loaded());
        EXPECT_TRUE(loader.error().contains(c.message)) << loader.error().toStdString();
        EXPECT_EQ(host.sinkCount(), 0);
        EXPECT_EQ(host.refCount(), baseline);
        host.newDocument(); // the host goes on
        EXPECT_EQ(host.documents().size(), 1u);
    }
}

} // namespace
} // namespace mosvik::app
