// Documents, pages, layers and shapes as the plug-in reaches them.
#include "HostFixture.h"

#include "host/Units.h"

namespace mosvik::host::test {
namespace {

using namespace com;

double pageWidth(IVGPage* page) {
    double w = 0;
    check(page, page->get_SizeWidth(&w));
    return w;
}

TEST_F(HostTest, NewDocumentIsActiveWithOneA4PageInMillimetres) {
    EXPECT_EQ(host_ops::documentCount(host()), 0);
    ComPtr<IVGDocument> none;
    ASSERT_EQ(host()->get_ActiveDocument(none.put()), S_OK);
    EXPECT_FALSE(none);

    const DocumentId id = app.newDocument(u"Poster");
    EXPECT_EQ(app.activeDocument(), id);
    EXPECT_EQ(host_ops::documentCount(host()), 1);
    auto doc = activeDocument();
    EXPECT_EQ(nameOf(doc.get()), u"Poster");
    int32_t unit = 0;
    check(doc, doc->get_Unit(&unit));
    EXPECT_EQ(unit, UnitMillimetres);

    ComPtr<IVGPages> pages;
    check(doc, doc->get_Pages(pages.put()));
    int32_t count = 0;
    check(pages, pages->get_Count(&count));
    EXPECT_EQ(count, 1);
    auto page = activePage();
    EXPECT_DOUBLE_EQ(pageWidth(page.get()), 210);
    EXPECT_EQ(nameOf(host_ops::activeLayer(host()).get()), u"Layer 1");
}

struct UnitCase {
    int32_t unit;
    double pageWidth; // of a 210 mm page
};

class UnitTest : public HostTest, public ::testing::WithParamInterface<UnitCase> {};

TEST_P(UnitTest, LengthsReadAndWriteInTheDocumentUnit) {
    const DocumentId id = app.newDocument();
    app.addShape(id, model::shape(ShapeRectangle, 25.4, 50.8, 12.7, 2.54));
    auto doc = activeDocument();
    host_ops::setUnit(doc.get(), GetParam().unit);

    auto page = activePage();
    EXPECT_NEAR(pageWidth(page.get()), GetParam().pageWidth, 1e-9);
    auto shape = pageShape(1);
    double x = 0, y = 0, w = 0, h = 0;
    check(shape, shape->get_PositionX(&x));
    check(shape, shape->get_PositionY(&y));
    check(shape, shape->get_SizeWidth(&w));
    check(shape, shape->get_SizeHeight(&h));
    const double perInch = 25.4 / millimetresPer(GetParam().unit);
    EXPECT_NEAR(x, 1.0 * perInch, 1e-9);
    EXPECT_NEAR(y, 2.0 * perInch, 1e-9);
    EXPECT_NEAR(w, 0.5 * perInch, 1e-9);
    EXPECT_NEAR(h, 0.1 * perInch, 1e-9);

    check(page, page->put_SizeWidth(perInch)); // one inch, in the document's unit
    EXPECT_NEAR(app.drawing(id).pages[0].width, 25.4, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Units, UnitTest,
                         ::testing::Values(UnitCase{UnitMillimetres, 210.0},
                                           UnitCase{UnitPixels, 210.0 / 25.4 * 300},
                                           UnitCase{UnitInches, 210.0 / 25.4},
                                           UnitCase{UnitPoints, 210.0 / 25.4 * 72}));

TEST_F(HostTest, ShapesCountFrontFirstAndGroupKeepsTheirPlaces) {
    const DocumentId id = app.newDocument();
    app.addShape(id, model::shape(ShapeRectangle, 0, 0, 10, 10));
    app.addShape(id, model::shape(ShapeEllipse, 20, 5, 10, 10));
    app.addShape(id, model::shape(ShapeText, 5, 30, 4, 2));
    auto page = activePage();
    EXPECT_EQ(host_ops::shapeCount(page.get()), 3);
    int32_t type = 0;
    check(pageShape(1), pageShape(1)->get_Type(&type));
    EXPECT_EQ(type, ShapeText);

    auto shapes = host_ops::pageShapes(page.get());
    ComPtr<IVGShapeRange> all;
    check(shapes, shapes->All(all.put()));
    double w = 0, h = 0;
    check(all, all->get_SizeWidth(&w));
    check(all, all->get_SizeHeight(&h));
    EXPECT_DOUBLE_EQ(w, 30);
    EXPECT_DOUBLE_EQ(h, 32);

    ComPtr<IVGShape> group;
    check(all, all->Group(group.put()));
    EXPECT_EQ(host_ops::shapeCount(page.get()), 1);
    check(group, group->get_Type(&type));
    EXPECT_EQ(type, ShapeGroup);
    ComPtr<IVGShapes> members;
    check(group, group->get_Shapes(members.put()));
    int32_t count = 0;
    check(members, members->get_Count(&count));
    EXPECT_EQ(count, 3);
    const auto layer = app.drawing(id).pages[0].layers[0];
    ASSERT_EQ(layer.shapes.size(), 1u);
    EXPECT_EQ(layer.shapes[0].children[0].type, ShapeRectangle); // back stays back
    EXPECT_DOUBLE_EQ(layer.shapes[0].children[1].x, 20);
    EXPECT_EQ(app.undoSteps(id).front(), u"Group");
}

TEST_F(HostTest, SelectionShapeShowsTheSelectedShapes) {
    const DocumentId id = app.newDocument();
    app.addShape(id, model::shape(ShapeRectangle, 0, 0, 10, 10));
    app.addShape(id, model::shape(ShapeRectangle, 50, 50, 10, 10));
    app.addShape(id, model::shape(ShapeEllipse, 100, 100, 1, 1));
    check(pageShape(3), pageShape(3)->AddToSelection());
    check(pageShape(2), pageShape(2)->AddToSelection());

    auto selection = host_ops::activeSelection(host());
    ComPtr<IVGShapes> selected;
    check(selection, selection->get_Shapes(selected.put()));
    int32_t count = 0;
    check(selected, selected->get_Count(&count));
    EXPECT_EQ(count, 2);
    double w = 0;
    check(selection, selection->get_SizeWidth(&w));
    EXPECT_DOUBLE_EQ(w, 60);
    VARIANT_BOOL isSelected = VARIANT_TRUE;
    check(pageShape(1), pageShape(1)->get_Selected(&isSelected));
    EXPECT_EQ(isSelected, VARIANT_FALSE);
    EXPECT_EQ(app.drawing(id).selection.size(), 2u);
    EXPECT_TRUE(app.undoSteps(id).size() == 3u) << "selecting makes no undo step";
}

TEST_F(HostTest, NewShapesGoToTheActiveLayerOfTheActivePage) {
    const DocumentId id = app.newDocument();
    app.addPage(id, 100, 50);
    auto doc = activeDocument();
    ComPtr<IVGPages> pages;
    check(doc, doc->get_Pages(pages.put()));
    ComPtr<IVGPage> second;
    check(pages, pages->get_Item(2, second.put()));
    check(second, second->Activate());

    app.addShape(id, model::shape(ShapeCurve, 1, 1, 1, 1));
    auto active = activePage();
    int32_t index = 0;
    check(active, active->get_Index(&index));
    EXPECT_EQ(index, 2);
    EXPECT_EQ(host_ops::shapeCount(active.get()), 1);
    EXPECT_DOUBLE_EQ(pageWidth(active.get()), 100);
    ComPtr<IVGPage> first;
    check(pages, pages->get_Item(1, first.put()));
    EXPECT_EQ(host_ops::shapeCount(first.get()), 0);
}

TEST_F(HostTest, BadArgumentsFailWithAStatusAndLeaveTheModel) {
    const DocumentId id = app.newDocument();
    auto doc = activeDocument();
    auto page = activePage();
    ComPtr<IVGPages> pages;
    check(doc, doc->get_Pages(pages.put()));
    ComPtr<IVGPage> none;
    EXPECT_EQ(pages->get_Item(2, none.put()), DISP_E_BADINDEX);
    EXPECT_EQ(doc->put_Unit(42), E_INVALIDARG);
    EXPECT_EQ(page->put_SizeWidth(-1), E_INVALIDARG);
    EXPECT_EQ(doc->Undo(0), E_INVALIDARG);
    EXPECT_THAT(hostErrorOf([&] { check(page, page->put_SizeHeight(0)); }),
                ::testing::HasSubstr("IVGPage.put_SizeHeight: a page side must be a positive"));
    EXPECT_DOUBLE_EQ(app.drawing(id).pages[0].height, 297);
    EXPECT_TRUE(app.undoSteps(id).empty());
}

} // namespace
} // namespace mosvik::host::test
