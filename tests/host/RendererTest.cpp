// The renderer on small images: where shapes land, their colours, clipping,
// layers, text and bitmaps.
#include "Drawings.h"

#include "host/render/Renderer.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace mosvik::host::test {
namespace {

using namespace model;
using render::RenderOptions;

constexpr double mmDpi = 25.4; // one pixel per millimetre

Page pageWith(double width, double height, std::vector<Shape> shapes) {
    Page p;
    p.width = width;
    p.height = height;
    p.layers = {Layer{1, u"Layer 1", std::move(shapes), true}};
    return p;
}

Shape filled(Shape s, Color c) {
    s.fill = uniform(std::move(c));
    return s;
}

RenderOptions aliased() {
    RenderOptions o;
    o.antialiasing = false;
    return o;
}

QRgb at(const QImage& image, int x, int y) {
    return image.pixel(x, y);
}

int inkedPixels(const QImage& image, const QRect& within) {
    int n = 0;
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                ++n;
    return n;
}

TEST(RendererTest, ARectangleLandsWhereItIsWithYUp) {
    const Page page =
        pageWith(100, 50, {filled(shape(com::ShapeRectangle, 10, 5, 20, 10), rgb(255, 0, 0))});
    for (int scale : {1, 2, 3}) {
        const QImage image = render::renderImage(page, mmDpi * scale, mmDpi * scale, aliased());
        ASSERT_EQ(image.size(), QSize(100 * scale, 50 * scale));
        // y 5..15 from the bottom is rows 35..45 from the top.
        const QRect red(10 * scale, 35 * scale, 20 * scale, 10 * scale);
        EXPECT_EQ(at(image, red.left(), red.top()), qRgb(255, 0, 0)) << scale;
        EXPECT_EQ(at(image, red.right(), red.bottom()), qRgb(255, 0, 0)) << scale;
        EXPECT_EQ(inkedPixels(image, image.rect()), red.width() * red.height()) << scale;
    }
    EXPECT_NEAR(render::renderImage(page, 300, 300).dotsPerMeterX(), 300 / 0.0254, 1);
}

TEST(RendererTest, AnAreaAndATargetPickWhatIsDrawnAndWhere) {
    Shape moved = filled(shape(com::ShapeRectangle, 0, 0, 10, 10), rgb(0, 0, 255));
    moved.matrix = translation(20, 30);
    const Page page = pageWith(100, 100, {moved});
    RenderOptions o = aliased();
    o.area = QRectF(15, 25, 20, 20); // the moved square sits at (5, 5) of it
    o.background = render::Background::White;
    const QImage image = render::renderImage(page, mmDpi, mmDpi, o);
    ASSERT_EQ(image.size(), QSize(20, 20));
    EXPECT_EQ(at(image, 5, 14), qRgb(0, 0, 255));
    EXPECT_EQ(at(image, 14, 5), qRgb(0, 0, 255));
    EXPECT_EQ(at(image, 4, 14), qRgb(255, 255, 255));
    EXPECT_EQ(at(image, 5, 15), qRgb(255, 255, 255));

    // The same area painted in two bands of a taller image equals one pass.
    const QImage whole = render::renderImage(page, 4 * mmDpi, 4 * mmDpi, o);
    QImage banded(whole.size(), QImage::Format_ARGB32_Premultiplied);
    banded.fill(Qt::transparent);
    for (int band = 0; band < 2; ++band) {
        QImage strip(whole.width(), whole.height() / 2, QImage::Format_ARGB32_Premultiplied);
        strip.fill(Qt::transparent);
        QPainter p(&strip);
        o.target = QRectF(0, -band * strip.height(), whole.width(), whole.height());
        render::renderPage(p, page, o);
        p.end();
        QPainter copy(&banded);
        copy.drawImage(0, band * strip.height(), strip);
    }
    EXPECT_EQ(banded, whole);
}

TEST(RendererTest, ColourModelsShowAsStated) {
    const struct {
        const char* what;
        Color color;
        QRgb shown;
    } cases[] = {
        {"rgb", rgb(12, 34, 56), qRgb(12, 34, 56)},
        {"registration", registration(), qRgb(0, 0, 0)},
        {"cmyk red", cmyk(0, 100, 100, 0), qRgb(255, 0, 0)},
        {"cmyk with black", cmyk(20, 40, 60, 50), qRgb(102, 77, 51)},
        {"cmyk black", cmyk(0, 0, 0, 100), qRgb(0, 0, 0)},
        {"gray", gray(128), qRgb(128, 128, 128)},
    };
    for (const auto& c : cases) {
        Shape line = curve({polyline({{1, 9}, {9, 9}}, false)});
        line.outline = outline(2, c.color);
        const Page page =
            pageWith(10, 10, {filled(shape(com::ShapeRectangle, 0, 0, 10, 5), c.color), line});
        const QImage image = render::renderImage(page, mmDpi, mmDpi, aliased());
        EXPECT_EQ(at(image, 5, 7), c.shown) << c.what << " fill";
        EXPECT_EQ(at(image, 5, 1), c.shown) << c.what << " outline";
        EXPECT_EQ(render::toQColor(c.color).rgb(), c.shown) << c.what;
    }
    EXPECT_EQ(render::toQColor(Color{}).alpha(), 0);
}

TEST(RendererTest, AliasedEdgesHaveNoInBetweenColours) {
    const Page page = pageWith(
        30, 30, {filled(shape(com::ShapeRectangle, 5.3, 4.6, 10.45, 12.7), rgb(255, 0, 0))});
    auto colours = [&](bool smooth) {
        RenderOptions o;
        o.antialiasing = smooth;
        const QImage image = render::renderImage(page, 2 * mmDpi, 2 * mmDpi, o);
        std::set<QRgb> seen;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                seen.insert(image.pixel(x, y));
        return seen;
    };
    EXPECT_EQ(colours(false), (std::set<QRgb>{qRgba(0, 0, 0, 0), qRgb(255, 0, 0)}));
    EXPECT_GT(colours(true).size(), 2u) << "smoothing blends the fractional edges";
}

TEST(RendererTest, PowerClipContentsShowOnlyInsideTheContainer) {
    Shape container = shape(com::ShapeEllipse, 10, 10, 20, 20);
    container.powerClip = {filled(shape(com::ShapeRectangle, -100, -100, 300, 300), rgb(0, 0, 255)),
                           filled(shape(com::ShapeRectangle, 0, 0, 20, 40), rgb(0, 255, 0))};
    container.outline = outline(2, rgb(0, 0, 0));
    Shape turned = container;
    turned.matrix = translation(30, 0); // the contents travel with it
    const QImage image =
        render::renderImage(pageWith(60, 40, {container, turned}), mmDpi, mmDpi, aliased());
    for (int dx : {0, 30}) {
        EXPECT_EQ(at(image, 15 + dx, 20), qRgb(0, 255, 0)) << dx << ": inside, front content";
        EXPECT_EQ(at(image, 25 + dx, 20), qRgb(0, 0, 255)) << dx << ": inside, back content";
        EXPECT_EQ(qAlpha(at(image, 11 + dx, 11)), 0) << dx << ": the corner outside the ellipse";
        EXPECT_EQ(at(image, 20 + dx, 10), qRgb(0, 0, 0)) << dx << ": the outline is on top";
    }
    EXPECT_EQ(qAlpha(at(image, 5, 20)), 0);
    EXPECT_EQ(qAlpha(at(image, 59, 39)), 0);
}

TEST(RendererTest, LayerAndShapeFiltersLeaveTheRestOut) {
    Page page =
        pageWith(20, 10, {filled(shape(com::ShapeRectangle, 0, 0, 10, 10), rgb(255, 0, 0))});
    Shape right = filled(shape(com::ShapeRectangle, 10, 0, 10, 10), rgb(0, 0, 255));
    right.id = 7;
    page.layers.push_back(Layer{2, u"hidden", {right}, false});
    page.layers[0].shapes[0].id = 6;

    RenderOptions o = aliased();
    QImage image = render::renderImage(page, mmDpi, mmDpi, o);
    EXPECT_EQ(at(image, 5, 5), qRgb(255, 0, 0));
    EXPECT_EQ(qAlpha(at(image, 15, 5)), 0) << "a hidden layer is not drawn";

    o.layers = std::vector<Id>{2};
    image = render::renderImage(page, mmDpi, mmDpi, o);
    EXPECT_EQ(qAlpha(at(image, 5, 5)), 0);
    EXPECT_EQ(at(image, 15, 5), qRgb(0, 0, 255)) << "a listed layer is drawn even when hidden";

    o.layers = std::vector<Id>{1, 2};
    o.shapes = std::vector<Id>{7};
    image = render::renderImage(page, mmDpi, mmDpi, o);
    EXPECT_EQ(qAlpha(at(image, 5, 5)), 0);
    EXPECT_EQ(at(image, 15, 5), qRgb(0, 0, 255));
}

TEST(RendererTest, TextDrawsUprightInsideItsBox) {
    Shape text = shape(com::ShapeText, 10, 10, 0, 0);
    text.text = Text{u"T", u"Liberation Sans", 72, false, false, false}; // one inch
    const QSizeF extent = render::textExtent(text.text);
    EXPECT_GT(extent.height(), 25.4);
    EXPECT_LT(extent.height(), 25.4 * 1.3);
    text.width = extent.width();
    text.height = extent.height();
    text.fill = uniform(rgb(0, 0, 0));
    const double dpi = 4 * mmDpi;
    const QImage image = render::renderImage(pageWith(60, 60, {text}), dpi, dpi);

    const int left = 40, right = int((10 + extent.width()) * 4);
    const int top = int((60 - 10 - extent.height()) * 4), bottom = (60 - 10) * 4;
    const QRect box(QPoint(left, top), QPoint(right, bottom));
    EXPECT_GT(inkedPixels(image, box), 200);
    EXPECT_EQ(inkedPixels(image, image.rect()), inkedPixels(image, box)) << "nothing outside";
    // The bar of the T is at its top: the fullest row lies in the upper half.
    int fullestRow = 0, most = 0;
    for (int y = top; y <= bottom; ++y) {
        const int n = inkedPixels(image, QRect(left, y, box.width(), 1));
        if (n > most) {
            most = n;
            fullestRow = y;
        }
    }
    EXPECT_LT(fullestRow, (top + bottom) / 2);

    text.text.underline = true;
    const QImage underlined = render::renderImage(pageWith(60, 60, {text}), dpi, dpi);
    EXPECT_GT(inkedPixels(underlined, box), inkedPixels(image, box) + 100);
}

TEST(RendererTest, BitmapsFillTheirBoxTopRowUp) {
    Pixels p = pixels(2, 2, PixelRgb8);
    p.bytes = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}; // red green / blue white
    Shape bitmap = shape(com::ShapeBitmap, 0, 0, 20, 20);
    bitmap.bitmap.pixels = p;
    Shape turned = bitmap;
    turned.matrix = rotation(180).then(translation(60, 20)); // upside down at 40..60
    const QImage image =
        render::renderImage(pageWith(60, 20, {bitmap, turned}), mmDpi, mmDpi, aliased());
    EXPECT_EQ(at(image, 5, 5), qRgb(255, 0, 0));
    EXPECT_EQ(at(image, 15, 5), qRgb(0, 255, 0));
    EXPECT_EQ(at(image, 5, 15), qRgb(0, 0, 255));
    EXPECT_EQ(at(image, 15, 15), qRgb(255, 255, 255));
    EXPECT_EQ(at(image, 55, 15), qRgb(255, 0, 0));
    EXPECT_EQ(at(image, 45, 5), qRgb(255, 255, 255));
    EXPECT_EQ(render::fromQImage(render::toQImage(patternPixels(3, 5, PixelRgba8))),
              patternPixels(3, 5, PixelRgba8));
}

TEST(RendererTest, FountainsAndDashesPaintAlongTheShape) {
    Shape bar = shape(com::ShapeRectangle, 0, 10, 100, 10);
    bar.fill.type = com::FillFountain;
    bar.fill.fountain.stops = {{0, rgb(255, 0, 0)}, {1, rgb(0, 0, 255)}};
    Shape dashed = curve({polyline({{0, 5}, {100, 5}}, false)});
    dashed.outline = outline(2, rgb(0, 0, 0));
    dashed.outline.dashes = {2, 3}; // 4 mm on, 6 mm off
    const QImage image = render::renderImage(pageWith(100, 20, {bar, dashed}), mmDpi, mmDpi);

    const QColor leftEnd = image.pixelColor(1, 5), rightEnd = image.pixelColor(98, 5);
    EXPECT_GT(leftEnd.red(), 240);
    EXPECT_LT(leftEnd.blue(), 15);
    EXPECT_GT(rightEnd.blue(), 240);
    const QColor middle = image.pixelColor(50, 5);
    EXPECT_NEAR(middle.red(), 128, 10);

    std::string run;
    for (int x = 0; x < 20; ++x)
        run += qAlpha(image.pixel(x, 15)) > 128 ? '#' : '.';
    EXPECT_EQ(run, "####......####......");
}

} // namespace
} // namespace mosvik::host::test
