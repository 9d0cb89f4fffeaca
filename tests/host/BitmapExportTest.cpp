// Bitmap export: the options object, ExportEx and its handle, and the files
// they write, read back from their bytes and decoded.
#include "HostFixture.h"
#include "ImageFacts.h"

#include "Drawings.h"

#include "host/export/BitmapExport.h"
#include "host/render/Renderer.h"

#include <Magick++.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <set>
#include <sys/resource.h>
#include <tuple>
#include <unistd.h>

namespace mosvik::host::test {
namespace {

using namespace com;
using model::Box;

// At 254 dpi one millimetre is ten pixels.
constexpr int32_t dpi = 254;
const QRgb red = qRgb(255, 0, 0);
const QRgb blue = qRgb(0, 0, 255);
const QRgb green = qRgb(0, 128, 0);
const QRgb white = qRgb(255, 255, 255);

// What one export passes; areas in the document's unit (millimetres here).
struct Request {
    int32_t filter = bitmap::FilterPng;
    int32_t range = 1;
    int32_t imageType = model::ImageRGB;
    int32_t compression = 0;
    bool transparent = false;
    bool smooth = false;
    bool layers = false;
    int32_t dpiX = dpi;
    int32_t dpiY = dpi;
    int32_t sizeX = 0;
    int32_t sizeY = 0;
    std::optional<Box> area;
};

bool near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance && qAlpha(a) == qAlpha(b);
}

std::string describe(QRgb c) {
    return "(" + std::to_string(qRed(c)) + ", " + std::to_string(qGreen(c)) + ", " +
           std::to_string(qBlue(c)) + ", " + std::to_string(qAlpha(c)) + ")";
}

// The drawing: on the page's bottom layer a green band (10, 40)-(90, 50);
// on the layer above a red rectangle (10, 10)-(50, 30) and a blue ellipse
// (60, 10)-(90, 30); a hidden layer with a black square inside them. The
// content's box is (10, 10)-(90, 50): 800 x 400 pixels at 254 dpi, the red
// rectangle's middle at pixel (200, 300), the green band's at (400, 50),
// the blue ellipse's at (650, 300), nothing at (450, 150).
model::Drawing exportDrawing() {
    model::Drawing d;
    model::Page page;
    page.name = u"Page 1";
    auto shape = [](int32_t type, double x, double y, double w, double h, model::Color c) {
        model::Shape s = model::shape(type, x, y, w, h);
        s.fill = model::uniform(c);
        return s;
    };
    model::Layer back{0, u"Back", {shape(ShapeRectangle, 10, 40, 80, 10, model::rgb(0, 128, 0))}};
    model::Layer front{0,
                       u"Front",
                       {shape(ShapeRectangle, 10, 10, 40, 20, model::rgb(255, 0, 0)),
                        shape(ShapeEllipse, 60, 10, 30, 20, model::rgb(0, 0, 255))}};
    model::Layer hidden{0, u"Hidden", {shape(ShapeRectangle, 40, 20, 10, 10, model::gray(0))}};
    hidden.visible = false;
    page.layers = {back, front, hidden};
    d.pages.push_back(page);
    return d;
}

class BitmapExportTest : public HostTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        doc = app.openDocument(u"/drawings/export.cdr", exportDrawing());
    }

    QString path(const QString& name) const { return folder.filePath(name); }

    ComPtr<IVGStructExportOptions> options(const Request& r) {
        ComPtr<IVGStructExportOptions> o;
        check(host(), host()->CreateStructExportOptions(o.put()));
        check(o, o->put_ImageType(r.imageType));
        check(o, o->put_Compression(r.compression));
        check(o, o->put_TransparentBG(r.transparent ? VARIANT_TRUE : VARIANT_FALSE));
        check(o, o->put_AntiAliasingType(r.smooth ? 1 : 0));
        check(o, o->put_MaintainLayers(r.layers ? VARIANT_TRUE : VARIANT_FALSE));
        check(o, o->put_ResolutionX(r.dpiX));
        check(o, o->put_ResolutionY(r.dpiY));
        check(o, o->put_SizeX(r.sizeX));
        check(o, o->put_SizeY(r.sizeY));
        if (r.area) {
            ComPtr<IVGRect> rect;
            check(host(), host()->CreateRect(r.area->x, r.area->y, r.area->width, r.area->height,
                                             rect.put()));
            check(o, o->put_ExportArea(rect.get()));
        }
        return o;
    }

    // Exports through the automation objects; throws HostError on failure.
    void exportTo(const QString& file, const Request& r) {
        auto o = options(r);
        auto d = activeDocument();
        ComPtr<IVGExportFilter> handle;
        const std::u16string name = file.toStdU16String();
        check(d, d->ExportEx(name.c_str(), r.filter, r.range, o.get(), nullptr, handle.put()));
        ASSERT_TRUE(handle);
        check(handle, handle->Finish());
    }

    // The folder's entries, to prove nothing else was left in it.
    QStringList entries() const {
        return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

    QTemporaryDir folder;
    DocumentId doc = 0;
};

// ---- Formats and image types --------------------------------------------

// The gray every file type gives a colour.
int grayOf(QRgb c) {
    return qGray(c);
}

QRgb expected(int32_t imageType, QRgb c) {
    switch (imageType) {
    case model::ImageBlackAndWhite:
        return grayOf(c) >= 128 ? white : qRgb(0, 0, 0);
    case model::ImageGrayscale:
    case model::ImageDuotone:
        return qRgb(grayOf(c), grayOf(c), grayOf(c));
    default:
        return c;
    }
}

TEST_F(BitmapExportTest, EachFileTypeWritesTheNearestModeItHolds) {
    struct Case {
        int32_t filter;
        int32_t imageType;
        bool transparent;
        const char* format;
        const char* colour;
        int bits;
        bool alpha;
    };
    using namespace bitmap;
    const Case cases[] = {
        {FilterJpeg, model::ImageBlackAndWhite, false, "JPG", "gray", 8, false},
        {FilterJpeg, model::ImageGrayscale, false, "JPG", "gray", 8, false},
        {FilterJpeg, model::ImageRGB, false, "JPG", "rgb", 8, false},
        {FilterJpeg, model::ImageCMYK, false, "JPG", "cmyk", 8, false},
        {FilterJpeg, model::ImageCMYKMultiChannel, false, "JPG", "cmyk", 8, false},
        {FilterJpeg, model::ImageLab, false, "JPG", "rgb", 8, false},
        {FilterJpeg, model::ImageRGB, true, "JPG", "rgb", 8, false},
        {FilterPng, model::ImageBlackAndWhite, false, "PNG", "gray", 1, false},
        {FilterPng, model::ImageBlackAndWhite, true, "PNG", "palette", 2, true},
        {FilterPng, model::ImageGrayscale, false, "PNG", "gray", 8, false},
        {FilterPng, model::ImageGrayscale, true, "PNG", "gray", 8, true},
        {FilterPng, model::ImagePaletted, false, "PNG", "palette", 8, false},
        {FilterPng, model::ImagePaletted, true, "PNG", "palette", 8, true},
        {FilterPng, model::Image16Colors, false, "PNG", "palette", 4, false},
        {FilterPng, model::ImageRGB, false, "PNG", "rgb", 8, false},
        {FilterPng, model::ImageRGB, true, "PNG", "rgb", 8, true},
        {FilterPng, model::ImageCMYK, false, "PNG", "rgb", 8, false},
        {FilterPng, model::ImageDuotone, false, "PNG", "gray", 8, false},
        {FilterPng, model::ImageSpotMultiChannel, false, "PNG", "rgb", 8, false},
        {FilterBmp, model::ImageBlackAndWhite, false, "BMP", "palette", 1, false},
        {FilterBmp, model::ImageGrayscale, false, "BMP", "palette", 8, false},
        {FilterBmp, model::ImagePaletted, false, "BMP", "palette", 8, false},
        {FilterBmp, model::Image16Colors, false, "BMP", "palette", 4, false},
        {FilterBmp, model::ImageRGB, true, "BMP", "rgb", 24, false},
        {FilterBmp, model::ImageCMYK, false, "BMP", "rgb", 24, false},
        {FilterGif, model::ImageBlackAndWhite, false, "GIF", "palette", 1, false},
        {FilterGif, model::ImageGrayscale, false, "GIF", "palette", 8, false},
        // Four colours drawn: a table of four entries holds them exactly.
        {FilterGif, model::Image16Colors, false, "GIF", "palette", 2, false},
        {FilterGif, model::ImageRGB, false, "GIF", "palette", 2, false},
        {FilterGif, model::ImageRGB, true, "GIF", "palette", 2, true},
        {FilterPsd, model::ImageBlackAndWhite, false, "PSD", "bitmap", 1, false},
        {FilterPsd, model::ImageGrayscale, false, "PSD", "gray", 8, false},
        {FilterPsd, model::ImageGrayscale, true, "PSD", "gray", 8, true},
        {FilterPsd, model::ImagePaletted, false, "PSD", "palette", 8, false},
        {FilterPsd, model::ImageRGB, false, "PSD", "rgb", 8, false},
        {FilterPsd, model::ImageRGB, true, "PSD", "rgb", 8, true},
        {FilterPsd, model::ImageCMYK, false, "PSD", "cmyk", 8, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.format) + " type " + std::to_string(c.imageType) +
                     (c.transparent ? " transparent" : ""));
        const QString file = path(QString("out%1").arg(++n));
        Request r;
        r.filter = c.filter;
        r.imageType = c.imageType;
        r.transparent = c.transparent;
        exportTo(file, r);

        const ImageFacts f = readImageFacts(file);
        EXPECT_EQ(f.format, c.format);
        EXPECT_EQ(f.width, 800);
        EXPECT_EQ(f.height, 400);
        EXPECT_EQ(f.colour, c.colour);
        EXPECT_EQ(f.bits, c.bits);
        EXPECT_EQ(f.alpha, c.alpha);
        const bool grayOnly =
            c.imageType == model::ImageBlackAndWhite || c.imageType == model::ImageGrayscale;
        if (f.colour == "palette") {
            EXPECT_EQ(f.grayPalette, grayOnly);
        }
        if (f.format != "GIF") {
            EXPECT_NEAR(f.dpiX, dpi, 0.01);
            EXPECT_NEAR(f.dpiY, dpi, 0.01);
        }

        const QImage image = decodeImage(file);
        ASSERT_EQ(image.size(), QSize(800, 400));
        const int tolerance = f.format == "JPG" ? 12 : 0;
        const QRgb background = c.alpha ? qRgba(0, 0, 0, 0) : white;
        const QRgb seenBackground = image.pixel(450, 150);
        EXPECT_TRUE(qAlpha(background) == 0 ? qAlpha(seenBackground) == 0
                                            : near(seenBackground, background, tolerance))
            << describe(seenBackground);
        for (auto [x, y, colour] :
             {std::tuple{200, 300, red}, std::tuple{400, 50, green}, std::tuple{650, 300, blue}}) {
            const QRgb seen = image.pixel(x, y);
            EXPECT_TRUE(near(seen, expected(c.imageType, colour), tolerance))
                << x << ", " << y << ": " << describe(seen);
        }
    }
}

// Many colours (a fountain) through a 256-entry palette: median cut keeps
// every pixel close to what was drawn.
TEST_F(BitmapExportTest, PalettesStayCloseToManyColours) {
    app.edit(doc, u"fountain", [](model::Drawing& d) {
        model::Shape& s = d.pages[0].layers[1].shapes[0];
        s.fill.type = FillFountain;
        s.fill.fountain = model::Fountain{model::FountainLinear,
                                          0,
                                          0,
                                          1,
                                          1,
                                          {{0, model::rgb(255, 0, 0)},
                                           {0.5, model::rgb(0, 255, 128)},
                                           {1, model::rgb(20, 40, 255)}}};
    });
    Request truth;
    truth.area = Box{10, 10, 40, 20};
    exportTo(path("truth.png"), truth);
    const QImage reference = decodeImage(path("truth.png"));
    for (int32_t filter : {bitmap::FilterGif, bitmap::FilterPng, bitmap::FilterBmp}) {
        SCOPED_TRACE(filter);
        Request r = truth;
        r.filter = filter;
        r.imageType = model::ImagePaletted;
        exportTo(path("paletted"), r);
        const QImage image = decodeImage(path("paletted"));
        ASSERT_EQ(image.size(), reference.size());
        long long error = 0;
        int worst = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb a = image.pixel(x, y), b = reference.pixel(x, y);
                const int e = std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                              std::abs(qBlue(a) - qBlue(b));
                error += e;
                worst = std::max(worst, e);
            }
        EXPECT_LT(double(error) / (image.width() * image.height()), 6.0);
        EXPECT_LT(worst, 40);
        EXPECT_EQ(readImageFacts(path("paletted")).paletteSize, 256);
    }
}

// ---- Size, area, range and resolution -------------------------------------

TEST_F(BitmapExportTest, SizeFollowsTheAreaTheResolutionAndTheImageSize) {
    struct Case {
        const char* what;
        int32_t range;
        std::optional<Box> area; // millimetres
        int32_t dpiX, dpiY, sizeX, sizeY;
        int32_t filter;
        QSize size;
    };
    const Case cases[] = {
        {"content box", 1, std::nullopt, 254, 254, 0, 0, bitmap::FilterPng, {800, 400}},
        {"its own dpi each way", 1, std::nullopt, 127, 508, 0, 0, bitmap::FilterJpeg, {400, 800}},
        {"72 dpi rounds", 1, std::nullopt, 72, 72, 0, 0, bitmap::FilterBmp, {227, 113}},
        {"an area", 1, Box{0, 0, 210, 297}, 100, 100, 0, 0, bitmap::FilterPng, {827, 1169}},
        {"image size", 1, std::nullopt, 300, 300, 640, 480, bitmap::FilterGif, {640, 480}},
        {"width alone", 1, std::nullopt, 254, 254, 100, 0, bitmap::FilterPsd, {100, 400}},
        {"the selection", 2, std::nullopt, 254, 254, 0, 0, bitmap::FilterPng, {300, 200}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        app.setSelection(doc, {app.drawing(doc).pages[0].layers[1].shapes[1].id});
        Request r;
        r.range = c.range;
        r.area = c.area;
        r.dpiX = c.dpiX;
        r.dpiY = c.dpiY;
        r.sizeX = c.sizeX;
        r.sizeY = c.sizeY;
        r.filter = c.filter;
        exportTo(path("sized"), r);
        const ImageFacts f = readImageFacts(path("sized"));
        EXPECT_EQ(QSize(f.width, f.height), c.size);
        if (f.format != "GIF") {
            EXPECT_NEAR(f.dpiX, c.dpiX, 0.01);
            EXPECT_NEAR(f.dpiY, c.dpiY, 0.01);
        }
    }
}

TEST_F(BitmapExportTest, TheSelectionExportsItsShapesAloneAndAnAreaEverythingInIt) {
    const auto front = app.drawing(doc).pages[0].layers[1];
    app.setSelection(doc, {front.shapes[0].id}); // the red rectangle
    // Its area in pixels (1/300 inch), read back as the plug-in reads it.
    auto d = activeDocument();
    host_ops::setUnit(d.get(), UnitPixels);
    ComPtr<IVGShapeRange> range;
    check(host(), host()->get_ActiveSelectionRange(range.put()));
    double x = 0, y = 0, w = 0, h = 0;
    check(range, range->get_PositionX(&x));
    check(range, range->get_PositionY(&y));
    check(range, range->get_SizeWidth(&w));
    check(range, range->get_SizeHeight(&h));
    const double px = 300 / 25.4;
    EXPECT_NEAR(x, 10 * px, 1e-9);
    EXPECT_NEAR(y, 10 * px, 1e-9);
    EXPECT_NEAR(w, 40 * px, 1e-9);

    // The selection's box widened to take in a piece of the ellipse.
    Request selection;
    selection.range = 2;
    selection.area = Box{x, y, w + 20 * px, h};
    exportTo(path("selection.png"), selection);
    Request area = selection;
    area.range = 1;
    exportTo(path("area.png"), area);

    const QImage alone = decodeImage(path("selection.png"));
    const QImage all = decodeImage(path("area.png"));
    ASSERT_EQ(alone.size(), QSize(600, 200));
    EXPECT_EQ(alone.pixel(200, 100), red);
    EXPECT_EQ(alone.pixel(580, 100), white); // the ellipse is not selected
    EXPECT_EQ(all.pixel(200, 100), red);
    EXPECT_EQ(all.pixel(580, 100), blue);
    EXPECT_EQ(all.pixel(350, 50), red) << "the hidden layer stays hidden";
}

TEST_F(BitmapExportTest, PagePositionsAndTheSelectionRangeSpeakTheDocumentUnit) {
    app.edit(doc, u"move", [](model::Drawing& d) {
        d.pages[0].x = -25.4;
        d.pages[0].y = 50.8;
    });
    auto d = activeDocument();
    host_ops::setUnit(d.get(), UnitInches);
    auto page = activePage();
    double x = 0, y = 0;
    check(page, page->get_PositionX(&x));
    check(page, page->get_PositionY(&y));
    EXPECT_DOUBLE_EQ(x, -1);
    EXPECT_DOUBLE_EQ(y, 2);

    ComPtr<IVGShapeRange> range;
    check(host(), host()->get_ActiveSelectionRange(range.put()));
    int32_t count = -1;
    check(range, range->get_Count(&count));
    EXPECT_EQ(count, 0);
    check(range, range->get_PositionX(&x));
    EXPECT_EQ(x, 0);

    const auto front = app.drawing(doc).pages[0].layers[1];
    app.setSelection(doc, {front.shapes[1].id, front.shapes[0].id});
    check(host(), host()->get_ActiveSelectionRange(range.put()));
    check(range, range->get_Count(&count));
    EXPECT_EQ(count, 2);
    check(range, range->get_PositionX(&x));
    check(range, range->get_PositionY(&y));
    EXPECT_DOUBLE_EQ(x, 10 / 25.4);
    EXPECT_DOUBLE_EQ(y, 10 / 25.4);
}

// ---- Rendering ---------------------------------------------------------------

// Bands of a few rows give the same pixels as one image of the whole area,
// on a drawing with every kind of content.
TEST_F(BitmapExportTest, BandsJoinIntoTheImageOfTheWholeArea) {
    const model::Drawing rich = richDrawing();
    bitmap::Job job;
    job.type = bitmap::FileType::Png;
    job.options.transparentBackground = true;
    job.options.antiAliasing = 1;
    job.options.resolutionX = job.options.resolutionY = 200;
    job.page = rich.pages[0];
    job.area = bitmap::exportArea(job.page, std::nullopt, std::nullopt, job.options);
    job.size = bitmap::imageSize(job.area, job.options, job.type);
    render::RenderOptions whole;
    whole.area = job.area;
    const QImage reference =
        render::renderImage(job.page, 200, 200, whole).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(reference.size(), job.size);
    for (int rows : {1, 7, 64}) {
        SCOPED_TRACE(rows);
        job.bandRows = rows;
        bitmap::writeBitmap(job, path("banded.png"));
        const QImage banded = decodeImage(path("banded.png"));
        ASSERT_EQ(banded.size(), reference.size());
        int differing = 0;
        for (int y = 0; y < banded.height(); ++y)
            for (int x = 0; x < banded.width(); ++x)
                differing += !near(banded.pixel(x, y), reference.pixel(x, y), 1) &&
                             qAlpha(reference.pixel(x, y)) > 2;
        EXPECT_EQ(differing, 0);
    }
}

TEST_F(BitmapExportTest, AntiAliasingSmoothsEdgesOnlyWhenAsked) {
    for (bool smooth : {false, true}) {
        SCOPED_TRACE(smooth);
        Request r;
        r.smooth = smooth;
        r.area = Box{60, 10, 30, 20}; // the ellipse
        exportTo(path("edges.png"), r);
        const QImage image = decodeImage(path("edges.png"));
        std::set<QRgb> colours;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                colours.insert(image.pixel(x, y));
        if (smooth)
            EXPECT_GT(colours.size(), 10u);
        else
            EXPECT_EQ(colours, (std::set<QRgb>{blue, white}));
    }
}

// Compression codes change the bytes, never the pixels.
TEST_F(BitmapExportTest, CompressionCodesKeepThePixels) {
    Request plain;
    plain.filter = bitmap::FilterBmp;
    plain.smooth = true;
    plain.imageType = model::ImagePaletted;
    exportTo(path("paletted.bmp"), plain);
    plain.imageType = model::ImageGrayscale;
    exportTo(path("gray.bmp"), plain);
    struct Case {
        int32_t filter;
        int32_t imageType;
        int32_t compression;
        const char* same; // the uncompressed file it decodes like
        int bmpCompression;
    };
    const Case cases[] = {
        {bitmap::FilterBmp, model::ImagePaletted, bitmap::CompressionRle, "paletted.bmp", 1},
        {bitmap::FilterBmp, model::ImageGrayscale, bitmap::CompressionRle, "gray.bmp", 1},
        {bitmap::FilterBmp, model::ImageGrayscale, bitmap::CompressionZip, "gray.bmp", 0},
        {bitmap::FilterPng, model::ImagePaletted, bitmap::CompressionNone, "paletted.bmp", 0},
        {bitmap::FilterPng, model::ImagePaletted, bitmap::CompressionZip, "paletted.bmp", 0},
        {bitmap::FilterPng, model::ImagePaletted, bitmap::CompressionJpeg, "paletted.bmp", 0},
        {bitmap::FilterPsd, model::ImageGrayscale, bitmap::CompressionNone, "gray.bmp", 0},
        {bitmap::FilterPsd, model::ImageGrayscale, bitmap::CompressionRle, "gray.bmp", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.filter) + " / " + std::to_string(c.compression));
        Request r = plain;
        r.filter = c.filter;
        r.imageType = c.imageType;
        r.compression = c.compression;
        exportTo(path("packed"), r);
        const ImageFacts f = readImageFacts(path("packed"));
        if (f.format == "BMP") {
            EXPECT_EQ(f.compression, c.bmpCompression);
            if (c.bmpCompression) {
                EXPECT_LT(QFileInfo(path("packed")).size(), QFileInfo(path(c.same)).size() / 4);
            }
        }
        EXPECT_EQ(decodeImage(path("packed")), decodeImage(path(c.same)));
    }
}

// ---- Layers ------------------------------------------------------------------

TEST_F(BitmapExportTest, PsdKeepsOneLayerPerVisibleDrawingLayer) {
    struct Case {
        bool maintain;
        int32_t imageType;
        int layers;
    };
    const Case cases[] = {
        {true, model::ImageRGB, 2},       {true, model::ImageCMYK, 2},
        {true, model::ImageGrayscale, 2}, {false, model::ImageRGB, 1},
        {true, model::ImagePaletted, 1}, // indexed images have no layers
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.imageType) + (c.maintain ? " layers" : ""));
        Request r;
        r.filter = bitmap::FilterPsd;
        r.imageType = c.imageType;
        r.layers = c.maintain;
        exportTo(path("layers.psd"), r);
        EXPECT_EQ(readImageFacts(path("layers.psd")).layers, c.layers);
        if (c.imageType == model::ImagePaletted)
            continue; // Magick++ 6.9 reads no indexed PSD back
        std::vector<Magick::Image> images;
        Magick::readImages(&images, QFile::encodeName(path("layers.psd")).toStdString());
        ASSERT_EQ(images.size(), size_t(c.layers) + 1); // the composite first
        if (c.maintain && c.layers == 2) {
            EXPECT_EQ(images[1].label(), "Back");
            EXPECT_EQ(images[2].label(), "Front");
            // Each layer holds its own shapes alone, on transparency.
            images[1].colorSpace(Magick::sRGBColorspace);
            images[2].colorSpace(Magick::sRGBColorspace);
            const Magick::ColorRGB backAtGreen = images[1].pixelColor(400, 50);
            const Magick::ColorRGB backAtRed = images[1].pixelColor(200, 300);
            const Magick::ColorRGB frontAtRed = images[2].pixelColor(200, 300);
            EXPECT_LT(backAtGreen.alpha(), 0.01) << "opacity 0: opaque";
            EXPECT_GT(backAtRed.alpha(), 0.99) << "opacity 1: clear";
            EXPECT_LT(frontAtRed.alpha(), 0.01);
        }
    }
}

// ---- Options -----------------------------------------------------------------

TEST_F(BitmapExportTest, OptionsStartAtTheirDefaultsAndRefuseBadValues) {
    ComPtr<IVGStructExportOptions> o;
    check(host(), host()->CreateStructExportOptions(o.put()));
    auto get = [&](HRESULT (IVGStructExportOptions::*getter)(int32_t*)) {
        int32_t v = -99;
        check(o, (o.get()->*getter)(&v));
        return v;
    };
    auto flag = [&](HRESULT (IVGStructExportOptions::*getter)(VARIANT_BOOL*)) {
        VARIANT_BOOL v = 7;
        check(o, (o.get()->*getter)(&v));
        return v;
    };
    using O = IVGStructExportOptions;
    EXPECT_EQ(get(&O::get_AntiAliasingType), 0);
    EXPECT_EQ(get(&O::get_ImageType), 4);
    EXPECT_EQ(get(&O::get_Compression), 0);
    EXPECT_EQ(get(&O::get_ResolutionX), 72);
    EXPECT_EQ(get(&O::get_ResolutionY), 72);
    EXPECT_EQ(get(&O::get_SizeX), 0);
    EXPECT_EQ(get(&O::get_SizeY), 0);
    for (auto getter : {&O::get_UseColorProfile, &O::get_TransparentBG,
                        &O::get_AlwaysOverprintBlack, &O::get_MaintainLayers})
        EXPECT_EQ(flag(getter), VARIANT_FALSE);
    ComPtr<IVGRect> none;
    check(o, o->get_ExportArea(none.put()));
    EXPECT_FALSE(none);

    struct Setting {
        HRESULT (O::*put)(int32_t);
        HRESULT (O::*get)(int32_t*);
        int32_t good;
        int32_t bad;
        const char* text;
    };
    const Setting settings[] = {
        {&O::put_AntiAliasingType, &O::get_AntiAliasingType, 1, 2,
         "IVGStructExportOptions.put_AntiAliasingType: the anti-aliasing type is 0 (none) or 1 "
         "(smooth), not 2"},
        {&O::put_ImageType, &O::get_ImageType, 10, 11,
         "IVGStructExportOptions.put_ImageType: the image type is 0 to 10 (the colour-mode "
         "list), not 11"},
        {&O::put_ImageType, &O::get_ImageType, 0, -1, "not -1"},
        {&O::put_Compression, &O::get_Compression, 9, 10, "the compression is 0 to 9"},
        {&O::put_ResolutionX, &O::get_ResolutionX, 1, 0, "a resolution is at least 1 dpi, not 0"},
        {&O::put_ResolutionY, &O::get_ResolutionY, 9600, -300, "not -300"},
        {&O::put_SizeX, &O::get_SizeX, 0, -1, "an image size is 0 (from the area) or more"},
        {&O::put_SizeY, &O::get_SizeY, 70000, -5, "not -5"},
    };
    for (const Setting& s : settings) {
        SCOPED_TRACE(s.text);
        check(o, (o.get()->*s.put)(s.good));
        EXPECT_EQ((o.get()->*s.put)(s.bad), E_INVALIDARG);
        EXPECT_THAT(hostErrorOf([&] { check(o, (o.get()->*s.put)(s.bad)); }),
                    ::testing::HasSubstr(s.text));
        EXPECT_EQ(get(s.get), s.good);
    }
    for (auto [put, getter] :
         {std::pair{&O::put_UseColorProfile, &O::get_UseColorProfile},
          std::pair{&O::put_TransparentBG, &O::get_TransparentBG},
          std::pair{&O::put_AlwaysOverprintBlack, &O::get_AlwaysOverprintBlack},
          std::pair{&O::put_MaintainLayers, &O::get_MaintainLayers}}) {
        check(o, (o.get()->*put)(VARIANT_TRUE));
        EXPECT_EQ(flag(getter), VARIANT_TRUE);
    }

    // The area is a copy: changing the rectangle afterwards changes nothing.
    ComPtr<IVGRect> rect;
    check(host(), host()->CreateRect(1, 2, 3, 4, rect.put()));
    check(o, o->put_ExportArea(rect.get()));
    check(rect, rect->put_x(100));
    ComPtr<IVGRect> copy;
    check(o, o->get_ExportArea(copy.put()));
    double x = 0, h = 0;
    check(copy, copy->get_x(&x));
    check(copy, copy->get_Height(&h));
    EXPECT_EQ(x, 1);
    EXPECT_EQ(h, 4);
    check(rect, rect->put_Width(0));
    EXPECT_EQ(o->put_ExportArea(rect.get()), E_INVALIDARG);
    EXPECT_THAT(hostErrorOf([&] { check(o, o->put_ExportArea(rect.get())); }),
                ::testing::HasSubstr("positive width and height"));
    check(o, o->put_ExportArea(nullptr));
    check(o, o->get_ExportArea(copy.put()));
    EXPECT_FALSE(copy);
}

// ---- Files and failures ------------------------------------------------------

TEST_F(BitmapExportTest, AnExistingFileIsReplaced) {
    QFile old(path("same.jpg"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(100000, 'x'));
    old.close();
    Request r;
    r.filter = bitmap::FilterJpeg;
    exportTo(path("same.jpg"), r);
    EXPECT_EQ(readImageFacts(path("same.jpg")).format, "JPG");
    EXPECT_EQ(entries(), QStringList{"same.jpg"});
}

TEST_F(BitmapExportTest, FailuresLeaveNoFileAndSayWhy) {
    QFile(path("taken")).open(QIODevice::WriteOnly);
    QDir(folder.path()).mkdir("a folder.png");
    struct Case {
        const char* what;
        std::function<void(Request&, QString&)> setUp;
        HRESULT status;
        const char* text;
    };
    const Case cases[] = {
        {"unknown filter", [](Request& r, QString&) { r.filter = 775; }, E_INVALIDARG,
         "IVGDocument.ExportEx: unknown export filter 775"},
        {"unknown range", [](Request& r, QString&) { r.range = 3; }, E_INVALIDARG,
         "unknown export range 3"},
        {"nothing selected", [](Request& r, QString&) { r.range = 2; }, E_FAIL,
         "nothing is selected"},
        {"no folder", [&](Request&, QString& f) { f = path("missing/out.png"); }, E_FAIL,
         "IVGExportFilter.Finish: cannot write \""},
        {"a file for a folder", [&](Request&, QString& f) { f = path("taken/out.png"); }, E_FAIL,
         "does not exist"},
        {"a folder of that name", [&](Request&, QString& f) { f = path("a folder.png"); }, E_FAIL,
         "a folder has that name"},
        {"a folder nobody writes", [](Request&, QString& f) { f = "/proc/mosvik-export.png"; },
         E_FAIL, "cannot write \"/proc/mosvik-export.png\": "},
        {"too large for JPG",
         [](Request& r, QString&) {
             r.filter = bitmap::FilterJpeg;
             r.sizeX = 70000;
         },
         E_FAIL, "an image of 70000 x 400 pixels is too large: a JPG file holds at most 65500"},
        {"too large for PSD",
         [](Request& r, QString&) {
             r.filter = bitmap::FilterPsd;
             r.sizeY = 30001;
         },
         E_FAIL, "PSD file holds at most 30000 pixels a side"},
        {"an area on nothing",
         [](Request& r, QString&) {
             r.area = Box{150, 150, 10, 10};
             r.filter = bitmap::FilterGif;
         },
         S_OK, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Request r;
        QString file = path("out.png");
        c.setUp(r, file);
        const std::string error = hostErrorOf([&] { exportTo(file, r); });
        if (c.status == S_OK) {
            EXPECT_EQ(error, "");
            QFile::remove(file);
        } else {
            EXPECT_THAT(error, ::testing::HasSubstr(c.text));
        }
        EXPECT_FALSE(QFile::exists(file) && QFileInfo(file).isFile());
        EXPECT_EQ(entries(), QStringList{"taken"});
    }

    // Argument checks of ExportEx itself.
    auto d = activeDocument();
    auto o = options(Request{});
    ComPtr<IVGExportFilter> handle;
    const std::u16string name = path("out.png").toStdU16String();
    EXPECT_EQ(d->ExportEx(name.c_str(), 802, 1, nullptr, nullptr, handle.put()), E_INVALIDARG);
    EXPECT_EQ(d->ExportEx(name.c_str(), 802, 1, o.get(), d.get(), handle.put()), E_INVALIDARG);
    EXPECT_EQ(d->ExportEx(u"", 802, 1, o.get(), nullptr, handle.put()), E_INVALIDARG);
    EXPECT_EQ(d->ExportEx(name.c_str(), 802, 1, o.get(), nullptr, nullptr), E_POINTER);
    EXPECT_FALSE(handle);

    // An empty page has nothing to export unless an area is given.
    app.edit(doc, u"clear", [](model::Drawing& dr) {
        for (auto& layer : dr.pages[0].layers)
            layer.shapes.clear();
    });
    EXPECT_THAT(hostErrorOf([&] { exportTo(path("out.png"), Request{}); }),
                ::testing::HasSubstr("nothing to export: the page holds no shapes"));
    EXPECT_EQ(entries(), QStringList{"taken"});
}

TEST_F(BitmapExportTest, InjectedFaultsAndRepeatedFinishWriteNothing) {
    for (const char* op : {"IVGDocument.ExportEx", "IVGExportFilter.Finish",
                           "IVGApplication.CreateStructExportOptions"}) {
        SCOPED_TRACE(op);
        app.faults().failOnce(op);
        EXPECT_THAT(hostErrorOf([&] { exportTo(path("out.png"), Request{}); }),
                    ::testing::HasSubstr(std::string("injected failure of ") + op));
        EXPECT_TRUE(entries().isEmpty());
    }
    app.faults().clear();

    auto d = activeDocument();
    auto o = options(Request{});
    ComPtr<IVGExportFilter> handle;
    const std::u16string name = path("once.png").toStdU16String();
    check(d, d->ExportEx(name.c_str(), 802, 1, o.get(), nullptr, handle.put()));
    check(handle, handle->Finish());
    QFile::remove(path("once.png"));
    EXPECT_THAT(hostErrorOf([&] { check(handle, handle->Finish()); }),
                ::testing::HasSubstr("IVGExportFilter.Finish: this export has been finished"));
    EXPECT_TRUE(entries().isEmpty());

    // A handle released unfinished writes nothing; one whose document
    // closed fails.
    check(d, d->ExportEx(name.c_str(), 802, 1, o.get(), nullptr, handle.put()));
    handle.reset();
    check(d, d->ExportEx(name.c_str(), 802, 1, o.get(), nullptr, handle.put()));
    ASSERT_TRUE(app.closeDocument(doc));
    EXPECT_EQ(handle->Finish(), E_FAIL);
    EXPECT_TRUE(entries().isEmpty());
}

// A write that fails half-way (the file size limit stands in for a full
// disk) leaves the old file as it was and no temporary file.
TEST_F(BitmapExportTest, AWriteThatFailsHalfWayKeepsTheOldFile) {
    QFile old(path("kept.bmp"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old contents");
    old.close();

    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    Request r;
    r.filter = bitmap::FilterBmp; // 800 x 400 x 3 bytes, far above the limit
    const std::string error = hostErrorOf([&] { exportTo(path("kept.bmp"), r); });
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);

    EXPECT_THAT(error,
                ::testing::HasSubstr("cannot write \"" + path("kept.bmp").toStdString() + "\": "));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "old contents");
    EXPECT_EQ(entries(), QStringList{"kept.bmp"});
}

// ---- Events ------------------------------------------------------------------

TEST_F(BitmapExportTest, ExportsRaiseBeforeAndAfterExport) {
    RecordingSink sink;
    const int32_t cookie = host_ops::adviseEvents(host(), &sink);
    Request r;
    r.filter = bitmap::FilterGif;
    exportTo(path("seen.gif"), r);
    r.filter = bitmap::FilterPng;
    hostErrorOf([&] { exportTo(path("missing/x.png"), r); });
    host_ops::unadviseEvents(host(), cookie);

    const auto events = sink.events();
    ASSERT_EQ(sink.dispIds(), (std::vector<int32_t>{EvDocumentBeforeExport, EvDocumentAfterExport,
                                                    EvDocumentBeforeExport}));
    EXPECT_EQ(events[0].texts, std::vector<std::u16string>{path("seen.gif").toStdU16String()});
    EXPECT_EQ(events[1].texts, events[0].texts);
    // (Doc, FileName, Filter, SaveBitmap), delivered last-first.
    EXPECT_EQ(events[0].tagsLastFirst,
              (std::vector<uint16_t>{VT_BOOL, VT_I4, VT_BSTR, VT_DISPATCH}));
}

} // namespace
} // namespace mosvik::host::test
