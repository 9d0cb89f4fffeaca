// SVG export: what it writes reads back to the same geometry, an SVG
// opened and saved draws the same, and an SVG viewer (QtSvg) draws the
// export as the host renderer draws the drawing.
#include "host/files/SvgExport.h"
#include "host/files/SvgImport.h"
#include "host/render/Renderer.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

namespace mosvik::host::test {
namespace {

using ::testing::HasSubstr;

constexpr double tol = 1e-6; // millimetres

model::Shape named(model::Shape s, const char16_t* name) {
    s.name = name;
    return s;
}

model::Shape filled(model::Shape s, model::Color fill, double width = 0,
                    model::Color line = model::rgb(0, 0, 0)) {
    s.fill = model::uniform(fill);
    if (width > 0)
        s.outline = model::outline(width, line);
    return s;
}

model::Shape text(const char16_t* content, double x, double top) {
    model::Shape t = model::shape(com::ShapeText, 0, 0, 0, 0);
    t.text.text = content;
    t.text.font = u"DejaVu Sans";
    t.text.size = 24;
    const QSizeF extent = render::textExtent(t.text);
    t.x = x;
    t.width = extent.width();
    t.height = extent.height();
    t.y = top - t.height;
    t.fill = model::uniform(model::rgb(20, 40, 160));
    return t;
}

model::Shape bitmap(double x, double y, double width, double height) {
    model::Shape b = model::shape(com::ShapeBitmap, x, y, width, height);
    b.bitmap.pixels = model::pixels(4, 3, model::PixelRgb8);
    for (size_t i = 0; i < b.bitmap.pixels.bytes.size(); ++i)
        b.bitmap.pixels.bytes[i] = static_cast<uint8_t>(i * 21);
    b.bitmap.resolutionX = 4 / (width / 25.4);
    b.bitmap.resolutionY = 3 / (height / 25.4);
    return b;
}

model::Matrix around(model::Matrix m, double cx, double cy) {
    return model::translation(-cx, -cy).then(m).then(model::translation(cx, cy));
}

// One page with a shape of every kind, most of them transformed.
model::Drawing sample(bool withText = true, bool withClip = true) {
    model::Page p;
    p.id = 1;
    p.name = u"Sample";
    p.width = 200;
    p.height = 150;

    model::Shape rect = filled(model::shape(com::ShapeRectangle, 10, 90, 50, 30),
                               model::rgb(200, 30, 30), 1.5, model::rgb(0, 0, 120));
    rect.corners = model::Corners{4, 4, 4, 4};
    rect.outline.dashes = {3, 1};
    rect.outline.cap = model::CapRound;
    rect.outline.join = model::JoinBevel;

    model::Shape turned =
        filled(model::shape(com::ShapeRectangle, 80, 100, 40, 20), model::cmyk(0, 60, 100, 0), 1);
    turned.matrix = around(model::rotation(30), 100, 110);
    turned.corners = model::Corners{0, 2, 6, 0};

    model::Shape oval = filled(model::shape(com::ShapeEllipse, 140, 100, 40, 24), model::gray(128),
                               0.8, model::registration());
    oval.matrix = around(model::scaling(1, 1.5), 160, 112);

    model::Shape arc = model::shape(com::ShapeEllipse, 10, 40, 40, 30);
    arc.arcs = model::EllipseArcs{model::EllipseArc, 30, 250};
    arc.outline = model::outline(2, model::rgb(0, 140, 0));
    model::Shape pie =
        filled(model::shape(com::ShapeEllipse, 60, 40, 30, 30), model::rgb(250, 200, 0), 0.5);
    pie.arcs = model::EllipseArcs{model::EllipsePie, 300, 60};

    model::Subpath wave{{model::moveTo(100, 40), model::lineTo(120, 70),
                         model::cubicTo(130, 80, 150, 20, 170, 50), model::lineTo(180, 40)},
                        true};
    model::Subpath hole = model::polyline({{130, 45}, {140, 45}, {140, 55}}, true);
    model::Shape curve =
        filled(model::curve({wave, hole}), model::rgb(90, 0, 160), 1.2, model::rgb(0, 0, 0));
    curve.matrix = model::Matrix{1, 0, 0.3, 1, -10, 0}; // a skew

    model::Shape fountain = model::shape(com::ShapeRectangle, 10, 5, 60, 25);
    fountain.fill.type = com::FillFountain;
    fountain.fill.fountain.stops = {
        {0, model::rgb(255, 0, 0)}, {0.5, model::rgb(255, 255, 0)}, {1, model::rgb(0, 0, 255)}};
    model::Shape glow = model::shape(com::ShapeEllipse, 80, 5, 30, 25);
    glow.fill.type = com::FillFountain;
    glow.fill.fountain =
        model::Fountain{model::FountainRadial,
                        0.5,
                        0.5,
                        1,
                        0.5,
                        {{0, model::rgb(255, 255, 255)}, {1, model::rgb(0, 90, 0)}}};

    model::Shape inner = model::group(
        {filled(model::shape(com::ShapeRectangle, 0, 0, 6, 6), model::rgb(0, 200, 200)),
         filled(model::shape(com::ShapeEllipse, 8, 0, 6, 6), model::rgb(200, 0, 200), 0.4)});
    inner.matrix = model::rotation(45);
    model::Shape grp = named(model::group({inner, bitmap(0, 10, 16, 12)}), u"Badge");
    grp.matrix = model::translation(120, 5);

    model::Layer back{0, u"Back", {rect, turned, oval, fountain, glow}, true};
    model::Layer front{0, u"Front layer", {arc, pie, curve, grp}, true};
    if (withText)
        front.shapes.push_back(named(text(u"Hello\nSVG", 20, 140), u"greeting"));
    if (withClip) {
        model::Shape frame = model::shape(com::ShapeEllipse, 140, 60, 40, 30);
        frame.outline = model::outline(0.6, model::rgb(0, 0, 0));
        frame.powerClip = {
            filled(model::shape(com::ShapeRectangle, 130, 50, 30, 50), model::rgb(255, 120, 0)),
            filled(model::shape(com::ShapeRectangle, 160, 50, 30, 50), model::rgb(0, 120, 255))};
        front.shapes.push_back(named(frame, u"window"));
    }
    model::Layer hidden{
        0,
        u"Notes",
        {filled(model::shape(com::ShapeRectangle, 0, 0, 5, 5), model::rgb(0, 0, 0))},
        false};
    p.layers = {back, front, hidden};
    model::Drawing d;
    d.pages.push_back(p);
    d.activePage = 1;
    return d;
}

model::Drawing roundTrip(const model::Drawing& d, QStringList* warnings = nullptr) {
    return files::svgFromBytes(files::toSvg(d), QStringLiteral("export.svg"), warnings);
}

void expectNear(const model::Matrix& a, const model::Matrix& b) {
    EXPECT_NEAR(a.m11, b.m11, 1e-9);
    EXPECT_NEAR(a.m12, b.m12, 1e-9);
    EXPECT_NEAR(a.m21, b.m21, 1e-9);
    EXPECT_NEAR(a.m22, b.m22, 1e-9);
    EXPECT_NEAR(a.dx, b.dx, tol);
    EXPECT_NEAR(a.dy, b.dy, tol);
}

double turn(double degrees) {
    const double d = std::fmod(degrees, 360);
    return d < 0 ? d + 360 : d;
}

// Same geometry and paint, up to what SVG carries: colours as the screen
// shows them, fountains by their rendering (compared elsewhere).
void expectSameShape(const model::Shape& a, const model::Shape& b) {
    SCOPED_TRACE(QString::fromStdU16String(a.name).toStdString());
    EXPECT_EQ(a.type, b.type);
    EXPECT_EQ(a.name, b.name);
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.width, b.width, tol);
    EXPECT_NEAR(a.height, b.height, tol);
    expectNear(a.matrix, b.matrix);
    EXPECT_EQ(a.fill.type, b.fill.type);
    if (a.fill.type == com::FillUniform) {
        EXPECT_EQ(render::toQColor(a.fill.color), render::toQColor(b.fill.color));
    }
    EXPECT_NEAR(a.outline.width, b.outline.width, tol);
    if (a.outline.width > 0) {
        EXPECT_EQ(render::toQColor(a.outline.color), render::toQColor(b.outline.color));
        ASSERT_EQ(a.outline.dashes.size(), b.outline.dashes.size());
        for (size_t i = 0; i < a.outline.dashes.size(); ++i)
            EXPECT_NEAR(a.outline.dashes[i], b.outline.dashes[i], 1e-9);
        EXPECT_EQ(a.outline.cap, b.outline.cap);
        EXPECT_EQ(a.outline.join, b.outline.join);
    }
    EXPECT_EQ(a.arcs.kind, b.arcs.kind);
    if (a.arcs.kind != model::EllipseFull) {
        EXPECT_NEAR(turn(a.arcs.startAngle), turn(b.arcs.startAngle), 1e-9);
        EXPECT_NEAR(turn(a.arcs.endAngle), turn(b.arcs.endAngle), 1e-9);
    }
    if (a.type == com::ShapeRectangle) {
        EXPECT_NEAR(a.corners.lowerLeft, b.corners.lowerLeft, tol);
        EXPECT_NEAR(a.corners.upperRight, b.corners.upperRight, tol);
    }
    ASSERT_EQ(a.paths.size(), b.paths.size());
    for (size_t i = 0; i < a.paths.size(); ++i) {
        ASSERT_EQ(a.paths[i].nodes.size(), b.paths[i].nodes.size());
        EXPECT_EQ(a.paths[i].closed, b.paths[i].closed);
        for (size_t j = 0; j < a.paths[i].nodes.size(); ++j) {
            const model::Node &n = a.paths[i].nodes[j], &m = b.paths[i].nodes[j];
            EXPECT_EQ(n.type, m.type);
            for (auto [u, v] : {std::pair{n.x, m.x},
                                {n.y, m.y},
                                {n.c1x, m.c1x},
                                {n.c1y, m.c1y},
                                {n.c2x, m.c2x},
                                {n.c2y, m.c2y}})
                EXPECT_NEAR(u, v, tol);
        }
    }
    EXPECT_EQ(a.text.text, b.text.text);
    if (a.type == com::ShapeText) {
        EXPECT_EQ(a.text.font, b.text.font);
        EXPECT_NEAR(a.text.size, b.text.size, 1e-9);
        EXPECT_EQ(a.text.bold, b.text.bold);
    }
    EXPECT_EQ(a.bitmap.pixels, b.bitmap.pixels);
    if (a.type == com::ShapeBitmap) {
        EXPECT_NEAR(a.bitmap.resolutionX, b.bitmap.resolutionX, 1e-6);
        EXPECT_NEAR(a.bitmap.resolutionY, b.bitmap.resolutionY, 1e-6);
    }
    ASSERT_EQ(a.children.size(), b.children.size());
    for (size_t i = 0; i < a.children.size(); ++i)
        expectSameShape(a.children[i], b.children[i]);
    ASSERT_EQ(a.powerClip.size(), b.powerClip.size());
    for (size_t i = 0; i < a.powerClip.size(); ++i)
        expectSameShape(a.powerClip[i], b.powerClip[i]);
}

TEST(SvgExportTest, ExportReadsBackToTheSameGeometry) {
    const model::Drawing d = sample(true, false);
    QStringList warnings;
    const model::Drawing back = roundTrip(d, &warnings);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join('\n').toStdString();
    const model::Page &a = d.pages[0], &b = back.pages.at(0);
    EXPECT_EQ(b.name, a.name);
    EXPECT_NEAR(b.width, a.width, tol);
    EXPECT_NEAR(b.height, a.height, tol);
    ASSERT_EQ(b.layers.size(), a.layers.size());
    for (size_t i = 0; i < a.layers.size(); ++i) {
        EXPECT_EQ(b.layers[i].name, a.layers[i].name);
        EXPECT_EQ(b.layers[i].visible, a.layers[i].visible);
        ASSERT_EQ(b.layers[i].shapes.size(), a.layers[i].shapes.size());
        for (size_t j = 0; j < a.layers[i].shapes.size(); ++j) {
            model::Shape want = a.layers[i].shapes[j];
            // The one rectangle with unequal corners comes back as its
            // outline, its round corners as cubic Beziers (within 0.03 %
            // of their radius).
            if (want.type == com::ShapeRectangle &&
                want.corners.lowerLeft != want.corners.upperRight) {
                EXPECT_EQ(b.layers[i].shapes[j].type, com::ShapeCurve);
                const auto wantBox = model::bounds(want);
                const auto gotBox = model::bounds(b.layers[i].shapes[j]);
                ASSERT_TRUE(wantBox && gotBox);
                for (auto [u, v] : {std::pair{wantBox->x, gotBox->x},
                                    {wantBox->y, gotBox->y},
                                    {wantBox->width, gotBox->width},
                                    {wantBox->height, gotBox->height}})
                    EXPECT_NEAR(u, v, 6 * 3e-4);
                continue;
            }
            expectSameShape(want, b.layers[i].shapes[j]);
        }
    }
}

TEST(SvgExportTest, PowerClipsReadBackAsContainers) {
    const model::Drawing d = sample(false, true);
    const model::Shape& frame = d.pages[0].layers[1].shapes.back();
    const std::vector<model::Shape> got = roundTrip(d).pages.at(0).layers.at(1).shapes;
    // The container's outline is drawn above the contents, by a shape of
    // its own.
    ASSERT_EQ(got.size(), d.pages[0].layers[1].shapes.size() + 1);
    const model::Shape& container = got[got.size() - 2];
    model::Shape bare = frame;
    bare.outline = model::Outline{};
    expectSameShape(bare, container);
    const model::Shape& edge = got.back();
    EXPECT_EQ(edge.fill.type, com::FillNone);
    EXPECT_NEAR(edge.outline.width, frame.outline.width, tol);
}

TEST(SvgExportTest, NamesBecomeIdsWhereTheyCan) {
    model::Drawing d = sample(false, false);
    auto& shapes = d.pages[0].layers[0].shapes;
    shapes[0].name = u"box";
    shapes[1].name = u"two words";
    shapes[2].name = u"1st";
    shapes[3].name = u"twin";
    shapes[4].name = u"twin";
    const QString svg = QString::fromUtf8(files::toSvg(d));
    EXPECT_TRUE(svg.contains(QStringLiteral("id=\"box\"")));
    EXPECT_TRUE(svg.contains(QStringLiteral("inkscape:label=\"two words\"")));
    EXPECT_TRUE(svg.contains(QStringLiteral("inkscape:label=\"1st\"")));
    EXPECT_FALSE(svg.contains(QStringLiteral("id=\"twin\"")));
    const auto back = roundTrip(d).pages.at(0).layers.at(0).shapes;
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(back.at(i).name, shapes[i].name);
}

QImage onWhite(const model::Page& page, double dpi) {
    render::RenderOptions o;
    o.background = render::Background::White;
    return render::renderImage(page, dpi, dpi, o).convertToFormat(QImage::Format_RGB32);
}

// Share of pixels whose colours differ by more than `tolerance` in a channel.
double differing(const QImage& a, const QImage& b, int tolerance) {
    EXPECT_EQ(a.size(), b.size());
    if (a.size() != b.size())
        return 1;
    long count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > tolerance ||
                std::abs(qGreen(p) - qGreen(q)) > tolerance ||
                std::abs(qBlue(p) - qBlue(q)) > tolerance)
                ++count;
        }
    return double(count) / (a.width() * a.height());
}

// Share of pixels that are not white: guards against comparing blanks.
double inked(const QImage& a) {
    long count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            count += a.pixel(x, y) != qRgb(255, 255, 255);
    return double(count) / (a.width() * a.height());
}

TEST(SvgExportTest, OpenedAndSavedSvgDrawsTheSame) {
    // A drawing as other programs write it.
    const QByteArray source = R"svg(<?xml version="1.0"?>
<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink"
     xmlns:inkscape="http://www.inkscape.org/namespaces/inkscape"
     width="120mm" height="80mm" viewBox="0 0 480 320">
  <style>.soft { fill: #ffd8a0; stroke: #804000; stroke-width: 3 }</style>
  <defs>
    <linearGradient id="sky" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#3060ff"/><stop offset="1" stop-color="#e0f0ff"/>
    </linearGradient>
    <radialGradient id="sun" cx="0.4" cy="0.4" r="0.6">
      <stop offset="0" stop-color="yellow"/><stop offset="1" stop-color="orange"/>
    </radialGradient>
    <clipPath id="porthole"><circle cx="400" cy="240" r="50"/></clipPath>
  </defs>
  <g inkscape:groupmode="layer" inkscape:label="Sky">
    <rect width="480" height="200" fill="url(#sky)"/>
    <circle cx="390" cy="70" r="40" fill="url(#sun)"/>
  </g>
  <g inkscape:groupmode="layer" inkscape:label="Land" transform="translate(0,10)">
    <path class="soft" d="M0 200 Q120 120 240 200 T480 200 V310 H0 Z"/>
    <path d="M20 300 c20 -40 60 -40 80 0 s60 40 80 0" fill="none" stroke="#006000"
          stroke-width="6" stroke-dasharray="12 6" stroke-linecap="round"/>
    <path d="M200 250 a40 20 30 1 1 80 0 z" fill="#a0ffa0" stroke="black"/>
    <g transform="rotate(-15 120 260) scale(1.2)">
      <rect x="80" y="200" width="60" height="40" rx="8" fill="#c04040" stroke="#400000"
            stroke-width="2" stroke-linejoin="round"/>
      <polygon points="80,200 110,175 140,200" fill="#603020"/>
    </g>
    <ellipse cx="330" cy="280" rx="30" ry="12" transform="skewX(20)" fill="#4080ff"
             style="stroke:#002060;stroke-width:4"/>
    <g clip-path="url(#porthole)">
      <rect x="340" y="180" width="60" height="120" fill="#ff00ff"/>
      <rect x="400" y="180" width="60" height="120" fill="#00c0c0"/>
    </g>
    <polyline points="10,20 60,60 110,20" fill="none" stroke="red" stroke-width="5"
              stroke-linejoin="bevel"/>
    <line x1="150" y1="20" x2="250" y2="60" stroke="#000" stroke-width="4" stroke-linecap="square"/>
  </g>
</svg>)svg";
    QStringList warnings;
    const model::Drawing opened = files::svgFromBytes(source, {}, &warnings);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join('\n').toStdString();
    const model::Drawing reopened = roundTrip(opened, &warnings);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join('\n').toStdString();
    const QImage a = onWhite(opened.pages.at(0), 150), b = onWhite(reopened.pages.at(0), 150);
    EXPECT_GT(inked(a), 0.5);
    EXPECT_LT(differing(a, b, 8), 0.001);
}

TEST(SvgExportTest, SvgViewersDrawTheExportAsTheHostDoes) {
    // QtSvg (an SVG viewer) draws neither clip paths nor text the way the
    // host does, so they are left out here.
    const model::Drawing d = sample(false, false);
    const model::Page& page = d.pages[0];
    const double dpi = 100;
    const QImage host = onWhite(page, dpi);
    QSvgRenderer viewer(files::toSvg(d));
    ASSERT_TRUE(viewer.isValid());
    QImage shown(host.size(), QImage::Format_RGB32);
    shown.fill(Qt::white);
    {
        QPainter p(&shown);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        viewer.render(&p, QRectF(QPointF(0, 0), QSizeF(shown.size())));
    }
    EXPECT_GT(inked(host), 0.1);
    // Edges differ by anti-aliasing; no area does.
    EXPECT_LT(differing(host, shown, 60), 0.01);
}

TEST(SvgExportTest, SavingIsAtomicAndFailuresAreClear) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("page.svg"));
    const model::Drawing d = sample();
    files::saveSvg(d, path);
    QStringList warnings;
    const model::Drawing loaded = files::loadSvg(path, &warnings);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join('\n').toStdString();
    EXPECT_EQ(loaded.pages.at(0).layers.size(), d.pages[0].layers.size());

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    model::Drawing broken = d;
    broken.pages[0].layers[0].shapes[0].x = std::nan("");
    EXPECT_THROW(files::saveSvg(broken, path), files::SvgError);
    model::Drawing badPixels = d;
    badPixels.pages[0].layers[1].shapes[3].children[1].bitmap.pixels.bytes.pop_back();
    EXPECT_THROW(files::saveSvg(badPixels, path), files::SvgError);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("page.svg")});

    try {
        files::saveSvg(d, dir.filePath(QStringLiteral("missing/page.svg")));
        ADD_FAILURE() << "no error";
    } catch (const files::SvgError& e) {
        EXPECT_THAT(e.what(), HasSubstr("missing/page.svg"));
    }
    EXPECT_THROW(files::toSvg(d, 99), files::SvgError);
}

} // namespace
} // namespace mosvik::host::test
