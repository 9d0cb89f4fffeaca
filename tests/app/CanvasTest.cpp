// Pointer work on the canvas through CanvasController against a real host:
// what the user's clicks and drags select, move, delete and draw, and the
// undo steps and events the host makes of them.
#include "app/window/CanvasController.h"
#include "tests/host/HostFixture.h"

#include <gtest/gtest.h>

namespace mosvik::app {
namespace {

namespace model = host::model;
using host::test::RecordingSink;

class CanvasTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc = app.newDocument(u"画布");
        rect = app.addShape(doc, model::shape(com::ShapeRectangle, 10, 10, 50, 30));
        ellipse = app.addShape(doc, model::shape(com::ShapeEllipse, 100, 100, 40, 40));
        view.setViewSize({1000, 800});
        view.setPageSize({210, 297});
        view.fitPage();
    }

    // A full press-drag-release in page millimetres.
    void drag(QPointF from, QPointF to, bool shift = false) {
        control.press(doc, view.toCanvas(from), shift, view);
        control.drag(view.toCanvas((from + to) / 2), view);
        control.drag(view.toCanvas(to), view);
        control.release(view.toCanvas(to), view);
    }
    void click(QPointF at, bool shift = false) {
        control.press(doc, view.toCanvas(at), shift, view);
        control.release(view.toCanvas(at), view);
    }
    std::vector<model::Id> selection() const { return app.drawing(doc).selection; }
    const model::Shape& shape(const model::Drawing& d, model::Id id) {
        return *model::findShape(d, id);
    }

    host::Application app;
    host::DocumentId doc = 0;
    model::Id rect = 0;
    model::Id ellipse = 0;
    Viewport view;
    CanvasController control{app};
};

TEST_F(CanvasTest, ClicksSelectShiftClicksToggleAndEmptyPaperClears) {
    RecordingSink sink;
    int32_t cookie = 0;
    ASSERT_EQ(app.com()->AdviseEvents(&sink, &cookie), com::S_OK);

    using Ids = std::vector<model::Id>;
    struct Step {
        QPointF at;
        bool shift;
        Ids expected;
    } steps[] = {
        {{30, 20}, false, {rect}},           // click picks
        {{120, 120}, true, {rect, ellipse}}, // shift-click adds
        {{30, 20}, false, {rect, ellipse}},  // a click on a selected shape keeps the rest
        {{30, 20}, true, {ellipse}},         // shift-click on a selected shape drops it
        {{101, 101}, false, {}},             // the ellipse's box corner is empty paper...
        {{180, 250}, false, {}},             // ...and so is this: both clear the selection
        {{120, 120}, false, {ellipse}},
    };
    for (const Step& s : steps) {
        click(s.at, s.shift);
        EXPECT_EQ(selection(), s.expected) << "at " << s.at.x() << "," << s.at.y();
    }
    // The host raised SelectionChange for every change, and the clicks made
    // no undo step.
    const auto ids = sink.dispIds();
    EXPECT_EQ(std::count(ids.begin(), ids.end(), com::EvSelectionChange), 5);
    EXPECT_EQ(app.undoSteps(doc).size(), 2u); // the two "Create" steps
    app.com()->UnadviseEvents(cookie);
}

TEST_F(CanvasTest, RubberBandSelectsWhatItEnclosesAndShiftAddsToIt) {
    drag({5, 5}, {70, 50});
    EXPECT_EQ(selection(), std::vector<model::Id>{rect});
    // Touching the ellipse is not enough.
    drag({90, 90}, {130, 130});
    EXPECT_TRUE(selection().empty());
    drag({5, 5}, {70, 50});
    drag({150, 150}, {95, 95}, /*shift=*/true); // drawn from the opposite corner
    EXPECT_EQ(selection(), (std::vector<model::Id>{rect, ellipse}));
    EXPECT_FALSE(control.rubberBand());
}

TEST_F(CanvasTest, DraggingMovesTheSelectionAsOneUndoStep) {
    app.setSelection(doc, {rect, ellipse});
    const auto stepsBefore = app.undoSteps(doc).size();
    const model::Drawing before = app.drawing(doc);

    // While dragging, the shapes stay and the offset is shown.
    control.press(doc, view.toCanvas({30, 20}), false, view);
    control.drag(view.toCanvas({42.5, 13}), view);
    EXPECT_TRUE(control.moving());
    EXPECT_NEAR(control.moveOffset().x(), 12.5, 1e-9);
    EXPECT_NEAR(control.moveOffset().y(), -7, 1e-9);
    EXPECT_EQ(app.drawing(doc), before);
    control.release(view.toCanvas({42.5, 13}), view);

    const model::Drawing after = app.drawing(doc);
    EXPECT_NEAR(shape(after, rect).x, 22.5, 1e-9);
    EXPECT_NEAR(shape(after, rect).y, 3, 1e-9);
    EXPECT_NEAR(shape(after, ellipse).x, 112.5, 1e-9);
    EXPECT_NEAR(shape(after, ellipse).y, 93, 1e-9);
    EXPECT_EQ(shape(after, rect).width, 50);
    EXPECT_EQ(app.undoSteps(doc).size(), stepsBefore + 1);
    EXPECT_EQ(app.undoSteps(doc).front(), u"移动");
    EXPECT_EQ(after.selection, (std::vector<model::Id>{rect, ellipse}));

    // An unselected shape is picked and moved by one drag.
    click({180, 250});
    drag({132.5, 113}, {132.5, 123});
    EXPECT_EQ(selection(), std::vector<model::Id>{ellipse});
    EXPECT_NEAR(shape(app.drawing(doc), ellipse).y, 103, 1e-9);
    EXPECT_NEAR(shape(app.drawing(doc), rect).y, 3, 1e-9);
    EXPECT_EQ(app.undoSteps(doc).size(), stepsBefore + 2);

    // A wobble below the drag threshold is a click: nothing moves.
    control.press(doc, view.toCanvas({132.5, 123}), false, view);
    control.release(view.toCanvas({132.5, 123}) + QPointF(CanvasController::DragThreshold - 1, 0),
                    view);
    EXPECT_EQ(app.undoSteps(doc).size(), stepsBefore + 2);
}

TEST_F(CanvasTest, GroupMovesOnceWhenAMemberIsSelectedWithIt) {
    model::Id groupId = 0;
    app.edit(doc, u"Group", [&](model::Drawing& d) {
        auto& shapes = d.pages[0].layers[0].shapes;
        auto g = model::group({shapes[0], shapes[1]});
        g.id = groupId = 9999;
        shapes = {g};
    });
    app.setSelection(doc, {groupId, rect});
    ASSERT_TRUE(control.moveSelection(doc, 5, 5));
    EXPECT_DOUBLE_EQ(shape(app.drawing(doc), rect).x, 15);
    EXPECT_DOUBLE_EQ(shape(app.drawing(doc), ellipse).x, 105);
}

TEST_F(CanvasTest, DeleteRemovesTheSelectionAsOneUndoStep) {
    EXPECT_FALSE(control.deleteSelection(doc)); // nothing selected: no step
    const model::Drawing before = app.drawing(doc);
    app.setSelection(doc, {rect, ellipse});
    ASSERT_TRUE(control.deleteSelection(doc));
    const model::Drawing after = app.drawing(doc);
    EXPECT_TRUE(after.pages[0].layers[0].shapes.empty());
    EXPECT_TRUE(after.selection.empty());
    EXPECT_EQ(app.undoSteps(doc).front(), u"删除");
    EXPECT_EQ(app.undoSteps(doc).size(), 3u);

    host_ops::undo(app.documentObject(doc).get(), 1);
    model::Drawing restored = app.drawing(doc);
    EXPECT_EQ(restored.pages, before.pages);
}

TEST_F(CanvasTest, ShapeToolsDrawWhatIsDraggedAndSelectIt) {
    for (Tool tool : {Tool::Rectangle, Tool::Ellipse}) {
        control.setTool(tool);
        drag({150, 40}, {120, 10});
        const model::Drawing d = app.drawing(doc);
        ASSERT_EQ(d.selection.size(), 1u);
        const model::Shape& made = shape(d, d.selection[0]);
        EXPECT_EQ(made.type, tool == Tool::Ellipse ? com::ShapeEllipse : com::ShapeRectangle);
        EXPECT_NEAR(made.x, 120, 1e-9);
        EXPECT_NEAR(made.y, 10, 1e-9);
        EXPECT_NEAR(made.width, 30, 1e-9);
        EXPECT_NEAR(made.height, 30, 1e-9);
    }
    EXPECT_EQ(app.drawing(doc).pages[0].layers[0].shapes.size(), 4u);
}

} // namespace
} // namespace mosvik::app
