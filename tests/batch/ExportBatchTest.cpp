// Image export from end to end: a batch script opens the example drawings,
// drives the export window by its control names, and the files the host
// writes are read back from their bytes.
#include "BatchFixture.h"
#include "tests/host/ImageFacts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>

namespace mosvik::app {
namespace {

using host::test::decodeImage;
using host::test::ImageFacts;
using host::test::readImageFacts;

const QString PosterPath = QStringLiteral(MOSVIK_EXAMPLES_DIR "/poster.mvd");
const QString CardPath = QStringLiteral(MOSVIK_EXAMPLES_DIR "/business-card.mvd");

// Low enough that the whole table renders in a moment.
constexpr int Dpi = 30;

// Pixels the host makes of a side in millimetres when no size is set.
int hostPixels(double mm) {
    return std::max(1, int(std::lround(mm / 25.4 * Dpi)));
}
QSize hostPixels(double widthMm, double heightMm) {
    return {hostPixels(widthMm), hostPixels(heightMm)};
}
// The engine's own size for a scale other than 1: extent in the document's
// pixel unit (1/300 inch) × scale × (dpi / 300), truncated.
QSize scaledPixels(double widthMm, double heightMm, double scale) {
    auto side = [&](double mm) {
        return int(std::trunc(mm / 25.4 * 300 * scale * (Dpi / 300.0)));
    };
    return {side(widthMm), side(heightMm)};
}

// Size in millimetres of everything on a page of an example drawing, the
// region the host exports when no area is given. Taken from the drawing
// itself, not from the host's object model the engine asks.
QSizeF contentMm(const QString& file, int pageIndex) {
    host::Application reader;
    const auto drawing = reader.drawing(reader.openFile(file.toStdU16String()));
    std::optional<host::model::Box> box;
    for (const auto& layer : drawing.pages.at(size_t(pageIndex)).layers)
        for (const auto& shape : layer.shapes)
            box = host::model::unite(box, host::model::bounds(shape));
    return box ? QSizeF(box->width, box->height) : QSizeF();
}
QSize contentPixels(const QString& file, int pageIndex) {
    const QSizeF mm = contentMm(file, pageIndex);
    return hostPixels(mm.width(), mm.height());
}

QJsonObject controlOf(const QJsonObject& window, const QString& name) {
    for (const auto& c : window["controls"].toArray())
        if (c.toObject()["name"] == name)
            return c.toObject();
    ADD_FAILURE() << "no control " << name.toStdString();
    return {};
}

// The log lines of the window's last run, with their "^" marks.
QStringList lastRunLog(const QJsonObject& window) {
    QStringList lines;
    for (const auto& item : controlOf(window, "lst1")["items"].toArray())
        lines << item.toString();
    const int start = lines.lastIndexOf(QStringLiteral("^开始处理"));
    return start < 0 ? lines : lines.mid(start);
}

// Lists compared as one text, which gtest prints readably.
std::string text(const QStringList& lines) {
    return lines.join('\n').toStdString();
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// The colour at a point given in millimetres from the left and the bottom
// of an image that shows `areaMm`.
QColor colourAt(const QImage& image, QSizeF areaMm, double xMm, double yMm) {
    const int col = int(xMm / areaMm.width() * image.width());
    const int row = int((areaMm.height() - yMm) / areaMm.height() * image.height());
    return image.pixelColor(col, row);
}

bool near(const QColor& c, int r, int g, int b, int tolerance) {
    return std::abs(c.red() - r) <= tolerance && std::abs(c.green() - g) <= tolerance &&
           std::abs(c.blue() - b) <= tolerance;
}

// The share of an image's pixels that pass `test`.
double share(const QImage& image, const std::function<bool(const QColor&)>& test) {
    int hits = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            hits += test(image.pixelColor(x, y)) ? 1 : 0;
    return double(hits) / (double(image.width()) * image.height());
}

bool bannerBlue(const QColor& c) {
    // The poster's banner, CMYK 90/40/0/0 drawn as RGB 25/153/255.
    return c.blue() > 200 && c.red() < 90 && c.green() > 110 && c.green() < 200;
}
bool white(const QColor& c) {
    return c.red() > 235 && c.green() > 235 && c.blue() > 235;
}

enum class Area { None, Page, VerticalHalves, HorizontalHalves };

struct ExpectedFile {
    QString name;
    const char* format;
    const char* colour;
    QSize size;
};

struct Row {
    const char* what;
    QString before;     // script lines run before the window's settings
    const char* range;  // the range button
    QString rangeSetup; // lines after the range is chosen
    int fileType;       // 0 JPG, 1 GIF, 2 PNG, 3 BMP, 4 PSD
    int colourMode;     // 1 gray, 4 RGB, 5 CMYK
    bool pageName;
    bool number; // asked for; without the page name the window turns it on
    Area area;
    const char* scale;
    QStringList log;
    std::vector<ExpectedFile> files;
    // Checks of what the pixels show, by file index.
    std::function<void(const QStringList& paths)> pixels;
};

// One run of the export window as a person would set it up, in an order
// that never touches a control its rules have disabled.
QString rowScript(const Row& row, const QString& folder, const QString& dump) {
    QStringList s;
    if (!row.before.isEmpty())
        s << row.before;
    s << "set rb_CurDocument 1"
      << "set edt_fileName 海报"
      << "set chk_InculdePagename 1"
      << QStringLiteral("set chk_FilenameAddNum %1").arg(int(row.number))
      << QStringLiteral("set chk_InculdePagename %1").arg(int(row.pageName))
      << "set chk_PageArea 1";
    const bool halves = row.area == Area::VerticalHalves || row.area == Area::HorizontalHalves;
    s << QStringLiteral("set chk_PageHalf %1").arg(int(halves));
    if (halves)
        s << QStringLiteral("set cbb_PageHalf #%1").arg(int(row.area == Area::HorizontalHalves));
    s << QStringLiteral("set chk_PageArea %1").arg(int(row.area != Area::None))
      << QStringLiteral("set cbb_Filetype #%1").arg(row.fileType);
    // The switches the file type leaves enabled may hold saved values.
    if (row.fileType == 1 || row.fileType == 2 || row.fileType == 4)
        s << "set chk_Transparent 0";
    if (row.fileType == 4)
        s << "set chk_MaintainLayers 0";
    s << QStringLiteral("set cbb_ColorMode #%1").arg(row.colourMode) << "set cbb_CompressType #0"
      << QStringLiteral("set cbb_Resolution %1").arg(Dpi)
      << QStringLiteral("set cbb_Scale %1").arg(row.scale) << "set chk_Smooth 0"
      << QStringLiteral("set edt_Location \"%1\"").arg(folder)
      << QStringLiteral("set %1 1").arg(row.range);
    if (!row.rangeSetup.isEmpty())
        s << row.rangeSetup;
    s << "click btn_Export"
      << "wait" << QStringLiteral("dump-window \"%1\"").arg(dump);
    return s.join('\n') + '\n';
}

class ExportBatchTest : public BatchFixture {
protected:
    QString folder(const QString& name) const {
        QDir(dir.path()).mkpath(name);
        return dir.filePath(name);
    }
};

TEST_F(ExportBatchTest, EveryRangeFileTypeAndNamingWritesTheNamedImages) {
    const QSizeF titleMm(127, 36.7792);
    const QSize title = hostPixels(titleMm.width(), titleMm.height());
    const QSize poster1 = contentPixels(PosterPath, 0);
    const QSize poster2 = contentPixels(PosterPath, 1);
    const QSize poster3 = contentPixels(PosterPath, 2);
    const QSize card = contentPixels(CardPath, 0);

    std::vector<Row> rows = {
        {"the current document, gray JPG, page name and number",
         "",
         "rb_CurDocument",
         "",
         0,
         1,
         true,
         true,
         Area::None,
         "1",
         // The base name is the field's text when the run starts, though
         // each document's name is shown in the field while it goes.
         {"^开始处理", "导出当前文档", "^开始处理文档:poster.mvd", "  处理页面:封面",
          "  处理页面:节目单", "  处理页面:赞助", "^文档处理结束:poster.mvd", "^处理完成"},
         {{"海报-封面-1.jpg", "JPG", "gray", poster1},
          {"海报-节目单-2.jpg", "JPG", "gray", poster2},
          {"海报-赞助-3.jpg", "JPG", "gray", poster3}},
         {}},
        {"two checked documents, RGB PNG, page name only",
         "",
         "rb_Document",
         "set chklst_Documents #0\nset chklst_Documents #1",
         2,
         4,
         true,
         false,
         Area::None,
         "1",
         {"^开始处理", "导出文档", "  导出文档business-card.mvd", "^开始处理文档:business-card.mvd",
          "  处理页面:名片", "^文档处理结束:business-card.mvd", "  导出文档poster.mvd",
          "^开始处理文档:poster.mvd", "  处理页面:封面", "  处理页面:节目单", "  处理页面:赞助",
          "^文档处理结束:poster.mvd", "^处理完成"},
         // Each file takes its document's name as the host reports it.
         {{"business-card.mvd-名片.png", "PNG", "rgb", card},
          {"poster.mvd-封面.png", "PNG", "rgb", poster1},
          {"poster.mvd-节目单.png", "PNG", "rgb", poster2},
          {"poster.mvd-赞助.png", "PNG", "rgb", poster3}},
         {}},
        {"the current page, GIF, neither part asked for: numbered anyway",
         "page 2",
         "rb_CurPage",
         "",
         1,
         4,
         false,
         false,
         Area::None,
         "1",
         {"^开始处理", "导出当前页面", "^处理完成"},
         {{"海报-1.gif", "GIF", "palette", poster2}},
         {}},
        {"a page list past the last page, BMP",
         "",
         "rb_Page",
         "set edt_PagezNum 1,3-4",
         3,
         4,
         true,
         true,
         Area::None,
         "1",
         {"^开始处理", "导出页", "处理页：1", "处理页：3", "处理页：4", "^页码超出范围跳过",
          "^处理完成"},
         {{"海报-封面-1.bmp", "BMP", "rgb", poster1}, {"海报-赞助-2.bmp", "BMP", "rgb", poster3}},
         {}},
        {"the selected title alone, CMYK PSD",
         "page 1\nselect 标题",
         "rb_Selection",
         "",
         4,
         5,
         true,
         false,
         Area::None,
         "1",
         {"^开始处理", "导出选中对象", "^处理完成"},
         {{"海报-封面.psd", "PSD", "cmyk", title}},
         [](const QStringList& paths) {
             // White letters with nothing behind them.
             EXPECT_GT(share(decodeImage(paths[0]), white), 0.5);
         }},
        {"the selected title's area, CMYK JPG, number only",
         "",
         "rb_SelectionArea",
         "",
         0,
         5,
         false,
         true,
         Area::None,
         "1",
         {"^开始处理", "导出选中范围", "^处理完成"},
         {{"海报-1.jpg", "JPG", "cmyk", title}},
         [](const QStringList& paths) {
             // The banner behind the letters is in the area, though not selected.
             EXPECT_GT(share(decodeImage(paths[0]), bannerBlue), 0.5);
         }},
        {"the page area at a scale of 0.7, gray PNG",
         "select none\npage 2",
         "rb_CurPage",
         "",
         2,
         1,
         true,
         true,
         Area::Page,
         "0.7",
         {"^开始处理", "导出当前页面", "^处理完成"},
         {{"海报-节目单-1.png", "PNG", "gray", scaledPixels(297, 420, 0.7)}},
         {}},
        {"the page cut in left and right halves, PNG",
         "page 3",
         "rb_CurPage",
         "",
         2,
         4,
         true,
         true,
         Area::VerticalHalves,
         "1",
         {"^开始处理", "导出当前页面", "^处理完成"},
         {{"海报-赞助1前-1.png", "PNG", "rgb", hostPixels(148.5, 420)},
          {"海报-赞助2后-2.png", "PNG", "rgb", hostPixels(148.5, 420)}},
         [](const QStringList& paths) {
             // The first logo (x 40 to 80) lies in the left half, the last
             // (x 220 to 260) in the right one.
             const QSizeF half(148.5, 420);
             EXPECT_TRUE(near(colourAt(decodeImage(paths[0]), half, 60, 220), 0, 100, 200, 4));
             EXPECT_TRUE(
                 near(colourAt(decodeImage(paths[1]), half, 240 - 148.5, 220), 120, 100, 80, 4));
         }},
        {"the page cut in upper and lower halves, BMP, page name only",
         "page 1",
         "rb_CurPage",
         "",
         3,
         4,
         true,
         false,
         Area::HorizontalHalves,
         "1",
         {"^开始处理", "导出当前页面", "^处理完成"},
         {{"海报-封面1前.bmp", "BMP", "rgb", hostPixels(297, 210)},
          {"海报-封面2后.bmp", "BMP", "rgb", hostPixels(297, 210)}},
         [](const QStringList& paths) {
             // The upper half comes first: the banner (y 330 to 400) is in
             // it, the photo frame's green hill (near y 155) in the lower one.
             const QSizeF half(297, 210);
             EXPECT_TRUE(bannerBlue(colourAt(decodeImage(paths[0]), half, 230, 155)));
             EXPECT_TRUE(near(colourAt(decodeImage(paths[1]), half, 230, 155), 60, 140, 70, 8));
         }},
    };

    // The card first: the documents list follows the host's order, and
    // the poster, exported last in that range, stays the active document.
    QString script = QStringLiteral("open \"%1\"\nopen \"%2\"\n"
                                    "command mosvik1_导出图片\nwindow TfToJPG\n")
                         .arg(CardPath, PosterPath);
    for (size_t i = 0; i < rows.size(); ++i)
        script += rowScript(rows[i], folder(QStringLiteral("run%1").arg(i)),
                            path(QStringLiteral("run%1.json").arg(i)));
    ASSERT_EQ(run(script), 0) << errText.toStdString();
    EXPECT_TRUE(outText.isEmpty()) << outText.toStdString();

    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(row.what);
        const QString runFolder = dir.filePath(QStringLiteral("run%1").arg(i));
        const auto window = readJson(QStringLiteral("run%1.json").arg(i));

        EXPECT_EQ(text(lastRunLog(window)), text(row.log));
        // Idle again, with the rules of the range and the naming applied.
        EXPECT_TRUE(controlOf(window, "grp1")["enabled"].toBool());
        EXPECT_TRUE(controlOf(window, "btn_Export")["enabled"].toBool());
        EXPECT_EQ(controlOf(window, "grp3")["enabled"].toBool(),
                  QString(row.range) != "rb_Selection");
        const auto number = controlOf(window, "chk_FilenameAddNum");
        EXPECT_EQ(number["checked"].toBool(), row.number || !row.pageName);
        EXPECT_EQ(number["enabled"].toBool(), row.pageName);

        QStringList expectedNames, paths;
        for (const auto& f : row.files) {
            expectedNames << f.name;
            paths << QDir(runFolder).filePath(f.name);
        }
        expectedNames.sort();
        EXPECT_EQ(text(filesIn(runFolder)), text(expectedNames));
        if (filesIn(runFolder) != expectedNames)
            continue;

        for (const auto& f : row.files) {
            SCOPED_TRACE(f.name.toStdString());
            const ImageFacts facts = readImageFacts(QDir(runFolder).filePath(f.name));
            EXPECT_EQ(facts.format, f.format);
            EXPECT_EQ(facts.colour, f.colour);
            EXPECT_EQ(QSize(facts.width, facts.height), f.size);
            if (facts.format != "GIF") { // GIF has no place for a resolution
                EXPECT_NEAR(facts.dpiX, Dpi, 0.05);
                EXPECT_NEAR(facts.dpiY, Dpi, 0.05);
            }
        }
        if (row.pixels)
            row.pixels(paths);
    }
}

TEST_F(ExportBatchTest, APageTheHostFailsOnIsReportedAndTheRestIsWritten) {
    // The second file of the run cannot be finished.
    session.host().faults().failOnNth("IVGExportFilter.Finish", 2);
    const QString first = folder("first"), second = folder("second");
    const QString settings = QStringLiteral("set edt_fileName 海报\n"
                                            "set cbb_Filetype #2\n"
                                            "set cbb_ColorMode #4\n"
                                            "set cbb_Resolution %1\n"
                                            "set cbb_Scale 1\n")
                                 .arg(Dpi);
    ASSERT_EQ(
        run(QStringLiteral("open \"%1\"\n"
                           "command mosvik1_导出图片\n"
                           "window TfToJPG\n"
                           "set rb_CurDocument 1\n"
                           "set chk_InculdePagename 1\n"
                           "set chk_FilenameAddNum 1\n"
                           "%2"
                           "set edt_Location \"%3\"\n"
                           "click btn_Export\n"
                           "wait\n"
                           "dump-window \"%4\"\n"
                           // The window takes a second run at once.
                           "set rb_CurPage 1\n"
                           "%2"
                           "set edt_Location \"%5\"\n"
                           "click btn_Export\n"
                           "wait\n"
                           "dump-window \"%6\"\n")
                .arg(PosterPath, settings, first, path("first.json"), second, path("second.json"))),
        0)
        << errText.toStdString();

    EXPECT_TRUE(outText.contains("ExportPic ++++ ")) << outText.toStdString();
    const auto afterFailure = readJson("first.json");
    QStringList log = lastRunLog(afterFailure);
    ASSERT_EQ(log.size(), 9) << text(log);
    EXPECT_TRUE(log[5].startsWith("^导出页面出错：")) << log[5].toStdString();
    log[5] = "^导出页面出错：";
    EXPECT_EQ(text(log), text({"^开始处理", "导出当前文档", "^开始处理文档:poster.mvd",
                               "  处理页面:封面", "  处理页面:节目单", "^导出页面出错：",
                               "  处理页面:赞助", "^文档处理结束:poster.mvd", "^处理完成"}));
    // The failed page used its number and left no file, not even a partial one.
    EXPECT_EQ(text(filesIn(first)), text({"海报-封面-1.png", "海报-赞助-3.png"}));
    for (const char* control : {"grp1", "btn_Export", "btn_Exit", "rb_CurPage"})
        EXPECT_TRUE(controlOf(afterFailure, control)["enabled"].toBool()) << control;

    // The run leaves the last page it reached active.
    EXPECT_EQ(text(lastRunLog(readJson("second.json"))),
              text({"^开始处理", "导出当前页面", "^处理完成"}));
    EXPECT_EQ(text(filesIn(second)), text({"海报-赞助-1.png"}));
    EXPECT_EQ(readImageFacts(QDir(second).filePath("海报-赞助-1.png")).format, "PNG");
}

} // namespace
} // namespace mosvik::app
