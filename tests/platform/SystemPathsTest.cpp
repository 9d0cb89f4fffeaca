#include "platform/ModulePath.h"
#include "platform/ShellFolders.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace mosvik::platform;

namespace {

// Points the user's home and configuration folders at a fresh directory, so
// the folders named by CSIDL numbers can be told apart and predicted.
class SpecialFoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        saved = {qgetenv("HOME"), qgetenv("XDG_CONFIG_HOME"), qgetenv("XDG_DATA_HOME")};
        qputenv("HOME", home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (home.path() + "/cfg").toLocal8Bit());
        qputenv("XDG_DATA_HOME", (home.path() + "/data").toLocal8Bit());
    }
    void TearDown() override {
        qputenv("HOME", saved[0]);
        qputenv("XDG_CONFIG_HOME", saved[1]);
        qputenv("XDG_DATA_HOME", saved[2]);
    }

    QTemporaryDir home;
    std::vector<QByteArray> saved;
};

TEST_F(SpecialFoldersTest, KnownNumbersNameTheUsersFoldersAndUnknownOnesGiveEmptyText) {
    struct Case {
        int csidl;
        QString expected; // relative to the home folder; null: empty result
    };
    const Case cases[] = {
        {0, "/Desktop"}, {16, "/Desktop"}, {26, "/cfg"},   {28, "/data"},     {39, "/Pictures"},
        {40, ""},        {-1, QString()},  {1, QString()}, {9999, QString()},
    };
    for (const Case& c : cases) {
        const QString path = specialFolderPath(c.csidl);
        if (c.expected.isNull())
            EXPECT_TRUE(path.isEmpty()) << c.csidl;
        else
            EXPECT_EQ(path, home.path() + c.expected) << c.csidl;
    }
}

TEST(SystemPathsTest, TempFolderHasNoTrailingSeparator) {
    const QString temp = tempFolder();
    EXPECT_FALSE(temp.isEmpty());
    EXPECT_FALSE(temp.endsWith('/'));
    EXPECT_TRUE(QFileInfo(temp).isDir());
}

TEST(SystemPathsTest, ModulePathIsTheLoadedFileUnlessOverridden) {
    // Linked statically into this test program, the code lives in the program.
    EXPECT_EQ(QFileInfo(modulePath()).canonicalFilePath(),
              QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath());
    {
        ModulePathOverride pointElsewhere("/opt/plugins/other.cpg");
        EXPECT_EQ(modulePath(), "/opt/plugins/other.cpg");
    }
    EXPECT_TRUE(QFileInfo(modulePath()).isAbsolute());
    EXPECT_NE(modulePath(), "/opt/plugins/other.cpg");
}

} // namespace
