// The toolbar's one-time installation at the host's start event, against
// the stand-in host's real workspace import.
#include "core/OrmelPlugin.h"
#include "core/ToolbarInstaller.h"
#include "framework/IniFile.h"
#include "host/Application.h"
#include "platform/DebugOutput.h"
#include "platform/ModulePath.h"
#include "platform/ScriptedDialogs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

namespace mosvik {
namespace {

using namespace com;

const std::u16string BarName = u"ormel201600401";

// Points the system's temporary folder elsewhere while it lives.
class TempFolderOverride {
public:
    explicit TempFolderOverride(const QString& path) : previous_(qgetenv("TMPDIR")) {
        qputenv("TMPDIR", QFile::encodeName(path));
    }
    ~TempFolderOverride() { qputenv("TMPDIR", previous_); }

private:
    QByteArray previous_;
};

class ToolbarTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(moduleDir.isValid());
        ASSERT_TRUE(tempDir.isValid());
    }
    void TearDown() override { plugin.Unload(); }
    void start(int version) {
        host.setVersion(version);
        ASSERT_EQ(plugin.Load(host.com()), S_OK);
        ASSERT_EQ(plugin.StartSession(), S_OK);
    }
    TIniFile settings() const { return TIniFile(moduleDir.filePath("mosvik1.ini")); }
    int32_t storedVersion() const { return settings().ReadInteger("插件配置", "版本号", 0); }
    const host::CommandBarInfo* bar() {
        bars = host.commandBars();
        for (const auto& b : bars)
            if (b.name == BarName)
                return &b;
        return nullptr;
    }
    QStringList tempFiles() const { return QDir(tempDir.path()).entryList(QDir::Files); }

    QTemporaryDir moduleDir;
    QTemporaryDir tempDir;
    platform::ModulePathOverride module{moduleDir.filePath("mosvik1.cpg")};
    TempFolderOverride temp{tempDir.path()};
    platform::ScriptedDialogs dialogs;
    platform::DialogsOverride useDialogs{dialogs};
    platform::DebugCapture debug;
    OrmelPlugin plugin;
    host::Application host;
    std::vector<host::CommandBarInfo> bars;
};

TEST_F(ToolbarTest, FirstStartOnEachVersionImportsItsWorkspace) {
    struct Case {
        int version;
        QStringList left; // files left in the temporary folder
    } cases[] = {{14, {}}, {15, {}}, {16, {}}, {17, {"TTx7.cdws"}}, {18, {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        OrmelPlugin p;
        host::Application fresh;
        fresh.setVersion(c.version);
        QFile::remove(moduleDir.filePath("mosvik1.ini"));
        for (const auto& f : tempFiles())
            QFile::remove(tempDir.filePath(f));
        ASSERT_EQ(p.Load(fresh.com()), S_OK);
        ASSERT_EQ(p.StartSession(), S_OK);
        fresh.raiseStart();

        EXPECT_EQ(storedVersion(), ToolbarVersion);
        EXPECT_EQ(fresh.pluginCommands().size(), 11u);
        const auto all = fresh.commandBars();
        const auto it =
            std::find_if(all.begin(), all.end(), [](const auto& b) { return b.name == BarName; });
        ASSERT_NE(it, all.end());
        EXPECT_EQ(it->caption, u"Ormel工具");
        EXPECT_TRUE(it->visible);
        const std::u16string order[] = {
            u"mosvik1_导出图片", u"mosvik1_转换",     u"mosvik1_一键PS",   u"mosvik1_裁切标记",
            u"mosvik1_二维码",   u"mosvik1_同类选择", u"mosvik1_字体识别", u"",
            u"mosvik1_超级撤销", u"mosvik1_超级重做"};
        ASSERT_EQ(it->items.size(), std::size(order));
        for (size_t i = 0; i < std::size(order); ++i)
            EXPECT_EQ(it->items[i].commandId, order[i]) << i;
        // The host's own item sits between font recognition and super undo.
        EXPECT_EQ(it->items[7].guid, u"266435b4-6e53-460f-9fa7-f45be187d400");
        EXPECT_EQ(it->items[8].caption, u"超级撤销");
        // Installed now, so not kept: only an existing bar is stored.
        EXPECT_EQ(p.commandBar(), nullptr);
        EXPECT_EQ(tempFiles(), c.left);
        EXPECT_EQ(p.StopSession(), S_OK);
    }
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(ToolbarTest, SecondStartOfTheSameReleaseImportsNothing) {
    start(18);
    host.raiseStart();
    ASSERT_NE(bar(), nullptr);
    const int imports = host.faults().calls("IVGApplication.ImportWorkspace");

    host.raiseStart();
    EXPECT_EQ(host.faults().calls("IVGApplication.ImportWorkspace"), imports);
    EXPECT_NE(plugin.commandBar(), nullptr);
    EXPECT_EQ(host.pluginCommands().size(), 11u);
    EXPECT_TRUE(tempFiles().isEmpty());
}

TEST_F(ToolbarTest, StoredOlderOrGarbledVersionReplacesTheBar) {
    for (const char* stored : {"2015010101", "abc"}) {
        SCOPED_TRACE(stored);
        OrmelPlugin p;
        host::Application fresh;
        fresh.addCommandBar(BarName, u"旧工具栏");
        auto ini = settings();
        ini.WriteString("插件配置", "版本号", stored);
        ASSERT_EQ(p.Load(fresh.com()), S_OK);
        ASSERT_EQ(p.StartSession(), S_OK);
        fresh.raiseStart();

        EXPECT_EQ(storedVersion(), ToolbarVersion);
        const auto all = fresh.commandBars();
        ASSERT_EQ(
            std::count_if(all.begin(), all.end(), [](const auto& b) { return b.name == BarName; }),
            1);
        for (const auto& b : all) {
            if (b.name == BarName) {
                EXPECT_EQ(b.caption, u"Ormel工具");
            }
        }
        EXPECT_EQ(p.StopSession(), S_OK);
    }
}

TEST_F(ToolbarTest, FailedDeletionStillWritesTheVersionAndEndsQuietly) {
    host.addCommandBar(BarName, u"旧工具栏");
    host.faults().failOn("ICUICommandBar.Delete");
    start(18);
    EXPECT_EQ(plugin.InstallToolbar(), E_UNEXPECTED);
    EXPECT_EQ(storedVersion(), ToolbarVersion);
    EXPECT_EQ(host.faults().calls("IVGApplication.ImportWorkspace"), 0);
    ASSERT_NE(bar(), nullptr);
    EXPECT_EQ(bar()->caption, u"旧工具栏");
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(ToolbarTest, UnwritableTemporaryFolderFailsCleanly) {
    TempFolderOverride missing{tempDir.filePath("no/such/folder")};
    start(16);
    EXPECT_EQ(plugin.InstallToolbar(), E_UNEXPECTED);
    EXPECT_EQ(bar(), nullptr);
    EXPECT_EQ(host.faults().calls("IVGApplication.ImportWorkspace"), 0);
    EXPECT_TRUE(dialogs.shown().empty());
    // Commands were registered before the failure.
    EXPECT_EQ(host.pluginCommands().size(), 11u);
}

TEST_F(ToolbarTest, FailedImportEndsWithFailureAndNoBar) {
    host.faults().failOn("IVGApplication.ImportWorkspace");
    start(17);
    EXPECT_EQ(plugin.InstallToolbar(), E_UNEXPECTED);
    EXPECT_EQ(bar(), nullptr);
    EXPECT_EQ(storedVersion(), ToolbarVersion);
}

TEST_F(ToolbarTest, ReferencesBalanceAfterInstallationAndSession) {
    const auto baseline = host.refCount();
    start(18);
    host.raiseStart();
    host.raiseStart(); // keeps the existing bar
    ASSERT_NE(plugin.commandBar(), nullptr);
    EXPECT_EQ(plugin.StopSession(), S_OK);
    EXPECT_EQ(host.refCount(), baseline);
    EXPECT_EQ(host.outstandingReferences(), 1);
}

} // namespace
} // namespace mosvik
