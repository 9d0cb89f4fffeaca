// Writes the example drawings of examples/ from code, so that they can be
// made again whenever the drawing format changes:
//   mosvik1-make-examples OUTPUT_FOLDER
#include "host/Model.h"
#include "host/files/NativeFormat.h"
#include "host/render/Renderer.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextStream>

#include <cmath>

using namespace mosvik::host;
using namespace mosvik::host::model;

namespace {

Id nextId = 1;

Shape named(Shape s, const char16_t* name) {
    s.name = name;
    return s;
}

Shape filled(Shape s, Color fill, double outlineWidth = 0, Color line = {}) {
    s.fill = uniform(fill);
    if (outlineWidth > 0)
        s.outline = outline(outlineWidth, line);
    return s;
}

Shape text(const char16_t* content, const char16_t* font, double size, double x, double y,
           Color color, bool bold = false) {
    Shape s;
    s.type = mosvik::com::ShapeText;
    s.text.text = content;
    s.text.font = font;
    s.text.size = size;
    s.text.bold = bold;
    const QSizeF extent = render::textExtent(s.text);
    s.x = x;
    s.y = y;
    s.width = extent.width();
    s.height = extent.height();
    s.fill = uniform(color);
    return s;
}

// A small photograph stand-in: a sky gradient over hills, drawn here so the
// example carries real pixels.
Shape landscape(double x, double y, double width, double height) {
    QImage image(240, 160, QImage::Format_RGB888);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 0, 160);
    sky.setColorAt(0, QColor(70, 130, 200));
    sky.setColorAt(1, QColor(220, 235, 250));
    p.fillRect(image.rect(), sky);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 210, 60));
    p.drawEllipse(QPointF(180, 40), 18, 18);
    p.setBrush(QColor(60, 140, 70));
    QPainterPath hills;
    hills.moveTo(0, 120);
    hills.cubicTo(60, 80, 120, 140, 240, 100);
    hills.lineTo(240, 160);
    hills.lineTo(0, 160);
    p.drawPath(hills);
    p.end();
    Shape s;
    s.type = mosvik::com::ShapeBitmap;
    s.x = x;
    s.y = y;
    s.width = width;
    s.height = height;
    s.bitmap.pixels = render::fromQImage(image);
    s.bitmap.resolutionX = s.bitmap.resolutionY = 240 / (width / 25.4);
    s.bitmap.imageMode = ImageRGB;
    return s;
}

Page page(const char16_t* name, double width, double height) {
    Page p;
    p.id = nextId++;
    p.name = name;
    p.width = width;
    p.height = height;
    Layer layer;
    layer.id = nextId++;
    layer.name = u"图层 1";
    p.layers.push_back(layer);
    p.activeLayer = layer.id;
    return p;
}

void assignIds(Shape& s) {
    s.id = nextId++;
    for (auto& c : s.children)
        assignIds(c);
    for (auto& c : s.powerClip)
        assignIds(c);
}

void add(Page& p, Shape s, size_t layer = 0) {
    assignIds(s);
    p.layers[layer].shapes.push_back(std::move(s));
}

Drawing poster() {
    Drawing d;
    // Page 1: the poster itself.
    Page cover = page(u"封面", 297, 420);
    add(cover, named(filled(shape(mosvik::com::ShapeRectangle, 0, 0, 297, 420), cmyk(5, 0, 10, 0)),
                     u"背景"));
    Shape banner = filled(shape(mosvik::com::ShapeRectangle, 20, 330, 257, 70), cmyk(90, 40, 0, 0),
                          1.5, cmyk(0, 0, 0, 100));
    banner.corners = {6, 6, 6, 6};
    add(cover, named(banner, u"横幅"));
    add(cover,
        named(text(u"夏季音乐节", u"Noto Sans CJK SC", 72, 40, 345, rgb(255, 255, 255), true),
              u"标题"));
    add(cover, named(text(u"2026 年 7 月 18 日 · 湖畔公园", u"Noto Sans CJK SC", 24, 40, 300,
                          rgb(30, 30, 30)),
                     u"日期"));
    // A framed photograph: the bitmap clipped to a rounded frame.
    Shape frame = filled(shape(mosvik::com::ShapeRectangle, 30, 110, 237, 170), rgb(255, 255, 255),
                         1, gray(90));
    frame.corners = {12, 12, 12, 12};
    frame.powerClip.push_back(landscape(20, 100, 257, 190));
    add(cover, named(frame, u"照片框"));
    // A group of three stage lights.
    std::vector<Shape> lights;
    for (int i = 0; i < 3; ++i) {
        Shape e = filled(shape(mosvik::com::ShapeEllipse, 60 + 70.0 * i, 40, 40, 40),
                         rgb(240, 120 + 50 * i, 40), 0.5, gray(40));
        lights.push_back(named(e, i == 0 ? u"灯1" : i == 1 ? u"灯2" : u"灯3"));
    }
    add(cover, named(group(lights), u"舞台灯"));
    Shape wave = curve({Subpath{{moveTo(20, 20), cubicTo(80, 60, 160, -10, 277, 25)}, false}});
    wave.outline = outline(2, cmyk(0, 80, 90, 0));
    wave.outline.dashes = {4, 2};
    add(cover, named(wave, u"波浪线"));
    d.pages.push_back(cover);

    // Page 2: the programme.
    Page programme = page(u"节目单", 297, 420);
    add(programme,
        named(text(u"节目单", u"Noto Sans CJK SC", 48, 30, 360, cmyk(90, 40, 0, 0), true),
              u"节目标题"));
    const char16_t* acts[] = {u"18:00  开场：城市合唱团", u"19:30  爵士四重奏",
                              u"21:00  湖畔电子之夜"};
    for (int i = 0; i < 3; ++i) {
        add(programme, filled(shape(mosvik::com::ShapeRectangle, 30, 280 - 60.0 * i, 237, 40),
                              cmyk(0, 0, 0, 8 + 6 * i)));
        add(programme, text(acts[i], u"Noto Sans CJK SC", 20, 40, 292 - 60.0 * i, gray(20)));
    }
    Shape star = curve({polyline({{148.5, 80},
                                  {160, 50},
                                  {192, 50},
                                  {166, 32},
                                  {176, 0},
                                  {148.5, 20},
                                  {121, 0},
                                  {131, 32},
                                  {105, 50},
                                  {137, 50}},
                                 true)});
    star.fill = uniform(cmyk(0, 20, 100, 0));
    star.outline = outline(0.5, registration());
    add(programme, named(star, u"星"));
    d.pages.push_back(programme);

    // Page 3: sponsors, on a second layer above a backdrop.
    Page sponsors = page(u"赞助", 297, 420);
    Layer top;
    top.id = nextId++;
    top.name = u"标志";
    sponsors.layers.push_back(top);
    Shape backdrop = shape(mosvik::com::ShapeRectangle, 0, 0, 297, 420);
    backdrop.fill.type = mosvik::com::FillFountain;
    backdrop.fill.fountain.kind = FountainLinear;
    backdrop.fill.fountain.startX = 0.5;
    backdrop.fill.fountain.startY = 0;
    backdrop.fill.fountain.endX = 0.5;
    backdrop.fill.fountain.endY = 1;
    backdrop.fill.fountain.stops = {{0, rgb(255, 255, 255)}, {1, rgb(200, 220, 255)}};
    add(sponsors, named(backdrop, u"渐变背景"), 0);
    for (int i = 0; i < 4; ++i)
        add(sponsors,
            filled(shape(mosvik::com::ShapeEllipse, 40 + 60.0 * i, 200, 40, 40),
                   rgb(40 * i, 100, 200 - 40 * i)),
            1);
    d.pages.push_back(sponsors);
    d.activePage = d.pages[0].id;
    return d;
}

Drawing businessCard() {
    Drawing d;
    Page front = page(u"名片", 90, 54);
    add(front, named(filled(shape(mosvik::com::ShapeRectangle, 0, 0, 90, 54), rgb(255, 255, 255),
                            0.2, gray(180)),
                     u"卡片"));
    add(front,
        named(filled(shape(mosvik::com::ShapeRectangle, 0, 44, 90, 10), cmyk(100, 60, 0, 10)),
              u"色条"));
    add(front, named(text(u"王小明", u"Noto Sans CJK SC", 14, 8, 28, gray(10), true), u"姓名"));
    add(front,
        named(text(u"设计总监 · 莫斯维克印务", u"Noto Sans CJK SC", 7, 8, 20, gray(60)), u"职位"));
    add(front,
        named(text(u"电话 138 0000 0000", u"Noto Sans CJK SC", 6.5, 8, 9, gray(30)), u"电话"));
    add(front, named(filled(shape(mosvik::com::ShapeEllipse, 66, 8, 16, 16), cmyk(0, 60, 100, 0)),
                     u"标志"));
    d.pages.push_back(front);
    d.activePage = front.id;
    return d;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: mosvik1-make-examples OUTPUT_FOLDER\n";
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    try {
        files::saveNative(poster(), out.filePath("poster.mvd"));
        nextId = 1;
        files::saveNative(businessCard(), out.filePath("business-card.mvd"));
    } catch (const std::exception& e) {
        err << e.what() << "\n";
        return 1;
    }
    return 0;
}
