// The plain pieces under the window: zoom and scroll maths, hit testing,
// rubber-band enclosure and the status text.
#include "app/window/HitTest.h"
#include "app/window/StatusText.h"
#include "app/window/Viewport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace mosvik::app {
namespace {

namespace model = host::model;

void expectNear(QPointF a, QPointF b, double eps = 1e-9) {
    EXPECT_NEAR(a.x(), b.x(), eps);
    EXPECT_NEAR(a.y(), b.y(), eps);
}

TEST(Viewport, FitPageShowsTheWholePageCentredForAnyShape) {
    struct Case {
        QSizeF view, page;
    } cases[] = {{{800, 600}, {210, 297}},
                 {{800, 600}, {297, 210}},
                 {{300, 900}, {1000, 10}},
                 {{1200, 400}, {5, 5}}};
    for (const Case& c : cases) {
        Viewport v;
        v.setViewSize(c.view);
        v.setPageSize(c.page);
        v.fitPage();
        const QRectF paper = v.toCanvas(QRectF(QPointF(0, 0), c.page));
        SCOPED_TRACE(testing::Message() << c.view.width() << "x" << c.view.height() << " page "
                                        << c.page.width() << "x" << c.page.height());
        EXPECT_GE(paper.left(), 19.999);
        EXPECT_GE(paper.top(), 19.999);
        EXPECT_LE(paper.right(), c.view.width() - 19.999);
        EXPECT_LE(paper.bottom(), c.view.height() - 19.999);
        // One side touches the border: the largest zoom that fits.
        EXPECT_TRUE(std::abs(paper.left() - 20) < 1e-6 || std::abs(paper.top() - 20) < 1e-6);
        expectNear(paper.center(), QPointF(c.view.width() / 2, c.view.height() / 2), 1e-6);
    }
}

TEST(Viewport, PageAndCanvasCoordinatesAreInverseWithYUp) {
    Viewport v;
    v.setViewSize({800, 600});
    v.setPageSize({200, 100});
    v.fitPage();
    // The page's bottom-left corner is below (larger canvas y) its top-left.
    EXPECT_GT(v.toCanvas({0, 0}).y(), v.toCanvas({0, 100}).y());
    for (QPointF p : {QPointF(0, 0), QPointF(200, 100), QPointF(12.5, 77.25), QPointF(-30, 400)})
        expectNear(v.toPage(v.toCanvas(p)), p, 1e-9);
    const QRectF box = v.toCanvas(QRectF(10, 20, 30, 40));
    expectNear(box.topLeft(), v.toCanvas({10, 60}));
    expectNear(box.bottomRight(), v.toCanvas({40, 20}));
}

TEST(Viewport, ZoomKeepsThePointUnderTheAnchorAndStaysInItsLimits) {
    Viewport v;
    v.setViewSize({800, 600});
    v.setPageSize({210, 297});
    v.fitPage();
    const QPointF anchor(300, 250);
    for (double factor : {1.25, 0.8, 3.0, 0.5}) {
        const QPointF under = v.toPage(anchor);
        const double before = v.scale();
        v.zoomBy(factor, anchor);
        EXPECT_NEAR(v.scale(), before * factor, 1e-9);
        expectNear(v.toPage(anchor), under, 1e-9);
    }
    for (int i = 0; i < 100; ++i)
        v.zoomBy(2.0, anchor);
    EXPECT_EQ(v.scale(), Viewport::MaxScale);
    for (int i = 0; i < 100; ++i)
        v.zoomBy(0.5, anchor);
    EXPECT_EQ(v.scale(), Viewport::MinScale);
    v.zoomBy(0.0, anchor); // ignored
    EXPECT_EQ(v.scale(), Viewport::MinScale);
}

TEST(Viewport, ScrollingKeepsPartOfThePageInViewAndMatchesTheScrollBars) {
    Viewport v;
    v.setViewSize({800, 600});
    v.setPageSize({210, 297});
    v.setScale(4.0, {0, 0}); // 840 x 1188 pixels: larger than the view
    v.scrollBy(-1e6, -1e6);
    QRectF paper = v.toCanvas(QRectF(0, 0, 210, 297));
    EXPECT_NEAR(paper.right(), Viewport::Margin, 1e-9);
    EXPECT_NEAR(paper.bottom(), Viewport::Margin, 1e-9);
    EXPECT_EQ(v.horizontal().value, v.horizontal().maximum);
    EXPECT_EQ(v.vertical().value, v.vertical().maximum);
    v.scrollBy(1e6, 1e6);
    paper = v.toCanvas(QRectF(0, 0, 210, 297));
    EXPECT_NEAR(paper.left(), 800 - Viewport::Margin, 1e-9);
    EXPECT_NEAR(paper.top(), 600 - Viewport::Margin, 1e-9);
    EXPECT_EQ(v.horizontal().value, v.horizontal().minimum);
    EXPECT_EQ(v.vertical().value, v.vertical().minimum);

    // A scroll bar value moves the page by exactly that many pixels.
    v.setHorizontalValue(100);
    v.setVerticalValue(250);
    EXPECT_EQ(v.horizontal().value, 100);
    EXPECT_EQ(v.vertical().value, 250);
    EXPECT_NEAR(v.toCanvas({0, 297}).x(), -100, 1e-9);
    EXPECT_NEAR(v.toCanvas({0, 297}).y(), -250, 1e-9);
    EXPECT_EQ(v.horizontal().pageStep, 800);
}

// Back to front: a blue rectangle, an ellipse over it, a group on top.
model::Drawing sampleDrawing() {
    model::Drawing d;
    model::Page page;
    page.id = 1;
    model::Layer layer;
    layer.id = 2;
    auto rect = model::shape(com::ShapeRectangle, 10, 10, 100, 50);
    rect.id = 10;
    auto ellipse = model::shape(com::ShapeEllipse, 60, 20, 40, 40);
    ellipse.id = 11;
    auto a = model::shape(com::ShapeRectangle, 150, 150, 10, 10);
    a.id = 13;
    auto b = model::shape(com::ShapeRectangle, 170, 170, 10, 10);
    b.id = 14;
    auto grp = model::group({a, b});
    grp.id = 12;
    layer.shapes = {rect, ellipse, grp};
    page.layers = {layer};
    page.activeLayer = 2;
    d.pages = {page};
    d.activePage = 1;
    return d;
}

TEST(HitTest, PicksTheFrontMostTopLevelShape) {
    const model::Drawing d = sampleDrawing();
    struct Case {
        QPointF at;
        double tolerance;
        Id expected;
    } cases[] = {
        {{80, 40}, 0, 11},    // inside the ellipse, which is in front of the rectangle
        {{61, 21}, 0, 10},    // the ellipse's box corner is not the ellipse
        {{20, 20}, 0, 10},    // rectangle only
        {{155, 155}, 0, 12},  // a group member picks the group
        {{165, 165}, 0, 0},   // between the members: nothing
        {{5, 5}, 0, 0},       // empty paper
        {{9.5, 30}, 0.6, 10}, // just outside, within tolerance
        {{9.5, 30}, 0.4, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(shapeAt(d, c.at, c.tolerance), c.expected)
            << "at " << c.at.x() << "," << c.at.y() << " tolerance " << c.tolerance;
}

TEST(HitTest, RubberBandTakesOnlyWhatItWhollyEncloses) {
    const model::Drawing d = sampleDrawing();
    EXPECT_EQ(shapesInside(d, QRectF(0, 0, 200, 200)), (std::vector<Id>{12, 11, 10}));
    EXPECT_EQ(shapesInside(d, QRectF(55, 15, 50, 50)), (std::vector<Id>{11}));
    // Drawn from any corner.
    EXPECT_EQ(shapesInside(d, QRectF(105, 65, -50, -50)), (std::vector<Id>{11}));
    // Half of the group is not the group.
    EXPECT_TRUE(shapesInside(d, QRectF(140, 140, 30, 30)).empty());

    const auto box = boundsOf(d, {11, 12});
    ASSERT_TRUE(box);
    EXPECT_DOUBLE_EQ(box->x, 60);
    EXPECT_DOUBLE_EQ(box->y, 20);
    EXPECT_DOUBLE_EQ(box->width, 120);
    EXPECT_DOUBLE_EQ(box->height, 160);
    EXPECT_FALSE(boundsOf(d, {}));
}

TEST(StatusText, SelectionCountAndSizeInTheDocumentUnit) {
    model::Drawing d = sampleDrawing();
    EXPECT_EQ(selectionStatus(d, com::UnitMillimetres), QStringLiteral("未选择对象"));
    d.selection = {10};
    EXPECT_EQ(selectionStatus(d, com::UnitMillimetres),
              QStringLiteral("已选择 1 个对象  宽 100.00 mm  高 50.00 mm"));
    // 100 mm at 300 dpi is 1181.1 pixels.
    EXPECT_EQ(selectionStatus(d, com::UnitPixels),
              QStringLiteral("已选择 1 个对象  宽 1181 px  高 591 px"));
    d.selection = {10, 12};
    EXPECT_EQ(selectionStatus(d, com::UnitMillimetres),
              QStringLiteral("已选择 2 个对象  宽 170.00 mm  高 170.00 mm"));
    EXPECT_EQ(lengthText(25.4, com::UnitInches), QStringLiteral("1.000 in"));
    EXPECT_EQ(lengthText(25.4, com::UnitPoints), QStringLiteral("72.00 pt"));
    EXPECT_EQ(lengthText(1.5, 999), QStringLiteral("1.50 mm")); // unknown unit
}

} // namespace
} // namespace mosvik::app
