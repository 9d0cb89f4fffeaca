#include "framework/IniFile.h"
#include "framework/Utils.h"
#include "platform/ModulePath.h"

#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace mosvik;

namespace {

// A plug-in library "mosvik1.cpg" in a fresh folder, its settings file beside.
class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString iniPath() const { return dir.path() + "/mosvik1.ini"; }
    void writeFile(const QByteArray& bytes) {
        QFile file(iniPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray fileBytes() const {
        QFile file(iniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    platform::ModulePathOverride module{dir.path() + "/mosvik1.cpg"};
};

TEST_F(SettingsFileTest, IntegerReadsFallBackToTheDefaultUnlessTheValueIsADecimal) {
    struct Case {
        const char* file; // null: no file at all
        int32_t expected;
    };
    const Case cases[] = {
        {nullptr, -5},
        {"[其他]\n版本号=1\n", -5},
        {"[插件配置]\n别的=1\n", -5},
        {"[插件配置]\n版本号=2016060402\n", 2016060402},
        {"[插件配置]\n版本号 = -12 \n", -12},
        {"[插件配置]\n版本号=abc\n", -5},
        {"[插件配置]\n版本号=12abc\n", -5},
        {"[插件配置]\n版本号=0x10\n", -5},
        {"[插件配置]\n版本号=\n", -5},
        {"[插件配置]\n版本号=99999999999\n", -5},
    };
    for (const Case& c : cases) {
        QFile::remove(iniPath());
        if (c.file)
            writeFile(c.file);
        EXPECT_EQ(TIniFile(iniPath()).ReadInteger("插件配置", "版本号", -5), c.expected)
            << (c.file ? c.file : "(no file)");
    }
}

TEST_F(SettingsFileTest, BooleanReadsTakeZeroAsFalseAnyOtherNumberAsTrue) {
    struct Case {
        const char* value;
        bool def;
        bool expected;
    };
    const Case cases[] = {
        {"0", true, false}, {"1", false, true},  {"7", false, true},    {"-1", false, true},
        {"", true, true},   {"abc", true, true}, {"abc", false, false}, {"true", false, false},
    };
    for (const Case& c : cases) {
        writeFile(QByteArray("[导出图片]\n光滑处理=") + c.value + "\n");
        EXPECT_EQ(TIniFile(iniPath()).ReadBool("导出图片", "光滑处理", c.def), c.expected)
            << '"' << c.value << "\" default " << c.def;
    }
    QFile::remove(iniPath());
    EXPECT_TRUE(TIniFile(iniPath()).ReadBool("导出图片", "光滑处理", true));
}

TEST_F(SettingsFileTest, WritingCreatesFileAndSectionWithChineseNamesWrittenLiterally) {
    TIniFile ini(iniPath());
    ini.WriteInteger("插件配置", "版本号", 2016060402);
    ini.WriteBool("导出图片", "光滑处理", true);
    ini.WriteBool("导出图片", "保持图层", false);
    ini.WriteString("导出图片", "保存位置", "/home/用户/图片");

    const QString text = QString::fromUtf8(fileBytes());
    EXPECT_TRUE(text.contains("[插件配置]\n版本号=2016060402\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("光滑处理=1\n"));
    EXPECT_TRUE(text.contains("保持图层=0\n"));
    EXPECT_EQ(ini.ReadString("导出图片", "保存位置", ""), "/home/用户/图片");
    EXPECT_EQ(ini.ReadString("导出图片", "无此键", "默认"), "默认");
}

TEST_F(SettingsFileTest, TwoObjectsOnOneFileSeeEachOthersWritesAtOnce) {
    TIniFile first(iniPath());
    TIniFile second(iniPath());
    EXPECT_EQ(second.ReadInteger("导出图片", "颜色模式", 0), 0);

    first.WriteInteger("导出图片", "颜色模式", 3);
    EXPECT_EQ(second.ReadInteger("导出图片", "颜色模式", 0), 3);

    second.WriteInteger("导出图片", "颜色模式", 4);
    second.WriteString("一键PS", "PS路径", "gimp");
    EXPECT_EQ(first.ReadInteger("导出图片", "颜色模式", 0), 4);
    EXPECT_EQ(first.ReadString("一键PS", "PS路径", "Photoshop.exe"), "gimp");
}

TEST_F(SettingsFileTest, WritingKeepsEveryOtherLineOfTheFile) {
    writeFile("; kept comment\n[插件配置]\n版本号=1\n\n[导出图片]\n分辨率=300\n文件格式=2\n");
    TIniFile(iniPath()).WriteString("导出图片", "分辨率", "150");

    const TIniFile ini(iniPath());
    EXPECT_EQ(ini.ReadInteger("插件配置", "版本号", 0), 1);
    EXPECT_EQ(ini.ReadString("导出图片", "分辨率", ""), "150");
    EXPECT_EQ(ini.ReadInteger("导出图片", "文件格式", 0), 2);
    EXPECT_TRUE(fileBytes().startsWith("; kept comment\n"));
}

TEST_F(SettingsFileTest, GarbledFileReadsAsDefaultsAndIsRewrittenCleanly) {
    static const char garbled[] = "[插件配置]\n版本号=5\n\xff\xfe\x00\x80[x]\n";
    writeFile(QByteArray(garbled, sizeof garbled - 1));
    TIniFile ini(iniPath());
    EXPECT_EQ(ini.ReadInteger("插件配置", "版本号", 0), 0);

    ini.WriteInteger("插件配置", "版本号", 2016060402);
    ini.WriteString("导出图片", "保存位置", "/tmp");

    EXPECT_EQ(ini.ReadInteger("插件配置", "版本号", 0), 2016060402);
    EXPECT_EQ(ini.ReadString("导出图片", "保存位置", ""), "/tmp");
    const QByteArray bytes = fileBytes();
    QStringDecoder utf8(QStringDecoder::Utf8);
    (void)utf8.decode(bytes);
    EXPECT_FALSE(utf8.hasError());
    EXPECT_FALSE(bytes.contains('\0'));
    EXPECT_FALSE(bytes.contains("[x]"));
}

TEST_F(SettingsFileTest, WriteThatCannotReachTheFileThrows) {
    TIniFile ini(dir.path() + "/no such folder/mosvik1.ini");
    EXPECT_THROW(ini.WriteInteger("插件配置", "版本号", 1), EIniFileException);
    EXPECT_EQ(ini.ReadInteger("插件配置", "版本号", 9), 9);
}

TEST_F(SettingsFileTest, SettingsFileIsNamedAfterTheLibraryBesideIt) {
    EXPECT_EQ(OpenSettingsFile()->FileName(), iniPath());
    {
        platform::ModulePathOverride other(dir.path() + "/ormel.tools.so");
        EXPECT_EQ(OpenSettingsFile()->FileName(), dir.path() + "/ormel.tools.ini");
    }
    EXPECT_EQ(settingsFilePathFor("/opt/a.b/plugin"), "/opt/a.b/plugin.ini");

    OpenSettingsFile()->WriteInteger("插件配置", "版本号", 7);
    EXPECT_EQ(TIniFile(iniPath()).ReadInteger("插件配置", "版本号", 0), 7);
}

} // namespace
