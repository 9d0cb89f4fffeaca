// SVG import: elements, path data, transforms, units, style, layers, names,
// images, gradients, the QR tool's files and broken input.
#include "host/files/SvgImport.h"
#include "host/Application.h"
#include "host/files/SvgSyntax.h"
#include "host/render/Renderer.h"

#include <QBuffer>
#include <QImage>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

namespace mosvik::host::test {
namespace {

using files::svgFromBytes;
using ::testing::HasSubstr;

constexpr double eps = 1e-9;
constexpr double mmPerPx = 25.4 / 96;

// A page of 100 x 50 mm with one user unit per millimetre: page y is
// 50 minus SVG y.
QByteArray page(const std::string& body, const std::string& root = {}) {
    const std::string attrs =
        root.empty() ? R"svg(width="100mm" height="50mm" viewBox="0 0 100 50")svg" : root;
    return QByteArray::fromStdString(
        R"svg(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" )svg"
        R"svg(xmlns:inkscape="http://www.inkscape.org/namespaces/inkscape" )svg" +
        attrs + ">" + body + "</svg>");
}

std::vector<model::Shape> shapesOf(const model::Drawing& d) {
    std::vector<model::Shape> out;
    for (const model::Layer& l : d.pages.at(0).layers)
        out.insert(out.end(), l.shapes.begin(), l.shapes.end());
    return out;
}

model::Shape only(const QByteArray& svg, QStringList* warnings = nullptr) {
    const auto shapes = shapesOf(svgFromBytes(svg, {}, warnings));
    EXPECT_EQ(shapes.size(), 1u);
    return shapes.empty() ? model::Shape{} : shapes.front();
}

void expectBox(const std::optional<model::Box>& b, model::Box want, double tol = eps) {
    ASSERT_TRUE(b);
    EXPECT_NEAR(b->x, want.x, tol);
    EXPECT_NEAR(b->y, want.y, tol);
    EXPECT_NEAR(b->width, want.width, tol);
    EXPECT_NEAR(b->height, want.height, tol);
}

model::Color rgbOf(const char* hex) {
    const QColor c(QString::fromLatin1(hex));
    return model::rgb(c.red(), c.green(), c.blue());
}

QByteArray pngDataUri(const QImage& img) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "PNG");
    return "data:image/png;base64," + png.toBase64();
}

struct ElementCase {
    const char* label;
    const char* body;
    int32_t type;
    model::Box box; // on the page, millimetres, y up
};

TEST(SvgImportTest, EachElementKindLandsMirroredOnThePage) {
    const ElementCase cases[] = {
        {"rect",
         R"svg(<rect x="10" y="5" width="20" height="10"/>)svg",
         com::ShapeRectangle,
         {10, 35, 20, 10}},
        {"circle", R"svg(<circle cx="50" cy="25" r="5"/>)svg", com::ShapeEllipse, {45, 20, 10, 10}},
        {"ellipse",
         R"svg(<ellipse cx="20" cy="10" rx="8" ry="4"/>)svg",
         com::ShapeEllipse,
         {12, 36, 16, 8}},
        {"line",
         R"svg(<line x1="0" y1="0" x2="10" y2="20" stroke="black"/>)svg",
         com::ShapeCurve,
         {0, 30, 10, 20}},
        {"polyline",
         R"svg(<polyline points="0,0 10,0 10,10"/>)svg",
         com::ShapeCurve,
         {0, 40, 10, 10}},
        {"polygon",
         R"svg(<polygon points="5 5, 15 5 15 15"/>)svg",
         com::ShapeCurve,
         {5, 35, 10, 10}},
        {"path", R"svg(<path d="M10 10 h10 v10 H10 z"/>)svg", com::ShapeCurve, {10, 30, 10, 10}},
        {"rect in mm inside px",
         R"svg(<rect x="1" y="1" width="2" height="2"/>)svg",
         com::ShapeRectangle,
         {1, 47, 2, 2}},
    };
    for (const ElementCase& c : cases) {
        SCOPED_TRACE(c.label);
        const model::Shape s = only(page(c.body));
        EXPECT_EQ(s.type, c.type);
        EXPECT_TRUE(s.matrix.isIdentity());
        expectBox(model::bounds(s), c.box);
    }
}

TEST(SvgImportTest, ShapeDetailsCarryOver) {
    const model::Shape rounded = only(page(R"svg(<rect width="20" height="10" rx="2"/>)svg"));
    EXPECT_EQ(rounded.corners, (model::Corners{2, 2, 2, 2}));
    // A radius larger than half the side is cut to it.
    EXPECT_EQ(only(page(R"svg(<rect width="10" height="10" ry="8"/>)svg")).corners,
              (model::Corners{5, 5, 5, 5}));
    // Elliptic corners have no rectangle in the drawing: the outline comes.
    const model::Shape elliptic =
        only(page(R"svg(<rect width="20" height="10" rx="4" ry="2"/>)svg"));
    EXPECT_EQ(elliptic.type, com::ShapeCurve);
    expectBox(model::bounds(elliptic), {0, 40, 20, 10});

    const model::Shape polyline = only(page(R"svg(<polyline points="0,0 10,0 10,10"/>)svg"));
    ASSERT_EQ(polyline.paths.size(), 1u);
    EXPECT_FALSE(polyline.paths[0].closed);
    EXPECT_TRUE(only(page(R"svg(<polygon points="0,0 10,0 10,10"/>)svg")).paths[0].closed);

    // A line is never filled, even where the fill says so.
    EXPECT_EQ(only(page(R"svg(<line x2="10" fill="red" stroke="red"/>)svg")).fill.type,
              com::FillNone);

    // Inkscape's arcs stay ellipses: clockwise on the screen from start
    // to end is counter-clockwise on the page from -end to -start.
    const model::Shape arc = only(
        page(R"svg(<path xmlns:sodipodi="http://sodipodi.sourceforge.net/DTD/sodipodi-0.dtd" )svg"
             R"svg(sodipodi:type="arc" sodipodi:cx="50" sodipodi:cy="25" sodipodi:rx="10" )svg"
             R"svg(sodipodi:ry="5" sodipodi:start="0" sodipodi:end="1.5707963267948966" )svg"
             R"svg(sodipodi:open="true" d="M 60,25 A 10,5 0 0 1 50,30"/>)svg"));
    EXPECT_EQ(arc.type, com::ShapeEllipse);
    EXPECT_EQ(arc.arcs.kind, model::EllipseArc);
    EXPECT_NEAR(arc.arcs.startAngle, 270, 1e-9);
    EXPECT_NEAR(arc.arcs.endAngle, 0, 1e-9);
    expectBox(model::localBox(arc), {40, 20, 20, 10});
}

struct PathCase {
    const char* d;
    std::vector<model::Node> nodes; // of the first subpath, SVG coordinates
    bool closed;
};

TEST(SvgImportTest, PathDataCommands) {
    using model::cubicTo;
    using model::lineTo;
    using model::moveTo;
    const PathCase cases[] = {
        {"M1 2 L3 4 l1 1 H10 h-1 V0 v2 Z",
         {moveTo(1, 2), lineTo(3, 4), lineTo(4, 5), lineTo(10, 5), lineTo(9, 5), lineTo(9, 0),
          lineTo(9, 2)},
         true},
        {"m1 1 2 0 0 2z", {moveTo(1, 1), lineTo(3, 1), lineTo(3, 3)}, true},
        {"M0 0 C1 1 2 1 3 0 S5 -1 6 0",
         {moveTo(0, 0), cubicTo(1, 1, 2, 1, 3, 0), cubicTo(4, -1, 5, -1, 6, 0)},
         false},
        {"M0,0c1,1 2,1 3,0s2-1 3,0",
         {moveTo(0, 0), cubicTo(1, 1, 2, 1, 3, 0), cubicTo(4, -1, 5, -1, 6, 0)},
         false},
        // S after a line has no control to mirror: the current point is it.
        {"M0 0 L3 0 S5 1 6 0", {moveTo(0, 0), lineTo(3, 0), cubicTo(3, 0, 5, 1, 6, 0)}, false},
        {"M0 0 Q3 3 6 0 T12 0",
         {moveTo(0, 0), cubicTo(2, 2, 4, 2, 6, 0), cubicTo(8, -2, 10, -2, 12, 0)},
         false},
        {"M0 0 q3 3 6 0 t6 0",
         {moveTo(0, 0), cubicTo(2, 2, 4, 2, 6, 0), cubicTo(8, -2, 10, -2, 12, 0)},
         false},
        {"M.5.5L-1e1-2", {moveTo(0.5, 0.5), lineTo(-10, -2)}, false},
        {"M0 0 A0 5 0 0 1 10 0", {moveTo(0, 0), lineTo(10, 0)}, false},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.d);
        std::string error;
        const auto paths = files::svg::parsePathData(c.d, &error);
        EXPECT_EQ(error, "");
        ASSERT_FALSE(paths.empty());
        ASSERT_EQ(paths[0].nodes.size(), c.nodes.size());
        for (size_t i = 0; i < c.nodes.size(); ++i) {
            const model::Node &got = paths[0].nodes[i], &want = c.nodes[i];
            EXPECT_EQ(got.type, want.type) << "node " << i;
            for (auto [g, w] : {std::pair{got.x, want.x},
                                {got.y, want.y},
                                {got.c1x, want.c1x},
                                {got.c1y, want.c1y},
                                {got.c2x, want.c2x},
                                {got.c2y, want.c2y}})
                EXPECT_NEAR(g, w, 1e-12) << "node " << i;
        }
        EXPECT_EQ(paths[0].closed, c.closed);
    }
}

TEST(SvgImportTest, ArcsBecomeCubicsOnTheRightSide) {
    struct ArcCase {
        const char* d;
        model::Box box; // SVG coordinates (y down)
    };
    const ArcCase cases[] = {
        // Sweep 1 is clockwise on the screen: from left to right over the top.
        {"M0 0 A5 5 0 0 1 10 0", {0, -5, 10, 5}},
        {"M0 0 A5 5 0 0 0 10 0", {0, 0, 10, 5}},
        // Radii too small grow until the ends fit.
        {"M0 0 A1 1 0 0 1 10 0", {0, -5, 10, 5}},
        // The large arc of the two through the ends: round the far side.
        {"M0 5 A5 5 0 1 1 5 0", {-5, -5, 10, 10}},
        // Flags packed without separators, relative end point.
        {"M0,0a5,5 0 01 10,0", {0, -5, 10, 5}},
        // Rotated ellipse: a half ellipse turned by 90 degrees.
        {"M0 0 A10 5 90 0 1 0 20", {0, 0, 5, 20}},
    };
    for (const ArcCase& c : cases) {
        SCOPED_TRACE(c.d);
        std::string error;
        const auto paths = files::svg::parsePathData(c.d, &error);
        EXPECT_EQ(error, "");
        expectBox(model::bounds(model::curve(paths)), c.box, 1e-6);
        EXPECT_EQ(paths.back().nodes.back().type, model::NodeCubic);
    }
}

TEST(SvgImportTest, BrokenPathDataKeepsWhatCameBefore) {
    struct BrokenCase {
        const char* d;
        size_t nodes;    // of the first subpath kept
        const char* why; // part of the error
    };
    const BrokenCase cases[] = {
        {"M0 0 L10 10 L20", 2, "missing number"},
        {"M0 0 L10 10 X5 5", 2, "unknown command 'X'"},
        {"L10 10", 0, "must start with a moveto"},
        {"M0 0 L10 10 Z 5 5", 2, "expected a command"},
        {"M0 0 A5 5 0 2 1 10 0", 1, "missing number"},
        {"M0 0 L1e999 0", 1, "missing number"},
    };
    for (const BrokenCase& c : cases) {
        SCOPED_TRACE(c.d);
        std::string error;
        const auto paths = files::svg::parsePathData(c.d, &error);
        EXPECT_THAT(error, HasSubstr(c.why));
        EXPECT_THAT(error, HasSubstr("at character"));
        EXPECT_EQ(paths.empty() ? 0 : paths[0].nodes.size(), c.nodes);
    }
}

TEST(SvgImportTest, TransformsBecomeMatricesSeenThroughTheMirror) {
    struct TransformCase {
        const char* transform;
        model::Box box; // of a 10 x 10 square at the SVG origin, on the page
    };
    const TransformCase cases[] = {
        {"translate(5,5)", {5, 35, 10, 10}},
        {"translate(5)", {5, 40, 10, 10}},
        {"scale(2)", {0, 30, 20, 20}},
        {"scale(2 0.5)", {0, 45, 20, 5}},
        {"rotate(90)", {-10, 40, 10, 10}},
        {"rotate(90, 5, 5)", {0, 40, 10, 10}},
        {"rotate(-45 0 0)",
         {0, 50 - 10 / std::sqrt(2.0), 10 * std::sqrt(2.0), 10 * std::sqrt(2.0)}},
        {"matrix(1 0 0 1 3 4)", {3, 36, 10, 10}},
        {"skewX(45)", {0, 40, 20, 10}},
        {"skewY(45)", {0, 30, 10, 20}},
        {"translate(10) scale(2)", {10, 30, 20, 20}},
        {"scale(2),translate(10)", {20, 30, 20, 20}},
    };
    for (const TransformCase& c : cases) {
        SCOPED_TRACE(c.transform);
        const std::string body = std::string(R"svg(<rect width="10" height="10" transform=")svg") +
                                 c.transform + R"svg("/>)svg";
        const model::Shape s = only(page(body));
        // The box stays the square's; the matrix places it.
        expectBox(model::localBox(s), {0, 40, 10, 10});
        expectBox(model::bounds(s), c.box, 1e-9);
    }
    // Group transforms go to the group; members keep theirs.
    const model::Shape g = only(page(
        R"svg(<g transform="translate(10,0)"><rect width="10" height="10" transform="scale(2)"/></g>)svg"));
    ASSERT_EQ(g.type, com::ShapeGroup);
    EXPECT_EQ(g.matrix, model::translation(10, 0));
    ASSERT_EQ(g.children.size(), 1u);
    expectBox(model::bounds(g), {10, 30, 20, 20});
    // The identity stays exact.
    EXPECT_TRUE(only(page(R"svg(<rect width="1" height="1" transform="translate(0 0)"/>)svg"))
                    .matrix.isIdentity());
}

TEST(SvgImportTest, UnitsAndViewBoxSizeThePage) {
    struct UnitCase {
        const char* root;
        double pageWidth, pageHeight;
        model::Box rect; // of <rect x=10 y=10 width=10 height=10>
    };
    const double in = 25.4;
    const UnitCase cases[] = {
        {R"svg(width="100mm" height="50mm" viewBox="0 0 100 50")svg", 100, 50, {10, 30, 10, 10}},
        {R"svg(width="200mm" height="100mm" viewBox="0 0 100 50")svg", 200, 100, {20, 60, 20, 20}},
        {R"svg(width="10cm" height="5cm" viewBox="0 0 100 50")svg", 100, 50, {10, 30, 10, 10}},
        {R"svg(viewBox="0 0 96 48")svg",
         in,
         in / 2,
         {10 * mmPerPx, in / 2 - 20 * mmPerPx, 10 * mmPerPx, 10 * mmPerPx}},
        {R"svg(width="1in" height="0.5in")svg",
         in,
         in / 2,
         {10 * mmPerPx, in / 2 - 20 * mmPerPx, 10 * mmPerPx, 10 * mmPerPx}},
        {R"svg(width="96px" height="48")svg",
         in,
         in / 2,
         {10 * mmPerPx, in / 2 - 20 * mmPerPx, 10 * mmPerPx, 10 * mmPerPx}},
        {R"svg(width="72pt" height="6pc" viewBox="0 0 100 100")svg",
         in,
         in,
         {in / 10, in - in / 5, in / 10, in / 10}},
        {R"svg(width="100mm" height="50mm" viewBox="10 10 100 50")svg", 100, 50, {0, 40, 10, 10}},
        // Only one side: the other follows the viewBox.
        {R"svg(width="200mm" viewBox="0 0 100 50")svg", 200, 100, {20, 60, 20, 20}},
        // Different proportions: uniform scale, centred (xMidYMid meet).
        {R"svg(width="100mm" height="100mm" viewBox="0 0 100 50")svg", 100, 100, {10, 55, 10, 10}},
        {R"svg(width="100mm" height="100mm" viewBox="0 0 100 50" preserveAspectRatio="xMinYMin")svg",
         100,
         100,
         {10, 80, 10, 10}},
        {R"svg(width="100mm" height="100mm" viewBox="0 0 100 50" preserveAspectRatio="none")svg",
         100,
         100,
         {10, 60, 10, 20}},
    };
    for (const UnitCase& c : cases) {
        SCOPED_TRACE(c.root);
        const model::Drawing d =
            svgFromBytes(page(R"svg(<rect x="10" y="10" width="10" height="10"/>)svg", c.root));
        EXPECT_NEAR(d.pages[0].width, c.pageWidth, eps);
        EXPECT_NEAR(d.pages[0].height, c.pageHeight, eps);
        expectBox(model::bounds(shapesOf(d).at(0)), c.rect);
    }
    // Units on the elements themselves: in user units of 1 px.
    const model::Shape s =
        only(page(R"svg(<rect x="1in" y="0" width="25.4mm" height="2.54cm"/>)svg",
                  R"svg(width="2in" height="1in")svg"));
    expectBox(model::bounds(s), {25.4, 0, 25.4, 25.4});
}

TEST(SvgImportTest, StyleAttributeBeatsStyleSheetBeatsPresentationAttributes) {
    const model::Drawing d = svgFromBytes(page(R"svg(
        <style>.green { fill: #00ff00 } #blue { stroke: #0000ff } rect.wide { stroke-width: 4 }</style>
        <g fill="#ff0000" stroke="#000000" stroke-width="2" stroke-dasharray="4 2"
           stroke-linecap="round" stroke-linejoin="bevel">
          <rect id="inherited" width="1" height="1"/>
          <rect id="attribute" fill="#123456" width="1" height="1"/>
          <rect id="sheet" class="green" fill="#123456" width="1" height="1"/>
          <rect id="style" class="green" style="fill:#abcdef" fill="#123456" width="1" height="1"/>
          <rect id="blue" class="wide" width="1" height="1"/>
          <rect id="none" fill="none" stroke="none" width="1" height="1"/>
          <rect id="named" style="fill: Olive; stroke: rgb(20%, 40%, 60%)" width="1" height="1"/>
          <rect id="current" color="#00ffff" fill="currentColor" width="1" height="1"/>
          <rect id="invisible" fill-opacity="0" stroke-opacity="0" width="1" height="1"/>
        </g>)svg"));
    struct StyleCase {
        std::u16string name;
        model::Fill fill;
        model::Color stroke;
        double width;
    };
    const model::Fill none;
    const StyleCase cases[] = {
        {u"inherited", model::uniform(rgbOf("#ff0000")), rgbOf("#000000"), 2},
        {u"attribute", model::uniform(rgbOf("#123456")), rgbOf("#000000"), 2},
        {u"sheet", model::uniform(rgbOf("#00ff00")), rgbOf("#000000"), 2},
        {u"style", model::uniform(rgbOf("#abcdef")), rgbOf("#000000"), 2},
        {u"blue", model::uniform(rgbOf("#ff0000")), rgbOf("#0000ff"), 4},
        {u"none", none, model::Color{}, 0},
        {u"named", model::uniform(model::rgb(128, 128, 0)), model::rgb(51, 102, 153), 2},
        {u"current", model::uniform(rgbOf("#00ffff")), rgbOf("#000000"), 2},
        {u"invisible", none, model::Color{}, 0},
    };
    const model::Shape g = shapesOf(d).at(0);
    ASSERT_EQ(g.children.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const StyleCase& c = cases[i];
        const model::Shape& s = g.children[i];
        SCOPED_TRACE(QString::fromStdU16String(c.name).toStdString());
        EXPECT_EQ(s.name, c.name);
        EXPECT_EQ(s.fill, c.fill);
        EXPECT_EQ(s.outline.color, c.stroke);
        EXPECT_DOUBLE_EQ(s.outline.width, c.width);
        if (c.width > 0) {
            // Dashes in outline widths; caps and joins come along.
            EXPECT_EQ(s.outline.dashes, (std::vector<double>{4 / c.width, 2 / c.width}));
            EXPECT_EQ(s.outline.cap, model::CapRound);
            EXPECT_EQ(s.outline.join, model::JoinBevel);
        }
    }
}

TEST(SvgImportTest, StrokeWidthsFollowTheScaleOfTransformsAndUnits) {
    // 2 user units under scale(3) in a file at 2 mm per user unit: 12 mm.
    const model::Shape s = only(page(
        R"svg(<g transform="scale(3)"><rect width="1" height="1" stroke="red" stroke-width="2"/></g>)svg",
        R"svg(width="200mm" height="100mm" viewBox="0 0 100 50")svg"));
    EXPECT_DOUBLE_EQ(s.children.at(0).outline.width, 12);
    // Without a stroke nothing is outlined, whatever its width.
    EXPECT_EQ(only(page(R"svg(<rect width="1" height="1" stroke-width="5"/>)svg")).outline.width,
              0);
}

TEST(SvgImportTest, ColoursParse) {
    for (const char* red : {"#f00", "#FF0000", "rgb(255,0,0)", "rgb( 100% , 0%, 0% )", "red",
                            " Red ", "rgb(255 0 0)", "rgba(255,0,0,0.5)", "#ff0000ff"}) {
        SCOPED_TRACE(red);
        const auto c = files::svg::parseColor(red);
        ASSERT_TRUE(c);
        EXPECT_EQ(c->rgb(), QColor(255, 0, 0).rgb());
    }
    for (const char* bad : {"#ff", "#gg0000", "rgb(1,2)", "rgb(a,b,c)", "nocolour", "", "12"})
        EXPECT_FALSE(files::svg::parseColor(bad)) << bad;
}

TEST(SvgImportTest, InkscapeLayersBecomeLayersAndIdsBecomeNames) {
    const model::Drawing d = svgFromBytes(page(R"svg(
        <title>Cover</title>
        <rect id="loose" width="1" height="1"/>
        <g inkscape:groupmode="layer" inkscape:label="Background" id="layer1">
          <rect id="sky" width="1" height="1"/>
          <g id="house"><rect inkscape:label="Front door" id="rect12" width="1" height="1"/></g>
        </g>
        <g inkscape:groupmode="layer" inkscape:label="Notes" style="display:none"
           transform="translate(5,0)">
          <circle r="1"/>
        </g>
        <g id="plain"><rect width="1" height="1"/></g>)svg"));
    const model::Page& p = d.pages.at(0);
    EXPECT_EQ(p.name, u"Cover");
    ASSERT_EQ(p.layers.size(), 4u);
    EXPECT_EQ(p.layers[0].name, u"Layer 1");
    EXPECT_EQ(p.layers[0].shapes.at(0).name, u"loose");
    EXPECT_EQ(p.layers[1].name, u"Background");
    ASSERT_EQ(p.layers[1].shapes.size(), 2u);
    EXPECT_EQ(p.layers[1].shapes[0].name, u"sky");
    EXPECT_EQ(p.layers[1].shapes[1].type, com::ShapeGroup);
    EXPECT_EQ(p.layers[1].shapes[1].name, u"house");
    EXPECT_EQ(p.layers[1].shapes[1].children.at(0).name, u"Front door");
    EXPECT_EQ(p.layers[2].name, u"Notes");
    EXPECT_FALSE(p.layers[2].visible);
    // A layer's transform goes to its shapes.
    EXPECT_EQ(p.layers[2].shapes.at(0).matrix, model::translation(5, 0));
    EXPECT_EQ(p.layers[3].shapes.at(0).type, com::ShapeGroup);
    EXPECT_TRUE(p.layers[1].visible);

    // Opening it as a document gives every entity an id.
    Application app;
    const auto doc = app.openDocument(u"cover.svg", d);
    const model::Drawing opened = app.drawing(doc);
    EXPECT_NE(opened.pages[0].layers[1].shapes[1].children[0].id, 0u);
    EXPECT_NE(opened.activePage, 0u);
}

TEST(SvgImportTest, HiddenElementsAreLeftOut) {
    const auto shapes = shapesOf(svgFromBytes(page(R"svg(
        <rect display="none" width="1" height="1"/>
        <rect style="visibility:hidden" width="1" height="1"/>
        <rect opacity="0" width="1" height="1"/>
        <defs><rect id="template" width="2" height="2"/></defs>
        <use xlink:href="#template" x="10" y="5" id="copy"/>)svg")));
    ASSERT_EQ(shapes.size(), 1u);
    EXPECT_EQ(shapes[0].name, u"copy");
    expectBox(model::bounds(shapes[0]), {10, 43, 2, 2});
}

TEST(SvgImportTest, TextTakesFontPositionAndLines) {
    const model::Shape t = only(page(
        R"svg(<text x="10" y="20" font-family="'DejaVu Sans', sans-serif" font-size="12pt" )svg"
        R"svg(font-weight="bold" font-style="italic" text-decoration="underline" fill="#0000ff">)svg"
        R"svg(  Hello   <tspan x="10" y="20">world</tspan>)svg"
        R"svg(<tspan x="10" y="35">second</tspan></text>)svg"));
    EXPECT_EQ(t.type, com::ShapeText);
    EXPECT_EQ(t.text.text, u"Hello world\nsecond");
    EXPECT_EQ(t.text.font, u"DejaVu Sans");
    // 12 pt in a file of one millimetre per user unit: 12 * 96 / 72 mm.
    EXPECT_NEAR(t.text.size, 12.0 * 96 / 72 * 72 / 25.4, 1e-9);
    EXPECT_TRUE(t.text.bold);
    EXPECT_TRUE(t.text.italic);
    EXPECT_TRUE(t.text.underline);
    EXPECT_EQ(t.fill, model::uniform(model::rgb(0, 0, 255)));
    EXPECT_NEAR(t.x, 10, 1e-9);
    // The box is the text's extent, its top above the first baseline.
    const QSizeF extent = render::textExtent(t.text);
    EXPECT_NEAR(t.width, extent.width(), 1e-9);
    EXPECT_NEAR(t.height, extent.height(), 1e-9);
    EXPECT_GT(t.y + t.height, 30);

    // Anchors move the box; xml:space keeps spaces.
    const model::Shape end = only(page(R"svg(<text x="50" y="20" text-anchor="end">ab</text>)svg"));
    EXPECT_NEAR(end.x + end.width, 50, 1e-9);
    EXPECT_EQ(only(page(R"svg(<text xml:space="preserve">  a  b </text>)svg")).text.text,
              u"  a  b ");
}

TEST(SvgImportTest, DataUriImagesBringTheirPixels) {
    QImage img(3, 2, QImage::Format_RGB888);
    const QRgb colours[] = {qRgb(255, 0, 0),  qRgb(0, 255, 0),    qRgb(0, 0, 255),
                            qRgb(10, 20, 30), qRgb(200, 100, 50), qRgb(0, 0, 0)};
    for (int i = 0; i < 6; ++i)
        img.setPixel(i % 3, i / 3, colours[i]);
    const std::string uri = pngDataUri(img).toStdString();
    const model::Shape b = only(page(R"svg(<image x="10" y="5" width="30" height="20" )svg"
                                     R"svg(preserveAspectRatio="none" xlink:href=")svg" +
                                     uri + R"svg("/>)svg"));
    EXPECT_EQ(b.type, com::ShapeBitmap);
    expectBox(model::bounds(b), {10, 25, 30, 20});
    EXPECT_EQ(b.bitmap.pixels, render::fromQImage(img));
    EXPECT_NEAR(b.bitmap.resolutionX, 3 / (30 / 25.4), 1e-9);
    EXPECT_NEAR(b.bitmap.resolutionY, 2 / (20 / 25.4), 1e-9);

    // Kept proportions (the default): fitted and centred in the box.
    const model::Shape fitted =
        only(page(R"svg(<image width="30" height="30" href=")svg" + uri + R"svg("/>)svg"));
    expectBox(model::bounds(fitted), {0, 50 - 25, 30, 20});
}

TEST(SvgImportTest, GradientsBecomeFountains) {
    const model::Drawing d = svgFromBytes(page(R"svg(
        <defs>
          <linearGradient id="base"><stop offset="0" stop-color="#ff0000"/>
            <stop offset="100%" style="stop-color:#0000ff"/></linearGradient>
          <linearGradient id="down" xlink:href="#base" x1="0" y1="0" x2="0" y2="1"/>
          <radialGradient id="spot" xlink:href="#base" gradientUnits="userSpaceOnUse"
                          cx="20" cy="10" r="5"/>
          <linearGradient id="single"><stop stop-color="#00ff00"/></linearGradient>
        </defs>
        <rect width="40" height="20" fill="url(#down)" stroke="url(#base)"/>
        <rect width="40" height="20" fill="url(#spot)"/>
        <rect width="40" height="20" fill="url(#single)"/>
        <rect width="40" height="20" fill="url(#nothing) #ffff00"/>)svg"));
    const auto shapes = shapesOf(d);
    ASSERT_EQ(shapes.size(), 4u);
    const std::vector<model::ColorStop> stops = {{0, rgbOf("#ff0000")}, {1, rgbOf("#0000ff")}};
    const model::Fill& down = shapes[0].fill;
    ASSERT_EQ(down.type, com::FillFountain);
    EXPECT_EQ(down.fountain.kind, model::FountainLinear);
    EXPECT_EQ(down.fountain.stops, stops);
    // Top to bottom of the box: y up runs from 1 to 0.
    EXPECT_DOUBLE_EQ(down.fountain.startY, 1);
    EXPECT_DOUBLE_EQ(down.fountain.endY, 0);
    // An outline has one colour: the gradient's first.
    EXPECT_EQ(shapes[0].outline.color, rgbOf("#ff0000"));

    const model::Fountain& spot = shapes[1].fill.fountain;
    EXPECT_EQ(spot.kind, model::FountainRadial);
    EXPECT_DOUBLE_EQ(spot.startX, 0.5);
    EXPECT_DOUBLE_EQ(spot.startY, 0.5);
    EXPECT_DOUBLE_EQ((spot.endX - spot.startX) * 40, 5);
    EXPECT_EQ(shapes[2].fill, model::uniform(rgbOf("#00ff00")));
    EXPECT_EQ(shapes[3].fill, model::uniform(rgbOf("#ffff00")));
}

TEST(SvgImportTest, ClipPathsBecomePowerClips) {
    const model::Shape c = only(page(R"svg(
        <clipPath id="window"><circle cx="20" cy="20" r="10"/></clipPath>
        <g id="scene" clip-path="url(#window)" transform="translate(5,0)">
          <rect width="40" height="40" fill="red"/><rect width="5" height="5" fill="blue"/>
        </g>)svg"));
    EXPECT_EQ(c.type, com::ShapeEllipse);
    EXPECT_EQ(c.name, u"scene");
    EXPECT_EQ(c.fill.type, com::FillNone);
    EXPECT_EQ(c.outline.width, 0);
    ASSERT_EQ(c.powerClip.size(), 2u);
    expectBox(model::bounds(c), {15, 20, 20, 20});
    // The contents are where they were.
    expectBox(model::bounds(c.powerClip[0]), {0, 10, 40, 40});
}

// What the QR tool writes: an SVG 1.1 doctype naming an external DTD,
// CR LF lines, 5 x 5 squares turned by rotate(90) into negative x.
TEST(SvgImportTest, QrToolFilesOpen) {
    const int n = 29;
    const std::vector<std::pair<int, int>> dark = {{4, 4}, {4, 5}, {10, 20}};
    std::string svg = "<?xml version=\"1.0\" standalone=\"no\"?>\r\n"
                      "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" "
                      "\"http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd\">\r\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.2\" "
                      "baseProfile=\"tiny\" viewBox=\"0 0 250 250\" "
                      "viewport-fill=\"rgb(255,255,255)\" viewport-fill-opacity=\"1\" "
                      "fill=\"rgb(0,0,0)\" fill-opacity=\"1\" "
                      "style=\"background-color:rgb(255,255,255);background-color:rgba(0);\">"
                      "\r\n<g transform=\"rotate(90)\">\r\n";
    for (auto [r, c] : dark)
        svg += "<rect x=\"" + std::to_string(5 * r) + "\" y=\"" + std::to_string(5 * (n - c)) +
               "\" width=\"5\" height=\"5\"/>\r\n";
    svg += "</g>\r\n</svg>\r\n";
    QStringList warnings;
    const model::Drawing d = svgFromBytes(QByteArray::fromStdString(svg), {}, &warnings);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join('\n').toStdString();
    const model::Page& p = d.pages.at(0);
    EXPECT_NEAR(p.width, 250 * mmPerPx, eps);
    EXPECT_NEAR(p.height, 250 * mmPerPx, eps);
    const model::Shape g = shapesOf(d).at(0);
    ASSERT_EQ(g.children.size(), dark.size());
    for (size_t i = 0; i < dark.size(); ++i) {
        const auto [r, c] = dark[i];
        const model::Shape& m = g.children[i];
        EXPECT_EQ(m.fill, model::uniform(model::rgb(0, 0, 0)));
        // Module (r, c) covers x 5 (c - n - 1) .. 5 (c - n), y 5 r .. 5 r + 5.
        model::Shape placed = m;
        placed.matrix = m.matrix.then(g.matrix);
        expectBox(model::bounds(placed),
                  {5.0 * (c - n - 1) * mmPerPx, p.height - (5.0 * r + 5) * mmPerPx, 5 * mmPerPx,
                   5 * mmPerPx},
                  1e-9);
    }
}

struct BrokenInput {
    const char* label;
    std::string svg;
    const char* error;   // part of the error; null: opens with warnings
    const char* warning; // part of the first warning
    size_t shapes;       // that open
};

TEST(SvgImportTest, BrokenInputGivesAClearErrorOrWarnings) {
    const std::string rect = R"svg(<rect width="1" height="1"/>)svg";
    const BrokenInput cases[] = {
        {"not XML", "<svg><rect></svg>", "not XML", nullptr, 0},
        {"empty", "", "not XML", nullptr, 0},
        {"binary", std::string("\x89PNG\r\n\x1a\n\0\0", 10), "not XML", nullptr, 0},
        {"other root", "<html xmlns='http://www.w3.org/1999/xhtml'/>", "not <svg>", nullptr, 0},
        {"bad viewBox", page(rect, R"svg(viewBox="0 0 -1 5")svg").toStdString(), "bad viewBox",
         nullptr, 0},
        {"bad width", page(rect, R"svg(width="wide" height="5")svg").toStdString(), "bad width",
         nullptr, 0},
        {"bad path", page(R"svg(<path d="M0 0 L10 10 L"/>)svg" + rect).toStdString(), nullptr,
         "path data: bad or missing number", 2},
        {"no path", page(R"svg(<path d="Q"/>)svg" + rect).toStdString(), nullptr, "path data", 1},
        {"bad number", page(R"svg(<rect width="1x" height="1"/>)svg" + rect).toStdString(), nullptr,
         "bad width '1x'", 1},
        {"huge number", page(R"svg(<rect width="1e999" height="1"/>)svg" + rect).toStdString(),
         nullptr, "bad width", 1},
        {"bad transform",
         page(R"svg(<rect transform="rotate(" width="1" height="1"/>)svg" + rect).toStdString(),
         nullptr, "bad transform", 1},
        {"unknown element", page("<blink>hi</blink><foreignObject/>" + rect).toStdString(), nullptr,
         "<blink>: element not supported", 1},
        {"use of nothing", page(R"svg(<use href="#nowhere"/>)svg" + rect).toStdString(), nullptr,
         "refers to nothing", 1},
        {"use of itself", page(R"svg(<use id="me" href="#me"/>)svg" + rect).toStdString(), nullptr,
         "references nest too deep", 1},
        {"paint of nothing",
         page(R"svg(<rect fill="url(#nowhere)" width="1" height="1"/>)svg").toStdString(), nullptr,
         "refers to nothing", 1},
        {"bad colour", page(R"svg(<rect fill="#12" width="1" height="1"/>)svg").toStdString(),
         nullptr, "ignored fill '#12'", 1},
        {"broken image",
         page(R"svg(<image width="1" height="1" href="data:image/png;base64,AAAA"/>)svg" + rect)
             .toStdString(),
         nullptr, "cannot be read", 1},
        {"image file without folder",
         page(R"svg(<image width="1" height="1" href="a.png"/>)svg" + rect).toStdString(), nullptr,
         "refers to a file", 1},
        {"odd points", page(R"svg(<polyline points="0 0 1 1 2"/>)svg").toStdString(), nullptr,
         "odd number of coordinates", 1},
    };
    for (const BrokenInput& c : cases) {
        SCOPED_TRACE(c.label);
        QStringList warnings;
        if (c.error) {
            try {
                svgFromBytes(QByteArray::fromStdString(c.svg), QStringLiteral("in.svg"), &warnings);
                ADD_FAILURE() << "no error";
            } catch (const files::SvgError& e) {
                EXPECT_THAT(e.what(), HasSubstr(c.error));
                EXPECT_THAT(e.what(), HasSubstr("in.svg:"));
            }
            continue;
        }
        const model::Drawing d =
            svgFromBytes(QByteArray::fromStdString(c.svg), QStringLiteral("in.svg"), &warnings);
        EXPECT_EQ(shapesOf(d).size(), c.shapes);
        ASSERT_FALSE(warnings.isEmpty());
        EXPECT_THAT(warnings[0].toStdString(), HasSubstr(c.warning));
        // Where: the source and the line.
        EXPECT_TRUE(warnings[0].startsWith(QStringLiteral("in.svg:1: <")))
            << warnings[0].toStdString();
    }
}

TEST(SvgImportTest, ExternalEntitiesAreNotRead) {
    const QByteArray svg = "<?xml version='1.0'?><!DOCTYPE svg [<!ENTITY secret SYSTEM "
                           "'file:///etc/hostname'>]><svg xmlns='http://www.w3.org/2000/svg'>"
                           "<text>&secret;</text></svg>";
    QStringList warnings;
    model::Drawing d;
    try {
        d = svgFromBytes(svg, {}, &warnings);
    } catch (const files::SvgError&) {
        return; // refusing the file is as good
    }
    for (const model::Shape& s : shapesOf(d))
        EXPECT_TRUE(s.text.text.empty()) << QString::fromStdU16String(s.text.text).toStdString();
}

TEST(SvgImportTest, MissingFileIsAnError) {
    EXPECT_THROW(files::loadSvg(QStringLiteral("/nonexistent/drawing.svg")), files::SvgError);
}

} // namespace
} // namespace mosvik::host::test
