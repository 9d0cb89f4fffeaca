// Page fit, super undo and super redo against the stand-in host: what they
// do to the drawing and its undo history, and what they leave behind when a
// host call fails half-way.
#include "FormFixture.h"

#include "framework/AllCommand.h"

#include "core/host/HostOps.h"

#include <cmath>

using namespace mosvik;
using namespace mosvik::test;
using host::model::Box;
using host::model::Drawing;
using host::model::Page;
using host::model::Shape;

namespace {

constexpr double Tolerance = 1e-6;

const Page& activePageOf(const Drawing& d) {
    const Page* page = host::model::findPage(d, d.activePage);
    if (!page)
        throw std::logic_error("the drawing has no active page");
    return *page;
}

// The page's shapes as the user sees them, back to front across layers.
std::vector<Shape> shapesOn(const Page& page) {
    std::vector<Shape> shapes;
    for (const auto& layer : page.layers)
        shapes.insert(shapes.end(), layer.shapes.begin(), layer.shapes.end());
    return shapes;
}

Box boxOf(const std::vector<Shape>& shapes) {
    std::optional<Box> box;
    for (const Shape& s : shapes)
        box = host::model::unite(box, host::model::bounds(s));
    return box.value_or(Box{});
}

class DirectCommandsTest : public HostTest {
protected:
    TfAllCommand* newCommandWindow() {
        return TTBaseForm::create<TfAllCommand>(&owner, host.com());
    }
    void useUnit(host::DocumentId doc, int32_t unit) {
        host_ops::setUnit(host.documentObject(doc).get(), unit);
    }

    QWidget owner;
};

TEST_F(DirectCommandsTest, PageFitMakesThePageTheShapesBoxAndCoversItWithThem) {
    using host::model::shape;
    struct Case {
        const char* what;
        std::vector<Shape> shapes;
        std::vector<size_t> selected; // indexes into shapes
        int version;
        int32_t unit;
    };
    const std::vector<Shape> one = {shape(com::ShapeRectangle, 30, 40, 50, 20)};
    const std::vector<Shape> several = {shape(com::ShapeRectangle, -30, 250, 40, 30),
                                        shape(com::ShapeEllipse, 100, 20, 25, 60),
                                        shape(com::ShapeCurve, 60, 300, 10, 10)};
    const std::vector<Shape> oneGroup = {host::model::group(
        {shape(com::ShapeRectangle, 5, 5, 10, 10), shape(com::ShapeEllipse, 40, 60, 20, 8)})};
    const Case cases[] = {
        {"one shape, mm", one, {}, 18, com::UnitMillimetres},
        {"one shape, px", one, {0}, 14, com::UnitPixels},
        {"several, mm", several, {}, 14, com::UnitMillimetres},
        {"several, px", several, {}, 18, com::UnitPixels},
        {"several, one selected", several, {1}, 16, com::UnitMillimetres},
        {"several, all selected, px", several, {0, 1, 2}, 15, com::UnitPixels},
        {"one existing group", oneGroup, {}, 17, com::UnitMillimetres},
    };
    auto* window = newCommandWindow();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host.setVersion(c.version);
        const host::DocumentId doc = host.newDocument();
        std::vector<host::model::Id> ids;
        for (const Shape& s : c.shapes)
            ids.push_back(host.addShape(doc, s));
        std::vector<host::model::Id> selection;
        for (size_t i : c.selected)
            selection.push_back(ids[i]);
        host.setSelection(doc, selection);
        useUnit(doc, c.unit);
        const Drawing before = host.drawing(doc);
        const auto shapesBefore = shapesOn(activePageOf(before));
        const Box boxBefore = boxOf(shapesBefore);
        const size_t steps = host.undoSteps(doc).size();
        const int groups = host.faults().calls("IVGShapeRange.Group");
        const int refreshes = host.refreshCount();

        window->PageAdaptation();

        const Drawing after = host.drawing(doc);
        const Page& page = activePageOf(after);
        EXPECT_NEAR(page.width, boxBefore.width, Tolerance);
        EXPECT_NEAR(page.height, boxBefore.height, Tolerance);
        // Same shapes, same identities, nothing left grouped or ungrouped,
        // each moved by the same amount onto the page.
        const auto shapesAfter = shapesOn(page);
        ASSERT_EQ(shapesAfter.size(), shapesBefore.size());
        for (size_t i = 0; i < shapesAfter.size(); ++i) {
            EXPECT_EQ(shapesAfter[i].id, shapesBefore[i].id);
            EXPECT_EQ(shapesAfter[i].type, shapesBefore[i].type);
            EXPECT_EQ(shapesAfter[i].children.size(), shapesBefore[i].children.size());
            const Box from = *host::model::bounds(shapesBefore[i]);
            const Box to = *host::model::bounds(shapesAfter[i]);
            EXPECT_NEAR(to.x - from.x, -boxBefore.x, Tolerance);
            EXPECT_NEAR(to.y - from.y, -boxBefore.y, Tolerance);
            EXPECT_NEAR(to.width, from.width, Tolerance);
        }
        const Box boxAfter = boxOf(shapesAfter);
        EXPECT_NEAR(boxAfter.x, 0, Tolerance);
        EXPECT_NEAR(boxAfter.y, 0, Tolerance);
        EXPECT_EQ(host.faults().calls("IVGShapeRange.Group") - groups, c.shapes.size() > 1 ? 1 : 0);

        ASSERT_EQ(host.undoSteps(doc).size(), steps + 1);
        EXPECT_EQ(host.undoSteps(doc).front(), u"页面适配");
        EXPECT_EQ(host.openGroupDepth(doc), 0);
        EXPECT_FALSE(host.optimization());
        EXPECT_EQ(host.refreshCount(), refreshes + 1);

        // One step takes all of it back, and brings all of it again.
        window->SuperUndo();
        EXPECT_EQ(host.drawing(doc), before);
        window->SuperRedo();
        EXPECT_EQ(host.drawing(doc), after);
        EXPECT_TRUE(dialogs.shown().empty());
    }
}

TEST_F(DirectCommandsTest, PageFitLeavesAnEmptyPageAlone) {
    const host::DocumentId doc = newDocument(0);
    const Drawing before = host.drawing(doc);
    const int refreshes = host.refreshCount();
    const int optimisations = host.faults().calls("IVGApplication.put_Optimization");

    newCommandWindow()->PageAdaptation();

    EXPECT_EQ(host.drawing(doc), before);
    EXPECT_TRUE(host.undoSteps(doc).empty());
    EXPECT_EQ(host.refreshCount(), refreshes);
    EXPECT_EQ(host.faults().calls("IVGApplication.put_Optimization"), optimisations);
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(DirectCommandsTest, SuperUndoAndRedoStepWithoutRedrawingAndAddNoStep) {
    const host::DocumentId doc = newDocument(2);
    const Drawing first = host.drawing(doc);
    host.edit(doc, u"移动", [](Drawing& d) { d.pages[0].width = 100; });
    const Drawing second = host.drawing(doc);
    const auto undoSteps = host.undoSteps(doc);
    auto* window = newCommandWindow();

    struct Step {
        void (TfAllCommand::*command)();
        const Drawing& expected;
        size_t undoCount;
        size_t redoCount;
    };
    const Step steps[] = {
        {&TfAllCommand::SuperUndo, first, undoSteps.size() - 1, 1},
        {&TfAllCommand::SuperRedo, second, undoSteps.size(), 0},
    };
    for (const Step& s : steps) {
        const int refreshes = host.refreshCount();
        const int optimisations = host.faults().calls("IVGApplication.put_Optimization");
        const int groups = host.faults().calls("IVGDocument.BeginCommandGroup");

        (window->*s.command)();

        EXPECT_EQ(host.drawing(doc), s.expected);
        EXPECT_EQ(host.undoSteps(doc).size(), s.undoCount);
        EXPECT_EQ(host.redoSteps(doc).size(), s.redoCount);
        EXPECT_EQ(host.faults().calls("IVGDocument.BeginCommandGroup"), groups);
        EXPECT_EQ(host.faults().calls("IVGApplication.put_Optimization"), optimisations + 2);
        EXPECT_FALSE(host.optimization());
        EXPECT_EQ(host.refreshCount(), refreshes + 1);
    }
    EXPECT_EQ(host.undoSteps(doc), undoSteps);
}

TEST_F(DirectCommandsTest, AFailingHostCallAnywhereLeavesTheHostClosedAndRedrawing) {
    struct Case {
        const char* what;
        int shapes;
        void (TfAllCommand::*command)();
        bool undoFirst; // so that there is a step to redo
    };
    const Case cases[] = {
        {"page fit, one shape", 1, &TfAllCommand::PageAdaptation, false},
        {"page fit, several shapes", 3, &TfAllCommand::PageAdaptation, false},
        {"super undo", 2, &TfAllCommand::SuperUndo, false},
        {"super redo", 2, &TfAllCommand::SuperRedo, true},
    };
    auto* window = newCommandWindow();
    auto prepare = [&](const Case& c) {
        const host::DocumentId doc = newDocument(c.shapes);
        if (c.undoFirst)
            host_ops::undo(host.documentObject(doc).get(), 1);
        host_ops::setOptimization(host.com(), false);
        return doc;
    };
    for (const Case& c : cases) {
        // Every host call of a clean run, made to fail in turn.
        prepare(c);
        const uint64_t start = host.faults().calls();
        (window->*c.command)();
        const int callsOfARun = static_cast<int>(host.faults().calls() - start);
        ASSERT_GT(callsOfARun, 3) << c.what;

        for (int n = 1; n <= callsOfARun; ++n) {
            SCOPED_TRACE(testing::Message() << c.what << ", host call " << n);
            const host::DocumentId doc = prepare(c);
            const long references = host.outstandingReferences();
            host.faults().clear();
            const size_t injectedBefore = host.faults().injected().size();
            host.faults().add({"", n - 1, 1, com::E_FAIL, u"注入的故障"});

            try {
                (window->*c.command)();
                ADD_FAILURE() << "the injected failure did not reach the caller";
            } catch (const com::HostError& e) {
                EXPECT_EQ(e.message(), u"注入的故障");
            }
            EXPECT_EQ(host.faults().injected().size(), injectedBefore + 1);
            EXPECT_EQ(host.openGroupDepth(doc), 0);
            EXPECT_FALSE(host.optimization());
            EXPECT_EQ(host.outstandingReferences(), references);
        }
        host.faults().clear();
    }
}

TEST_F(DirectCommandsTest, CommandWindowLooksAsDesignedAndIsNeverShown) {
    auto* window = newCommandWindow();
    EXPECT_EQ(window->windowTitle(), "fAllCommand");
    EXPECT_EQ(window->size(), QSize(403, 227));
    EXPECT_EQ(window->btn1->text(), "btn1");
    newDocument(1);
    window->PageAdaptation();
    EXPECT_FALSE(window->isVisible());
}

} // namespace
