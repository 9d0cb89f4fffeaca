#include "Drawings.h"

namespace mosvik::host::test {

using namespace model;

Pixels patternPixels(int32_t width, int32_t height, int32_t format) {
    Pixels p = pixels(width, height, format);
    for (size_t i = 0; i < p.bytes.size(); ++i)
        p.bytes[i] = static_cast<uint8_t>((i * 37 + i / 3) % 256);
    return p;
}

Drawing richDrawing() {
    Id next = 100;
    auto withId = [&](Shape s, std::u16string name = {}) {
        s.id = next++;
        s.name = std::move(name);
        return s;
    };

    Shape rect = withId(shape(com::ShapeRectangle, 10.1, 20.2, 30.3, 40.4), u"矩形");
    rect.corners = Corners{1, 2, 3.5, 0};
    rect.fill = uniform(cmyk(0, 100, 100, 0));
    rect.outline = outline(0.1, registration());
    rect.outline.dashes = {4, 2, 1, 2};
    rect.outline.cap = CapRound;
    rect.outline.join = JoinBevel;

    Shape pie = withId(shape(com::ShapeEllipse, 1.0 / 3, 2.0 / 3, 0.1 + 0.2, 1e-7), u"pie");
    pie.arcs = EllipseArcs{EllipsePie, 30, 300.25};
    pie.matrix = rotation(33).then(translation(5, -2));
    pie.fill.type = com::FillFountain;
    pie.fill.fountain =
        Fountain{FountainRadial,
                 0.5,
                 0.5,
                 1,
                 1,
                 {{0, rgb(255, 0, 0)}, {0.25, gray(128)}, {1, cmyk(10, 20, 30, 40)}}};
    pie.fill.color = rgb(1, 2, 3); // kept though the fill is a fountain

    Shape arc = withId(shape(com::ShapeEllipse, 0, 0, 8, 4));
    arc.arcs = EllipseArcs{EllipseArc, 350, 10};
    arc.outline = outline(0.35, Color{com::ColorModelRGB, {0.5, 127.25, 255}, u"odd"});

    Shape wave =
        withId(curve({Subpath{{moveTo(0, 0), cubicTo(1, 5, 2, -5, 3, 0), lineTo(4, 1)}, false},
                      polyline({{10, 10}, {12, 10}, {11, 12}}, true)}),
               u"wave");
    wave.fill.type = com::FillFountain;
    wave.fill.fountain.stops = {{0, gray(0)}, {1, gray(255)}};

    Shape text = withId(shape(com::ShapeText, 50, 60, 20, 8), u"文字");
    text.text = Text{u"Hello\n世界", u"Liberation Sans", 14.5, true, true, true};
    text.fill = uniform(rgb(0, 0, 255));

    Shape bitmap = withId(shape(com::ShapeBitmap, 5, 5, 3, 2));
    bitmap.bitmap = Bitmap{patternPixels(3, 2, PixelRgba8), 600, 150.5, ImageCMYK};
    bitmap.matrix = Matrix{0.5, 0.25, -0.25, 2, 1, 1};

    Shape grayBitmap = withId(shape(com::ShapeBitmap, 0, 0, 5, 1));
    grayBitmap.bitmap = Bitmap{patternPixels(5, 1, PixelGray8), 72, 72, ImageGrayscale};

    Shape rgbBitmap = withId(shape(com::ShapeBitmap, 0, 0, 2, 2));
    rgbBitmap.bitmap = Bitmap{patternPixels(2, 2, PixelRgb8), 300, 300, ImageRGB};

    Shape emptyBitmap = withId(shape(com::ShapeBitmap, 0, 0, 1, 1));
    emptyBitmap.bitmap.pixels = pixels(0, 0, PixelRgba8);

    Shape inner = withId(group({arc, withId(shape(com::ShapeRectangle, 0, 0, 1, 1))}));
    Shape outer = withId(group({inner, wave}), u"组");
    outer.matrix = scaling(2, 0.5);

    Shape container = withId(shape(com::ShapeEllipse, 0, 0, 100, 50), u"容器");
    container.powerClip = {
        withId(group({withId(shape(com::ShapeRectangle, -10, -10, 200, 5)), rgbBitmap})), bitmap};
    container.outline = outline(1, gray(0));

    Drawing d;
    Page first;
    first.id = 1;
    first.name = u"页 1";
    first.width = 210;
    first.height = 297;
    first.layers = {Layer{2, u"背景", {rect, pie}, false},
                    Layer{3, u"Layer 1", {outer, text, container, grayBitmap}, true}};
    first.activeLayer = 3;
    Page second;
    second.id = 4;
    second.name = u"Page 2";
    second.width = 0.1 + 0.7;
    second.height = 1e300;
    second.x = -12.5;
    second.y = 1.0 / 7;
    second.layers = {Layer{5, u"only", {emptyBitmap}, true}};
    second.activeLayer = 5;
    d.pages = {first, second};
    d.activePage = 4;
    d.selection = {text.id, wave.id};
    return d;
}

} // namespace mosvik::host::test
