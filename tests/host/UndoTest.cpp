// Command groups as undo steps, and undo and redo restoring exactly.
#include "HostFixture.h"

namespace mosvik::host::test {
namespace {

using namespace com;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

class UndoTest : public HostTest {
protected:
    void SetUp() override {
        id = app.newDocument();
        rect = app.addShape(id, model::shape(ShapeRectangle, 0, 0, 10, 20));
        app.addShape(id, model::shape(ShapeEllipse, 30, 0, 10, 10));
        app.setSelection(id, {rect});
        doc = activeDocument();
        page = activePage();
    }

    DocumentId id = 0;
    model::Id rect = 0;
    ComPtr<IVGDocument> doc;
    ComPtr<IVGPage> page;
};

TEST_F(UndoTest, NestedCommandGroupsUndoAsOneStepAndRedoExactly) {
    const model::Drawing before = app.drawing(id);
    host_ops::beginCommandGroup(doc.get(), u"页面适配");
    check(page, page->put_SizeWidth(40));
    host_ops::beginCommandGroup(doc.get(), u"inner");
    check(page, page->put_SizeHeight(20));
    app.deleteShape(id, rect);
    host_ops::endCommandGroup(doc.get());
    EXPECT_EQ(app.openGroupDepth(id), 1);
    auto shapes = host_ops::pageShapes(page.get());
    ComPtr<IVGShapeRange> all;
    check(shapes, shapes->All(all.put()));
    ComPtr<IVGShape> group;
    check(all, all->Group(group.put()));
    host_ops::endCommandGroup(doc.get());

    EXPECT_EQ(app.openGroupDepth(id), 0);
    EXPECT_THAT(app.undoSteps(id), ElementsAre(u"页面适配", u"Create", u"Create"));
    const model::Drawing after = app.drawing(id);

    host_ops::undo(doc.get(), 1);
    EXPECT_EQ(app.drawing(id), before); // pages, shapes, ids and selection
    EXPECT_THAT(app.redoSteps(id), ElementsAre(u"页面适配"));
    host_ops::redo(doc.get(), 1);
    EXPECT_EQ(app.drawing(id), after);
}

TEST_F(UndoTest, EachChangeOutsideAGroupIsAStepAndANewChangeDropsRedo) {
    check(page, page->put_SizeWidth(100));
    check(page, page->put_SizeHeight(100));
    EXPECT_THAT(app.undoSteps(id),
                ElementsAre(u"Page height", u"Page width", u"Create", u"Create"));
    host_ops::undo(doc.get(), 2);
    EXPECT_EQ(app.redoSteps(id).size(), 2u);
    EXPECT_DOUBLE_EQ(app.drawing(id).pages[0].width, 210);

    app.addShape(id, model::shape(ShapeText, 1, 1, 1, 1));
    EXPECT_TRUE(app.redoSteps(id).empty());
    EXPECT_EQ(doc->Redo(1), S_OK) << "nothing to redo is no failure";
}

TEST_F(UndoTest, UndoingMoreStepsThanThereAreUndoesAll) {
    host_ops::undo(doc.get(), 10);
    EXPECT_TRUE(app.drawing(id).pages[0].layers[0].shapes.empty());
    EXPECT_TRUE(app.drawing(id).selection.empty());
    host_ops::redo(doc.get(), 10);
    EXPECT_EQ(app.drawing(id).pages[0].layers[0].shapes.size(), 2u);
}

TEST_F(UndoTest, UndoBringsBackTheSelectionOfItsTime) {
    app.deleteShape(id, rect);
    EXPECT_TRUE(app.drawing(id).selection.empty());
    host_ops::undo(doc.get(), 1);
    EXPECT_EQ(app.drawing(id).selection, std::vector<model::Id>{rect});
    VARIANT_BOOL selected = VARIANT_FALSE;
    check(pageShape(2), pageShape(2)->get_Selected(&selected));
    EXPECT_EQ(selected, VARIANT_TRUE);
}

TEST_F(UndoTest, UndoKeepsTheShownPageWhileItExists) {
    app.addPage(id);
    app.addPage(id);
    ComPtr<IVGPages> pages;
    check(doc, doc->get_Pages(pages.put()));
    ComPtr<IVGPage> page3;
    check(pages, pages->get_Item(3, page3.put()));
    check(page3, page3->Activate());
    check(page, page->put_SizeWidth(99));

    host_ops::undo(doc.get(), 1); // the width: page 3 stays shown
    EXPECT_EQ(app.drawing(id).activePage, app.drawing(id).pages[2].id);
    host_ops::undo(doc.get(), 1); // page 3 itself: the page shown back then
    EXPECT_EQ(app.drawing(id).activePage, app.drawing(id).pages[0].id);
}

TEST_F(UndoTest, GroupMisuseFailsWithAClearText) {
    EXPECT_THAT(hostErrorOf([&] { host_ops::endCommandGroup(doc.get()); }),
                HasSubstr("IVGDocument.EndCommandGroup: no command group is open"));
    host_ops::beginCommandGroup(doc.get(), u"open");
    EXPECT_THAT(hostErrorOf([&] { host_ops::undo(doc.get(), 1); }),
                HasSubstr("a command group is open"));
    host_ops::endCommandGroup(doc.get());
    EXPECT_EQ(app.undoSteps(id).size(), 2u) << "a group without changes makes no step";
}

} // namespace
} // namespace mosvik::host::test
