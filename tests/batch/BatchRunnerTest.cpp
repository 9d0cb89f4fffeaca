// The batch runner driving the real plug-in library, loaded with dlopen
// from the build folder, through a host session.
#include "BatchFixture.h"

#include "core/host/HostError.h"

#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace mosvik::app {
namespace {

using BatchRunnerTest = BatchFixture;

TEST_F(BatchRunnerTest, PageFitSuperUndoRedoAndTheHostDump) {
    session.host().setVersion(17);
    const auto doc = session.host().newDocument(u"海报");
    session.host().addShape(doc, host::model::shape(com::ShapeRectangle, 10, 10, 40, 20));
    session.host().addShape(doc, host::model::shape(com::ShapeEllipse, 60, 50, 20, 20));

    ASSERT_EQ(run(QStringLiteral("command mosvik1_页面适配\n"
                                 "dump-host %1\n"
                                 "command mosvik1_超级撤销\n"
                                 "dump-host %2\n"
                                 "command mosvik1_超级重做\n"
                                 "dump-host %3\n")
                      .arg(path("fit.json"), path("undo.json"), path("redo.json"))),
              0)
        << errText.toStdString();

    const auto fit = readJson("fit.json");
    EXPECT_EQ(fit["version"].toInt(), 17);
    EXPECT_EQ(fit["commands"].toArray().size(), 11);
    QJsonObject bar;
    for (const auto& b : fit["commandBars"].toArray())
        if (b.toObject()["name"] == "ormel201600401")
            bar = b.toObject();
    EXPECT_EQ(bar["caption"], "Ormel工具");
    EXPECT_TRUE(bar["visible"].toBool());
    const auto items = bar["items"].toArray();
    ASSERT_EQ(items.size(), 10);
    EXPECT_EQ(items[0].toObject()["command"], "mosvik1_导出图片");
    EXPECT_EQ(items[7].toObject()["hostCommand"], "separator");
    EXPECT_EQ(items[9].toObject()["tooltip"], "如果执行了大批量操作，请使用这个");
    const auto fitted = fit["documents"].toArray()[0].toObject();
    EXPECT_EQ(fitted["undo"].toArray()[0], "页面适配");
    EXPECT_DOUBLE_EQ(fitted["pages"].toArray()[0].toObject()["widthMm"].toDouble(), 70);
    EXPECT_DOUBLE_EQ(fitted["pages"].toArray()[0].toObject()["heightMm"].toDouble(), 60);

    const auto undone = readJson("undo.json")["documents"].toArray()[0].toObject();
    EXPECT_DOUBLE_EQ(undone["pages"].toArray()[0].toObject()["widthMm"].toDouble(), 210);
    EXPECT_EQ(undone["redo"].toArray()[0], "页面适配");
    const auto redone = readJson("redo.json")["documents"].toArray()[0].toObject();
    EXPECT_EQ(redone["undo"].toArray()[0], "页面适配");
    EXPECT_TRUE(outText.isEmpty()) << outText.toStdString();
}

TEST_F(BatchRunnerTest, OpensFitsUndoesRedoesAndSavesADrawing) {
    const QString example = QStringLiteral(MOSVIK_EXAMPLES_DIR "/business-card.mvd");
    ASSERT_EQ(run(QStringLiteral("open %1\n"
                                 "command mosvik1_页面适配\n"
                                 "command mosvik1_超级撤销\n"
                                 "command mosvik1_超级重做\n"
                                 "save %2\n"
                                 "save %3\n"
                                 "dump-host %4\n")
                      .arg(example, path("card.mvd"), path("card.svg"), path("host.json"))),
              0)
        << errText.toStdString();

    const auto doc = readJson("host.json")["documents"].toArray()[0].toObject();
    EXPECT_EQ(doc["name"], "card.mvd");
    EXPECT_EQ(doc["undo"].toArray()[0], "页面适配");
    EXPECT_TRUE(doc["redo"].toArray().isEmpty());

    // The saved drawing is the fitted one: the page is the content's box,
    // and the content sits on it.
    host::Application reader;
    const auto saved = reader.drawing(reader.openFile(path("card.mvd").toStdU16String()));
    const auto& page = saved.pages[0];
    std::optional<host::model::Box> box;
    for (const auto& layer : page.layers)
        for (const auto& shape : layer.shapes)
            box = host::model::unite(box, host::model::bounds(shape));
    ASSERT_TRUE(box);
    EXPECT_NEAR(page.width, box->width, 1e-9);
    EXPECT_NEAR(page.height, box->height, 1e-9);
    EXPECT_NEAR(box->x, page.x, 1e-9);
    EXPECT_NEAR(box->y, page.y, 1e-9);
    EXPECT_TRUE(QFile(path("card.svg")).size() > 0);
}

TEST_F(BatchRunnerTest, DrivesAPlugInWindowByItsNames) {
    session.host().newDocument(u"图");
    ASSERT_EQ(run(QStringLiteral("command mosvik1_全部\n"
                                 "window TfMain\n"
                                 "dump-window %1\n"
                                 "click btn3\n"
                                 "window TfAlign\n"
                                 "dump-window %2\n"
                                 "close\n")
                      .arg(path("main.json"), path("align.json"))),
              0)
        << errText.toStdString();
    const auto main = readJson("main.json");
    EXPECT_EQ(main["caption"], "主窗口");
    QStringList names;
    for (const auto& c : main["controls"].toArray())
        names << c.toObject()["name"].toString();
    EXPECT_TRUE(names.contains("btn_ToJPG"));
    EXPECT_TRUE(names.contains("btn6"));
    EXPECT_EQ(readJson("align.json")["caption"], "增强对齐");
}

TEST_F(BatchRunnerTest, AFailingLineStopsTheScriptWithItsNumber) {
    struct Case {
        const char* script;
        const char* message;
    } cases[] = {
        {"new\nwindow TfNothing\n", "line 2: no open window of class TfNothing"},
        {"new\nclick btn1\n", "line 2: no target window"},
        {"new\ncommand mosvik1_不存在\n", "line 2: no plug-in command"},
        {"new\nselect 不存在\n", "line 2: no shape named \"不存在\" on the active page"},
        {"host-version 13\n", "line 1: host-version takes 14 to 18"},
        {"new\n\npage 9\n", "line 3: the document has no page 9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        errText.clear();
        EXPECT_EQ(run(QString::fromUtf8(c.script)), 1);
        EXPECT_TRUE(errText.contains(QString::fromUtf8(c.message))) << errText.toStdString();
    }
}

TEST_F(BatchRunnerTest, DisabledCommandIsRefusedLikeAGreyedButton) {
    // No document: the plug-in disables its commands.
    EXPECT_EQ(run("command mosvik1_页面适配\n"), 1);
    EXPECT_TRUE(errText.contains("is disabled"));
}

} // namespace
} // namespace mosvik::app
