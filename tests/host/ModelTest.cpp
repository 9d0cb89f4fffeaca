// The plain-data model and the undo stack on their own.
#include "host/Model.h"
#include "host/UndoStack.h"

#include <gtest/gtest.h>

namespace mosvik::host::test {
namespace {

model::Shape withId(model::Id id) {
    model::Shape s;
    s.id = id;
    return s;
}

model::Drawing drawingWithWidth(double width) {
    model::Drawing d;
    d.pages.push_back(model::Page{1, u"Page 1", width, 297, {}, 0});
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
    page.layers = {model::Layer{1, u"back", {}}, model::Layer{2, u"front", {}}};
    for (model::Id id : {10, 11})
        page.layers[0].shapes.push_back(withId(id));
    page.layers[1].shapes.push_back(withId(20));
    EXPECT_EQ(model::pageShapesFrontFirst(page), (std::vector<model::Id>{20, 11, 10}));
}

TEST(ModelTest, LocateFindsShapesInsideGroups) {
    model::Drawing d = drawingWithWidth(100);
    auto g = model::group({withId(7), withId(8)});
    g.id = 6;
    d.pages[0].layers.push_back(model::Layer{2, u"Layer 1", {g}});
    auto loc = model::locate(d, 8);
    ASSERT_TRUE(loc);
    EXPECT_EQ(loc->index, 1u);
    EXPECT_EQ(loc->layer->id, 2u);
    EXPECT_FALSE(model::locate(d, 99));
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
