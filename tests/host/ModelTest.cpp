// The plain-data model and the undo stack on their own.
#include "Drawings.h"

#include "host/Model.h"
#include "host/UndoStack.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace mosvik::host::test {
namespace {

model::Shape withId(model::Id id) {
    model::Shape s;
    s.id = id;
    return s;
}

model::Drawing drawingWithWidth(double width) {
    model::Drawing d;
    d.pages.push_back(model::Page{1, u"Page 1", width, 297, {}, 0, 0, 0});
    return d;
}

TEST(ModelTest, GroupBoundsUniteNestedMembers) {
    auto inner = model::group({model::shape(com::ShapeRectangle, 10, 10, 5, 5),
                               model::shape(com::ShapeEllipse, -2, 12, 1, 1)});
    auto outer = model::group({inner, model::shape(com::ShapeText, 0, 30, 4, 2)});
    auto box = model::bounds(outer);
    ASSERT_TRUE(box);
    EXPECT_DOUBLE_EQ(box->x, -2);
    EXPECT_DOUBLE_EQ(box->y, 10);
    EXPECT_DOUBLE_EQ(box->width, 17);
    EXPECT_DOUBLE_EQ(box->height, 22);
    EXPECT_FALSE(model::bounds(model::group({})));
}

TEST(ModelTest, PageShapesRunFrontFirstAcrossLayers) {
    model::Page page;
    page.layers = {model::Layer{1, u"back", {}, true}, model::Layer{2, u"front", {}, true}};
    for (model::Id id : {10, 11})
        page.layers[0].shapes.push_back(withId(id));
    page.layers[1].shapes.push_back(withId(20));
    EXPECT_EQ(model::pageShapesFrontFirst(page), (std::vector<model::Id>{20, 11, 10}));
}

TEST(ModelTest, LocateFindsShapesInsideGroups) {
    model::Drawing d = drawingWithWidth(100);
    auto g = model::group({withId(7), withId(8)});
    g.id = 6;
    d.pages[0].layers.push_back(model::Layer{2, u"Layer 1", {g}, true});
    auto loc = model::locate(d, 8);
    ASSERT_TRUE(loc);
    EXPECT_EQ(loc->index, 1u);
    EXPECT_EQ(loc->layer->id, 2u);
    EXPECT_FALSE(model::locate(d, 99));
}

void expectBox(const std::optional<model::Box>& box, model::Box want, const std::string& what) {
    ASSERT_TRUE(box) << what;
    EXPECT_NEAR(box->x, want.x, 1e-9) << what;
    EXPECT_NEAR(box->y, want.y, 1e-9) << what;
    EXPECT_NEAR(box->width, want.width, 1e-9) << what;
    EXPECT_NEAR(box->height, want.height, 1e-9) << what;
}

TEST(ModelTest, BoundsFollowTheTransformedGeometry) {
    using namespace model;
    const double r2 = std::sqrt(2.0) / 2;
    auto rotated = [](Shape s, double degrees) {
        s.matrix = rotation(degrees);
        return s;
    };
    auto ellipse = [](double x, double y, double w, double h, int32_t kind, double from,
                      double to) {
        Shape s = shape(com::ShapeEllipse, x, y, w, h);
        s.arcs = EllipseArcs{kind, from, to};
        return s;
    };
    Shape roundSquare = shape(com::ShapeRectangle, 0, 0, 10, 10);
    roundSquare.corners = Corners{5, 5, 50, 5}; // 50 counts as 5: a circle
    Shape scaledGroup = group({shape(com::ShapeRectangle, 1, 1, 1, 1)});
    scaledGroup.matrix = scaling(2, 3);
    Shape container = shape(com::ShapeRectangle, 0, 0, 4, 4);
    container.powerClip = {shape(com::ShapeRectangle, -100, -100, 300, 300)};
    Shape rotatedMember = group({rotated(shape(com::ShapeRectangle, 0, 0, 2, 1), 90)});
    rotatedMember.matrix = translation(10, 0);

    const struct {
        const char* what;
        Shape shape;
        Box box;
    } cases[] = {
        {"rectangle turned a quarter",
         rotated(shape(com::ShapeRectangle, 0, 0, 10, 20), 90),
         {-20, 0, 20, 10}},
        {"moved text",
         [] {
             Shape s = shape(com::ShapeText, 1, 2, 3, 4);
             s.matrix = translation(5, 7);
             return s;
         }(),
         {6, 9, 3, 4}},
        {"ellipse turned a quarter",
         rotated(shape(com::ShapeEllipse, 0, 0, 4, 2), 90),
         {-2, 0, 2, 4}},
        {"ellipse turned an eighth",
         rotated(shape(com::ShapeEllipse, -1, -1, 2, 2), 45),
         {-1, -1, 2, 2}},
        {"quarter pie", ellipse(0, 0, 2, 2, EllipsePie, 0, 90), {1, 1, 1, 1}},
        {"arc over the top",
         ellipse(0, 0, 2, 2, EllipseArc, 45, 135),
         {1 - r2, 1 + r2, 2 * r2, 1 - r2}},
        {"arc through angle 0", ellipse(0, 0, 2, 2, EllipseArc, 270, 90), {1, 0, 1, 2}},
        {"rounded square turned an eighth", rotated(roundSquare, 45), {-5, 10 * r2 - 5, 10, 10}},
        {"cubic bulge",
         curve({Subpath{{moveTo(0, 0), cubicTo(0, 10, 10, 10, 10, 0)}, false}}),
         {0, 0, 10, 7.5}},
        {"curve made from a box", shape(com::ShapeCurve, 1, 2, 3, 4), {1, 2, 3, 4}},
        {"scaled group", scaledGroup, {2, 3, 2, 3}},
        {"matrices compose", rotatedMember, {9, 0, 1, 2}},
        {"PowerClip contents do not count", container, {0, 0, 4, 4}},
    };
    for (const auto& c : cases)
        expectBox(model::bounds(c.shape), c.box, c.what);
    EXPECT_FALSE(model::bounds(model::curve({})));
}

TEST(ModelTest, MoveShiftsEveryKindOfShapeByExactlyTheOffset) {
    using namespace model;
    Shape turned = shape(com::ShapeRectangle, 1, 1, 4, 2);
    turned.matrix = rotation(30);
    Shape container = shape(com::ShapeEllipse, 0, 0, 10, 10);
    container.powerClip = {turned, curve({polyline({{0, 0}, {3, 4}}, false)})};
    Shape turnedContainer = container;
    turnedContainer.matrix = rotation(-60);
    Shape nested = group({turned, container});

    for (const Shape& original : {shape(com::ShapeRectangle, 1, 2, 3, 4), turned,
                                  curve({Subpath{{moveTo(0, 0), cubicTo(1, 2, 3, 4, 5, 0)}, true}}),
                                  container, turnedContainer, nested}) {
        Shape moved = original;
        model::move(moved, 2.5, -1.25);
        const Box before = *model::bounds(original);
        expectBox(model::bounds(moved),
                  {before.x + 2.5, before.y - 1.25, before.width, before.height},
                  "type " + std::to_string(original.type));
        for (size_t i = 0; i < original.powerClip.size(); ++i) {
            // Contents stay where they are on the container.
            Shape content = original.powerClip[i];
            content.matrix = content.matrix.then(original.matrix);
            Shape movedContent = moved.powerClip[i];
            movedContent.matrix = movedContent.matrix.then(moved.matrix);
            const Box was = *model::bounds(content);
            expectBox(model::bounds(movedContent),
                      {was.x + 2.5, was.y - 1.25, was.width, was.height}, "content");
        }
    }
    // An untransformed shape keeps its box meaning.
    Shape plain = shape(com::ShapeRectangle, 1, 2, 3, 4);
    model::move(plain, 1, 1);
    EXPECT_EQ(plain.x, 2);
    EXPECT_EQ(plain.y, 3);
    EXPECT_TRUE(plain.matrix.isIdentity());
}

TEST(ModelTest, PowerClipContentsAreFoundAndCounted) {
    model::Drawing d = richDrawing();
    const model::Shape& container = d.pages[0].layers[1].shapes[2];
    ASSERT_FALSE(container.powerClip.empty());
    const model::Id bitmapInside = container.powerClip[1].id;
    const model::Id deepInside = container.powerClip[0].children[1].id;

    const auto ids = model::idsWithin(container);
    for (model::Id id : {container.id, bitmapInside, deepInside})
        EXPECT_NE(std::find(ids.begin(), ids.end(), id), ids.end()) << id;
    auto loc = model::locate(d, deepInside);
    ASSERT_TRUE(loc);
    EXPECT_EQ(loc->index, 1u);
    EXPECT_EQ(loc->siblings, &d.pages[0].layers[1].shapes[2].powerClip[0].children);
    EXPECT_EQ(model::findShape(d, bitmapInside)->type, com::ShapeBitmap);
}

TEST(ModelTest, CopiesAreDeepAndEqualityWeighsEveryField) {
    const model::Drawing original = richDrawing();
    using Change = std::function<void(model::Drawing&)>;
    auto shapeAt = [](model::Drawing& d, size_t layer, size_t index) -> model::Shape& {
        return d.pages[0].layers[layer].shapes[index];
    };
    const std::vector<std::pair<const char*, Change>> changes = {
        {"matrix",
         [&](auto& d) {
             shapeAt(d, 0, 1).matrix.m21 += 1e-12;
         }},
        {"corner",
         [&](auto& d) {
             shapeAt(d, 0, 0).corners.upperLeft = 0.5;
         }},
        {"arc",
         [&](auto& d) {
             shapeAt(d, 0, 1).arcs.kind = model::EllipseArc;
         }},
        {"dash",
         [&](auto& d) {
             shapeAt(d, 0, 0).outline.dashes.push_back(1);
         }},
        {"cap",
         [&](auto& d) {
             shapeAt(d, 0, 0).outline.cap = model::CapSquare;
         }},
        {"stop colour",
         [&](auto& d) {
             shapeAt(d, 0, 1).fill.fountain.stops[1].color.values[0] = 127;
         }},
        {"fountain end",
         [&](auto& d) {
             shapeAt(d, 0, 1).fill.fountain.endY = 0.9;
         }},
        {"colour name",
         [&](auto& d) {
             shapeAt(d, 0, 0).outline.color.name.clear();
         }},
        {"node control",
         [&](auto& d) {
             shapeAt(d, 1, 0).children[1].paths[0].nodes[1].c2x = 2.5;
         }},
        {"subpath closed",
         [&](auto& d) {
             shapeAt(d, 1, 0).children[1].paths[1].closed = false;
         }},
        {"text underline",
         [&](auto& d) {
             shapeAt(d, 1, 1).text.underline = false;
         }},
        {"font",
         [&](auto& d) {
             shapeAt(d, 1, 1).text.font = u"Liberation Serif";
         }},
        {"pixel byte",
         [&](auto& d) {
             shapeAt(d, 1, 2).powerClip[1].bitmap.pixels.bytes[5]++;
         }},
        {"resolution",
         [&](auto& d) {
             shapeAt(d, 1, 2).powerClip[1].bitmap.resolutionY = 300;
         }},
        {"image mode",
         [&](auto& d) {
             shapeAt(d, 1, 3).bitmap.imageMode = model::ImageRGB;
         }},
        {"content",
         [&](auto& d) {
             shapeAt(d, 1, 2).powerClip[0].children[0].width = 1;
         }},
        {"layer visible",
         [&](auto& d) {
             d.pages[0].layers[0].visible = true;
         }},
        {"page position",
         [&](auto& d) {
             d.pages[1].x = 0;
         }},
    };
    for (const auto& [what, change] : changes) {
        model::Drawing copy = original;
        ASSERT_EQ(copy, original);
        change(copy);
        EXPECT_NE(copy, original) << what;
        EXPECT_EQ(original, richDrawing()) << what << " reached the original";
    }
}

TEST(UndoStackTest, NestedGroupsMakeOneStepNamedAfterTheOutermost) {
    UndoStack stack;
    model::Drawing current = drawingWithWidth(100);
    const model::Drawing original = current;
    stack.beginGroup(u"outer", current);
    stack.beginGroup(u"inner", current);
    stack.recordChange(u"width", current);
    current.pages[0].width = 50;
    EXPECT_TRUE(stack.endGroup());
    EXPECT_TRUE(stack.undoNames().empty());
    EXPECT_TRUE(stack.endGroup());
    EXPECT_FALSE(stack.endGroup());
    EXPECT_EQ(stack.undoNames(), std::vector<std::u16string>{u"outer"});

    EXPECT_EQ(stack.undo(5, current), 1);
    EXPECT_EQ(current, original);
    EXPECT_EQ(stack.redo(1, current), 1);
    EXPECT_EQ(current.pages[0].width, 50);
}

TEST(UndoStackTest, EmptyGroupMakesNoStepAndNewChangeDropsRedo) {
    UndoStack stack;
    model::Drawing current = drawingWithWidth(100);
    stack.beginGroup(u"nothing", current);
    stack.endGroup();
    EXPECT_TRUE(stack.undoNames().empty());

    stack.recordChange(u"a", current);
    stack.recordChange(u"b", current);
    stack.undo(1, current);
    EXPECT_EQ(stack.redoNames(), std::vector<std::u16string>{u"b"});
    stack.recordChange(u"c", current);
    EXPECT_TRUE(stack.redoNames().empty());
    EXPECT_EQ(stack.undoNames(), (std::vector<std::u16string>{u"c", u"a"}));
}

} // namespace
} // namespace mosvik::host::test
