// The native drawing file: exact round trips, clear errors on bad files,
// atomic saves.
#include "Drawings.h"
#include "HostFixture.h"

#include "host/files/NativeFormat.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <nlohmann/json.hpp>

#include <cmath>
#include <limits>

namespace mosvik::host::test {
namespace {

using files::NativeFormatError;
using ::testing::HasSubstr;
using Json = nlohmann::json;

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

std::string errorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const NativeFormatError& e) {
        return e.what();
    }
    return "(no error)";
}

class NativeFormatTest : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    QTemporaryDir dir;
};

TEST_F(NativeFormatTest, EveryKindOfContentComesBackExactly) {
    const model::Drawing original = richDrawing();
    const QString file = path("rich.mvd");
    files::saveNative(original, file);
    const model::Drawing loaded = files::loadNative(file);
    EXPECT_EQ(loaded, original);
    EXPECT_EQ(files::toNativeJson(loaded), readAll(file).toStdString()) << "saving is stable";

    // Doubles keep every bit, at both ends of the range too.
    model::Drawing extremes = original;
    model::Shape& s = extremes.pages[0].layers[0].shapes[0];
    for (double v : {0.1 + 0.2, 1.0 / 3, 1e-310, std::nextafter(1.0, 2.0),
                     std::numeric_limits<double>::max(), -0.0}) {
        s.x = v;
        const model::Drawing back = files::fromNativeJson(files::toNativeJson(extremes));
        EXPECT_EQ(back.pages[0].layers[0].shapes[0].x, v);
        EXPECT_EQ(std::signbit(back.pages[0].layers[0].shapes[0].x), std::signbit(v));
    }
}

TEST_F(NativeFormatTest, ADocumentSavesAndOpensThroughTheApplication) {
    Application app;
    const QString first = path("first.mvd");
    files::saveNative(richDrawing(), first);
    const DocumentId doc = app.openFile(first.toStdU16String());
    EXPECT_EQ(app.fileName(doc), first.toStdU16String());
    EXPECT_EQ(app.drawing(doc).pages.size(), 2u);

    const QString second = path("副本.mvd");
    app.saveDocument(doc, second.toStdU16String());
    EXPECT_EQ(files::loadNative(second), app.drawing(doc)) << "what is saved is the document";
    EXPECT_EQ(app.fileName(doc), second.toStdU16String());
    EXPECT_EQ(app.documentName(doc), u"副本.mvd");

    const size_t before = app.documents().size();
    EXPECT_THAT(errorOf([&] { app.openFile(path("missing.mvd").toStdU16String()); }),
                HasSubstr("cannot read"));
    EXPECT_EQ(app.documents().size(), before);
}

TEST_F(NativeFormatTest, BadFilesAreRefusedSayingWhatAndWhere) {
    model::Drawing small = richDrawing();
    small.pages.resize(1);
    const Json good = Json::parse(files::toNativeJson(small));
    const std::string text = good.dump();
    const std::string bitmap = "/pages/0/layers/1/shapes/3/bitmap";
    auto changed = [&](const std::string& pointer, Json value) {
        Json j = good;
        j[Json::json_pointer(pointer)] = std::move(value);
        return j.dump();
    };
    auto without = [&](const std::string& pointer, const std::string& key) {
        Json j = good;
        j[Json::json_pointer(pointer)].erase(key);
        return j.dump();
    };
    const struct {
        const char* what;
        std::string content;
        std::string message;
    } cases[] = {
        {"truncated", text.substr(0, text.size() / 2), "not valid JSON"},
        {"empty", "", "not valid JSON"},
        {"not an object", "[1, 2]", "expected an object"},
        {"another format", changed("/format", "svg"), "format: not a drawing of this program"},
        {"newer version", changed("/version", 2), "version: version 2 is not one"},
        {"no pages", without("", "pages"), "the field \"pages\" is missing"},
        {"zero pages", changed("/pages", Json::array()),
         "pages: a drawing needs at least one page"},
        {"width as text", changed("/pages/0/width", "210"), "pages/0/width: expected a number"},
        {"no layers", changed("/pages/0/layers", Json::array()),
         "pages/0/layers: a page needs at least one layer"},
        {"shapes not a list", changed("/pages/0/layers/0/shapes", Json::object()),
         "pages/0/layers/0/shapes: expected an array"},
        {"unknown shape type", changed("/pages/0/layers/0/shapes/0/type", 99),
         "pages/0/layers/0/shapes/0/type: unknown code 99"},
        {"id below zero", changed("/pages/0/layers/0/shapes/0/id", -4),
         "pages/0/layers/0/shapes/0/id: expected an id"},
        {"colour short of a value",
         changed("/pages/0/layers/1/shapes/1/fill/color/values", Json::array({1, 2})),
         "pages/0/layers/1/shapes/1/fill/color/values: colour model 5 has 3 values"},
        {"matrix of five",
         changed("/pages/0/layers/0/shapes/1/matrix", Json::array({1, 0, 0, 1, 0})),
         "pages/0/layers/0/shapes/1/matrix: expected 6 numbers"},
        {"path without a move",
         changed("/pages/0/layers/1/shapes/0/children/1/paths/0/nodes/0/type", 1),
         "children/1/paths/0/nodes/0/type: a subpath starts with its one move node"},
        {"stop past the end",
         changed("/pages/0/layers/0/shapes/1/fill/fountain/stops/2/position", 1.5),
         "stops/2/position: a stop's position lies from 0 to 1"},
        {"bad base64", changed(bitmap + "/pixels/png", "iVBOR*w0K"),
         "pixels/png: not valid base64"},
        {"not a PNG", changed(bitmap + "/pixels/png", "aGVsbG8gd29ybGQ="),
         "shapes/3/bitmap/pixels/png: not a readable PNG image"},
        {"PNG of another size", changed(bitmap + "/pixels/width", 6),
         "pixels/png: the PNG image is 5 x 1 pixels, not 6 x 1"},
        {"unknown image mode", changed(bitmap + "/imageMode", 11), "imageMode: unknown code 11"},
    };
    for (const auto& c : cases) {
        const QString file = path("bad.mvd");
        writeAll(file, QByteArray::fromStdString(c.content));
        const std::string message = errorOf([&] { files::loadNative(file); });
        EXPECT_THAT(message, HasSubstr(c.message)) << c.what;
        EXPECT_THAT(message, HasSubstr(file.toStdString())) << c.what << ": names the file";
        EXPECT_EQ(readAll(file).toStdString(), c.content) << c.what << ": the file is untouched";
    }
    EXPECT_EQ(files::fromNativeJson(text), small) << "the unchanged text still loads";
}

TEST_F(NativeFormatTest, AFailedSaveLeavesTheOldFileAndNoLeftovers) {
    const QString file = path("keep.mvd");
    files::saveNative(richDrawing(), file);
    const QByteArray before = readAll(file);

    model::Drawing broken = richDrawing();
    broken.pages[0].layers[0].shapes[0].corners.upperLeft = std::nan("");
    EXPECT_THAT(errorOf([&] { files::saveNative(broken, file); }),
                HasSubstr("pages/0/layers/0/shapes/0/corners/3: the number is not finite"));
    model::Drawing mismatched = richDrawing();
    mismatched.pages[0].layers[1].shapes[3].bitmap.pixels.bytes.pop_back();
    EXPECT_THAT(errorOf([&] { files::saveNative(mismatched, file); }),
                HasSubstr("the pixel bytes do not match"));
    EXPECT_THAT(errorOf([&] { files::saveNative(richDrawing(), path("no/such/folder/x.mvd")); }),
                HasSubstr("cannot write"));

    EXPECT_EQ(readAll(file), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.mvd"});
}

} // namespace
} // namespace mosvik::host::test
