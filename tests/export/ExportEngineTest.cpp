// Export runs against the stand-in host, engine driven directly: the log of
// every branch, the page list, bad values, failures in the middle of a run.
// Cases that need written files run once the host exports bitmaps.
#include "ExportFixture.h"

#include "core/host/HostText.h"

#include <QFile>

namespace mosvik::test {
namespace {

using exporting::TExportEngine;
using exporting::TExportRange;

TEST_F(ExportTest, PageListRunsLogEveryStep) {
    const auto doc = newDocument(3, {});
    const QString p1 = QStringLiteral("页面 %1 无对象，跳过!").arg(pageName(doc, 1));
    const QString p2 = QStringLiteral("页面 %1 无对象，跳过!").arg(pageName(doc, 2));
    struct Case {
        const char* field;
        QStringList middle;
        int refusals;
    };
    const Case cases[] = {
        {"5", {"^页码超过了文档的最大页，请重新设置！", "^无效页面范围，请重新输入"}, 1},
        {" 7x", {"^页码超过了文档的最大页，请重新设置！", "^无效页面范围，请重新输入"}, 1},
        {"99999999999", {"^页码超过了文档的最大页，请重新设置！", "^无效页面范围，请重新输入"}, 1},
        {"3-1", {"^无效页面范围，请重新输入"}, 0},
        {"", {"^无效页面范围，请重新输入"}, 0},
        {"1,5", {"处理页：1", p1, "处理页：5", "^页码超出范围跳过"}, 0},
        {"2,2", {"处理页：2", p2, "处理页：2", p2}, 0},
        {"1-99999999999", {"^页码范围过大，一次最多10000页", "^无效页面范围，请重新输入"}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        auto settings = settingsFor(TExportRange::Page);
        settings.pageField = QString::fromUtf8(c.field);
        TRecordingView view;
        TExportEngine engine(host.com(), settings, view);
        engine.RunExport();
        QStringList expected{"^开始处理", "导出页"};
        expected << c.middle << "^处理完成";
        EXPECT_EQ(view.lines, expected);
        EXPECT_EQ(view.refusals, c.refusals);
        EXPECT_EQ(engine.ind, 0);
    }
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_TRUE(filesWritten().isEmpty());
}

TEST_F(ExportTest, PageNumbersBelowOneEndTheRunThroughTheHostLookup) {
    newDocument(3, {});
    for (const char* field : {"-2", "1,,2", "a-b", "0"}) {
        SCOPED_TRACE(field);
        dialogs.clear();
        auto settings = settingsFor(TExportRange::Page);
        settings.pageField = QString::fromUtf8(field);
        TRecordingView view;
        TExportEngine engine(host.com(), settings, view);
        engine.RunExport();
        EXPECT_TRUE(view.lines.contains("处理页：0"));
        EXPECT_FALSE(view.lines.contains("^处理完成"));
        ASSERT_FALSE(view.lines.isEmpty());
        EXPECT_TRUE(view.lines.last().startsWith("^导出中断：")) << view.lines.last().toStdString();
        ASSERT_EQ(dialogs.messages().size(), size_t(1));
        EXPECT_TRUE(dialogs.messages()[0].text.startsWith("Export_"));
        EXPECT_EQ(dialogs.messages()[0].caption, "DEBUG");
    }
}

TEST_F(ExportTest, DocumentRangesWalkEveryPage) {
    const auto first = newDocument(2, {}, u"图1");
    newDocument(1, {}, u"图2");
    const auto twin = newDocument(1, {}, u"图1");
    const QString skip1 = QStringLiteral("页面 %1 无对象，跳过!").arg(pageName(first, 1));
    const QString skip2 = QStringLiteral("页面 %1 无对象，跳过!").arg(pageName(first, 2));
    const QString page1 = QStringLiteral("  处理页面:%1").arg(pageName(first, 1));
    const QString page2 = QStringLiteral("  处理页面:%1").arg(pageName(first, 2));

    {
        SCOPED_TRACE("no document checked");
        TRecordingView view;
        TExportEngine engine(host.com(), settingsFor(TExportRange::Document), view);
        engine.RunExport();
        EXPECT_EQ(view.lines, QStringList({"^开始处理", "导出文档", "^处理完成"}));
    }
    {
        SCOPED_TRACE("documents of one name are all taken");
        auto settings = settingsFor(TExportRange::Document);
        settings.checkedDocumentNames = QStringList{"图1"};
        TRecordingView view;
        TExportEngine engine(host.com(), settings, view);
        EXPECT_EQ(engine.CheckedDocuments().size(), size_t(2));
        engine.RunExport();
        const QStringList expected{"^开始处理",
                                   "导出文档",
                                   "  导出文档图1",
                                   "^开始处理文档:图1",
                                   page1,
                                   skip1,
                                   page2,
                                   skip2,
                                   "^文档处理结束:图1",
                                   "  导出文档图1",
                                   "^开始处理文档:图1",
                                   page1,
                                   skip1,
                                   "^文档处理结束:图1",
                                   "^处理完成"};
        EXPECT_EQ(view.lines, expected);
        EXPECT_EQ(view.setNameCalls, 2);
        EXPECT_EQ(host.activeDocument(), twin);
    }
    {
        SCOPED_TRACE("current document");
        host.activateDocument(first);
        TRecordingView view;
        TExportEngine engine(host.com(), settingsFor(TExportRange::CurDocument), view);
        engine.RunExport();
        const QStringList expected{
            "^开始处理", "导出当前文档", "^开始处理文档:图1", page1,      skip1,
            page2,       skip2,          "^文档处理结束:图1", "^处理完成"};
        EXPECT_EQ(view.lines, expected);
        EXPECT_EQ(view.setNameCalls, 1);
        EXPECT_EQ(engine.outFileName, "海报");
    }
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(ExportTest, ValuesThatCannotGiveAFileAreRefusedBeforeTheRange) {
    newDocument(1, {1});
    QFile notAFolder(folder.filePath("file.txt"));
    ASSERT_TRUE(notAFolder.open(QIODevice::WriteOnly));
    notAFolder.close();
    struct Case {
        const char* resolution;
        const char* scale;
        QString location;
        QString line;
    };
    const QString ok = folder.path();
    const Case cases[] = {
        {"abc", "1", ok, "^分辨率无效：abc，请输入大于0的整数"},
        {"0", "1", ok, "^分辨率无效：0，请输入大于0的整数"},
        {"-72", "1", ok, "^分辨率无效：-72，请输入大于0的整数"},
        {"72", "-1", ok, "^缩放倍数无效：-1，请输入大于0的数"},
        {"72", "1", ok + "/missing", "^保存位置不存在：" + ok + "/missing"},
        {"72", "1", notAFolder.fileName(), "^保存位置不存在：" + notAFolder.fileName()},
        {"72", "1", "", "^保存位置不存在："},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        auto settings = settingsFor(TExportRange::CurPage);
        settings.resolution = QString::fromUtf8(c.resolution);
        settings.scale = QString::fromUtf8(c.scale);
        settings.location = c.location;
        TRecordingView view;
        TExportEngine engine(host.com(), settings, view);
        engine.RunExport();
        EXPECT_EQ(view.lines, QStringList({"^开始处理", c.line}));
    }
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(filesWritten(), QStringList{"file.txt"});
}

TEST_F(ExportTest, ADocumentClosedDuringARunEndsItCleanly) {
    const auto doc = newDocument(2, {});
    TRecordingView view;
    view.onLine = [&](const QString& line) {
        if (line.startsWith("  处理页面:"))
            host.closeDocument(doc);
    };
    TExportEngine engine(host.com(), settingsFor(TExportRange::CurDocument), view);
    engine.RunExport();
    EXPECT_TRUE(engine.Finished());
    EXPECT_FALSE(view.lines.contains("^处理完成"));
    ASSERT_FALSE(dialogs.messages().empty());
    EXPECT_TRUE(dialogs.messages().back().text.startsWith("Export_"))
        << dialogs.messages().back().text.toStdString();
    for (const auto& box : dialogs.messages()) {
        EXPECT_TRUE(box.text.startsWith("Export_") || box.text.startsWith("ExportPic ++++ "));
    }
    EXPECT_TRUE(filesWritten().isEmpty());
}

// ---- Cases that need the host's bitmap export --------------------------

class ExportFilesTest : public ExportTest {
protected:
    void SetUp() override {
        if (!hostExports())
            GTEST_SKIP() << "the host does not export bitmaps yet";
    }
};

TEST_F(ExportFilesTest, FilesAreNamedAndNumberedInRunOrder) {
    const auto doc = newDocument(3, {1, 3});
    const QString p1 = pageName(doc, 1);
    const QString p3 = pageName(doc, 3);
    struct Case {
        bool pageName;
        bool number;
        int fileType;
        const char* field;
        QStringList files;
    };
    const Case cases[] = {
        {true, true, 2, "1-3", {"海报-" + p1 + "-1.png", "海报-" + p3 + "-2.png"}},
        {false, true, 2, "3,1", {"海报-1.png", "海报-2.png"}},
        {true, false, 0, "1", {"海报-" + p1 + ".jpg"}},
        {true, true, 3, "3,3", {"海报-" + p3 + "-1.bmp", "海报-" + p3 + "-2.bmp"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        for (const QString& f : filesWritten())
            QFile::remove(folder.filePath(f));
        auto settings = settingsFor(TExportRange::Page);
        settings.includePageName = c.pageName;
        settings.addNumber = c.number;
        settings.fileType = c.fileType;
        settings.pageField = QString::fromUtf8(c.field);
        TRecordingView view;
        TExportEngine engine(host.com(), settings, view);
        engine.RunExport();
        QStringList expected = c.files;
        expected.sort();
        EXPECT_EQ(filesWritten(), expected);
        EXPECT_EQ(view.lines.last(), "^处理完成");
    }
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(ExportFilesTest, HalvesTakeFollowingNumbers) {
    const auto doc = newDocument(1, {1});
    auto settings = settingsFor(TExportRange::CurPage);
    settings.pageArea = true;
    settings.pageHalf = true;
    settings.pageHalfIndex = 1;
    TRecordingView view;
    TExportEngine engine(host.com(), settings, view);
    engine.RunExport();
    const QString p = pageName(doc, 1);
    QStringList expected{"海报-" + p + "1前-1.jpg", "海报-" + p + "2后-2.jpg"};
    expected.sort();
    EXPECT_EQ(filesWritten(), expected);
    EXPECT_EQ(engine.ind, 2);
}

TEST_F(ExportFilesTest, ScaleZeroAndHugeImagesWriteNothing) {
    newDocument(2, {1, 2});
    {
        auto settings = settingsFor(TExportRange::CurDocument);
        settings.scale = QStringLiteral("0");
        TRecordingView view;
        TExportEngine engine(host.com(), settings, view);
        engine.RunExport();
        EXPECT_EQ(view.lines.count("缩放数值不能为0,退出"), 2);
        EXPECT_EQ(view.lines.last(), "^处理完成");
    }
    {
        auto settings = settingsFor(TExportRange::CurDocument);
        settings.resolution = QStringLiteral("99999999999");
        TRecordingView view;
        TExportEngine engine(host.com(), settings, view);
        engine.RunExport();
        int refused = 0;
        for (const QString& line : view.lines)
            refused += line.startsWith("^图片尺寸过大");
        EXPECT_EQ(refused, 2);
    }
    EXPECT_TRUE(filesWritten().isEmpty());
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(ExportFilesTest, NamesFromTheDrawingStayInTheFolder) {
    const auto doc = newDocument(1, {1}, u"../../逃逸");
    host.edit(doc, u"rename", [](host::model::Drawing& d) { d.pages[0].name = u"a/../b"; });
    auto settings = settingsFor(TExportRange::Document);
    settings.checkedDocumentNames = QStringList{"../../逃逸"};
    TRecordingView view;
    TExportEngine engine(host.com(), settings, view);
    engine.RunExport();
    EXPECT_EQ(filesWritten(), QStringList{".._.._逃逸-a_.._b-1.jpg"});
}

} // namespace
} // namespace mosvik::test
