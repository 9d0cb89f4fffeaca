// Ungrouping, selecting a range, aligning, and the sequence that fits a page
// to its shapes, all through the automation interfaces.
#include "HostFixture.h"

#include <cmath>

namespace mosvik::host::test {
namespace {

using namespace com;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

model::Shape named(model::Shape s, const char16_t* name) {
    s.name = name;
    return s;
}

class ShapeOpsTest : public HostTest {
protected:
    void SetUp() override {
        id = app.newDocument();
        doc = activeDocument();
        page = activePage();
    }

    ComPtr<IVGShapeRange> allShapes() {
        auto shapes = host_ops::pageShapes(page.get());
        ComPtr<IVGShapeRange> range;
        check(shapes, shapes->All(range.put()));
        return range;
    }
    ComPtr<IVGShapeRange> selectedShapes() {
        auto selection = host_ops::activeSelection(host());
        ComPtr<IVGShapes> shapes;
        check(selection, selection->get_Shapes(shapes.put()));
        ComPtr<IVGShapeRange> range;
        check(shapes, shapes->All(range.put()));
        return range;
    }
    std::vector<std::u16string> namesOf(IVGShapeRange* range) {
        int32_t count = 0;
        check(range, range->get_Count(&count));
        std::vector<std::u16string> names;
        for (int32_t i = 1; i <= count; ++i) {
            ComPtr<IVGShape> s;
            check(range, range->get_Item(i, s.put()));
            names.push_back(nameOf(s.get()));
        }
        return names;
    }
    const model::Layer& layer() {
        current = app.drawing(id);
        return current.pages[0].layers[0];
    }
    model::Box boxOf(model::Id shape) {
        current = app.drawing(id);
        return *model::bounds(*model::findShape(current, shape));
    }
    void setPage(double width, double height) {
        app.edit(id, u"Page", [&](model::Drawing& d) {
            d.pages[0].width = width;
            d.pages[0].height = height;
        });
    }

    DocumentId id = 0;
    ComPtr<IVGDocument> doc;
    ComPtr<IVGPage> page;
    model::Drawing current;
};

TEST_F(ShapeOpsTest, UngroupPutsTheMembersBackInTheGroupsPlace) {
    app.addShape(id, named(model::shape(ShapeRectangle, 0, 0, 5, 5), u"A"));
    const model::Id b = app.addShape(id, named(model::shape(ShapeEllipse, 10, 0, 5, 5), u"B"));
    const model::Id c = app.addShape(id, named(model::shape(ShapeText, 20, 7, 5, 5), u"C"));
    app.addShape(id, named(model::shape(ShapeCurve, 30, 0, 5, 5), u"D"));
    const model::Layer original = layer();
    app.setSelection(id, {b, c});

    auto selected = selectedShapes();
    ComPtr<IVGShape> group;
    check(selected, selected->Group(group.put()));
    ASSERT_EQ(layer().shapes.size(), 3u);
    ComPtr<IVGShapeRange> members;
    check(group, group->Ungroup(members.put()));

    EXPECT_EQ(layer(), original) << "ids, places, positions and z-order all kept";
    EXPECT_THAT(namesOf(members.get()), ElementsAre(u"C", u"B")) << "front first";
    EXPECT_THAT(app.drawing(id).selection, ElementsAre(c, b)) << "members take the group's place";
    EXPECT_THAT(app.undoSteps(id), ::testing::Contains(u"Ungroup"));
    int32_t type = 0;
    EXPECT_THAT(hostErrorOf([&] { check(group, group->get_Type(&type)); }),
                HasSubstr("object no longer exists"));

    host_ops::undo(doc.get(), 1);
    EXPECT_EQ(layer().shapes.size(), 3u);
    EXPECT_EQ(layer().shapes[1].type, ShapeGroup);
}

TEST_F(ShapeOpsTest, UngroupedMembersOfATransformedGroupStayWhereTheyWere) {
    model::Shape turned = model::shape(ShapeRectangle, 1, 2, 3, 4);
    turned.matrix = model::rotation(30);
    model::Shape g = model::group({model::shape(ShapeEllipse, 0, 0, 5, 2), turned});
    g.matrix = model::scaling(2, 1).then(model::translation(10, 20));
    const model::Id gid = app.addShape(id, g);
    const model::Shape placed = layer().shapes[0];
    std::vector<model::Box> before;
    for (const model::Shape& m : placed.children) {
        model::Shape alone = m;
        alone.matrix = m.matrix.then(placed.matrix);
        before.push_back(*model::bounds(alone));
    }
    ComPtr<IVGShapeRange> members;
    check(pageShape(1), pageShape(1)->Ungroup(members.put()));
    ASSERT_EQ(layer().shapes.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const model::Box after = boxOf(layer().shapes[i].id);
        EXPECT_NEAR(after.x, before[i].x, 1e-9) << i;
        EXPECT_NEAR(after.y, before[i].y, 1e-9) << i;
        EXPECT_NEAR(after.width, before[i].width, 1e-9) << i;
        EXPECT_NEAR(after.height, before[i].height, 1e-9) << i;
    }
    EXPECT_FALSE(model::findShape(app.drawing(id), gid));
}

TEST_F(ShapeOpsTest, PowerClipContentsGetIdsAndLeaveWithTheirContainer) {
    model::Shape container = model::shape(ShapeEllipse, 0, 0, 10, 10);
    container.powerClip = {model::group({model::shape(ShapeRectangle, 0, 0, 1, 1)}),
                           model::shape(ShapeText, 2, 2, 1, 1)};
    const model::Id cid = app.addShape(id, container);
    const model::Shape placed = layer().shapes[0];
    const model::Id deep = placed.powerClip[0].children[0].id;
    EXPECT_NE(deep, 0u);
    EXPECT_NE(deep, placed.powerClip[1].id);
    app.setSelection(id, {deep, placed.powerClip[1].id});
    app.deleteShape(id, cid);
    EXPECT_TRUE(app.drawing(id).selection.empty()) << "contents left the selection with it";
}

TEST_F(ShapeOpsTest, OnlyAGroupCanBeUngrouped) {
    app.addShape(id, model::shape(ShapeRectangle, 0, 0, 5, 5));
    const model::Drawing before = app.drawing(id);
    ComPtr<IVGShapeRange> out;
    for (auto shape : {pageShape(1), host_ops::activeSelection(host())}) {
        EXPECT_THAT(hostErrorOf([&] { check(shape, shape->Ungroup(out.put())); }),
                    HasSubstr("IVGShape.Ungroup: only a group can be ungrouped"));
        EXPECT_FALSE(out);
    }
    EXPECT_EQ(app.drawing(id), before);
}

struct AlignCase {
    const char* name;
    int32_t horizontal;
    int32_t vertical;
    int32_t to;
    double pointX;
    double pointY;
    double x; // where the shape's box ends up
    double y;
};

class AlignTest : public ShapeOpsTest, public ::testing::WithParamInterface<AlignCase> {};

// A 20 x 10 shape at (5, 5) on a 200 x 100 page; y grows upwards.
TEST_P(AlignTest, ShapeAndRangeAlignAsTheCodesSay) {
    const AlignCase& c = GetParam();
    setPage(200, 100);
    const model::Id shape = app.addShape(id, model::shape(ShapeRectangle, 5, 5, 20, 10));
    ComPtr<IVGRect> rect;
    check(host(), host()->CreateRect(0, 0, 0, 0, rect.put()));

    auto viaShape = [&] {
        auto s = pageShape(1);
        return s->AlignAndDistribute(c.horizontal, c.vertical, c.to, 0, VARIANT_FALSE, 2, c.pointX,
                                     c.pointY, rect.get());
    };
    auto viaRange = [&] {
        auto r = allShapes();
        return r->AlignAndDistribute(c.horizontal, c.vertical, c.to, 0, VARIANT_FALSE, 2, c.pointX,
                                     c.pointY, rect.get());
    };
    for (const auto& align :
         {std::function<HRESULT()>(viaShape), std::function<HRESULT()>(viaRange)}) {
        app.edit(id, u"Put back", [&](model::Drawing& d) {
            model::Shape& s = model::locate(d, shape)->shape();
            s.x = 5;
            s.y = 5;
        });
        ASSERT_EQ(align(), S_OK);
        const model::Box box = boxOf(shape);
        EXPECT_DOUBLE_EQ(box.x, c.x);
        EXPECT_DOUBLE_EQ(box.y, c.y);
        EXPECT_DOUBLE_EQ(box.width, 20);
        EXPECT_EQ(app.undoSteps(id).front(), u"Align");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, AlignTest,
    ::testing::Values(AlignCase{"PageCentre", 3, 3, AlignToPage, -1, -1, 90, 45},
                      AlignCase{"PageLeft", 1, 0, AlignToPage, 0, 0, 0, 5},
                      AlignCase{"PageRight", 2, 0, AlignToPage, 0, 0, 180, 5},
                      AlignCase{"PageTop", 0, 1, AlignToPage, 0, 0, 5, 90},
                      AlignCase{"PageBottom", 0, 2, AlignToPage, 0, 0, 5, 0},
                      AlignCase{"PointCentre", 3, 3, AlignToPoint, 50, 50, 40, 45},
                      AlignCase{"PointLeftTop", 1, 1, AlignToPoint, 10, 20, 10, 10},
                      AlignCase{"PointRightBottom", 2, 2, AlignToPoint, 10, 20, -10, 20}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ShapeOpsTest, RangeMovesAsOneBlockOntoThePageCentre) {
    setPage(100, 100);
    const model::Id a = app.addShape(id, model::shape(ShapeRectangle, 0, 0, 10, 10));
    const model::Id b = app.addShape(id, model::shape(ShapeEllipse, 30, 20, 10, 10));
    check(allShapes(),
          allShapes()->AlignAndDistribute(3, 3, AlignToPage, 0, VARIANT_FALSE, 2, 0, 0, nullptr));
    // The block is 40 x 30: it goes to (30, 35), each shape by the same step.
    EXPECT_DOUBLE_EQ(boxOf(a).x, 30);
    EXPECT_DOUBLE_EQ(boxOf(a).y, 35);
    EXPECT_DOUBLE_EQ(boxOf(b).x, 60);
    EXPECT_DOUBLE_EQ(boxOf(b).y, 55);
}

TEST_F(ShapeOpsTest, AligningToASelectedShapeMovesTheOthersToIt) {
    const model::Id a = app.addShape(id, model::shape(ShapeRectangle, 0, 0, 10, 10));
    const model::Id b = app.addShape(id, model::shape(ShapeEllipse, 30, 20, 20, 10));
    app.setSelection(id, {a, b});
    check(allShapes(), allShapes()->AlignAndDistribute(1, 2, AlignToLastSelected, 0, VARIANT_FALSE,
                                                       0, 0, 0, nullptr));
    EXPECT_DOUBLE_EQ(boxOf(a).x, 30) << "left edges meet";
    EXPECT_DOUBLE_EQ(boxOf(a).y, 20) << "bottom edges meet";
    EXPECT_DOUBLE_EQ(boxOf(b).x, 30) << "the last selected stays";

    check(allShapes(), allShapes()->AlignAndDistribute(2, 0, AlignToFirstSelected, 0, VARIANT_FALSE,
                                                       0, 0, 0, nullptr));
    EXPECT_DOUBLE_EQ(boxOf(b).x, 20) << "right edge meets the first selected's";
    EXPECT_DOUBLE_EQ(boxOf(a).x, 30);

    app.setSelection(id, {});
    EXPECT_THAT(hostErrorOf([&] {
                    check(allShapes(), allShapes()->AlignAndDistribute(1, 0, AlignToLastSelected, 0,
                                                                       0, 0, 0, 0, nullptr));
                }),
                HasSubstr("nothing is selected to align to"));
}

TEST_F(ShapeOpsTest, BadAlignCodesFailAndAlignedShapesMakeNoStep) {
    app.addShape(id, model::shape(ShapeRectangle, 95, 138.5, 20, 20)); // centred on A4
    struct Bad {
        int32_t h, v, to, area, text;
        double px;
    } bad[] = {{4, 0, 2, 0, 2, 0}, {0, -1, 2, 0, 2, 0}, {3, 3, 4, 0, 2, 0},
               {3, 3, 2, 3, 2, 0}, {3, 3, 2, 0, 3, 0},  {3, 3, 3, 0, 2, std::nan("")}};
    const model::Drawing before = app.drawing(id);
    const auto steps = app.undoSteps(id);
    for (const Bad& b : bad)
        EXPECT_EQ(
            allShapes()->AlignAndDistribute(b.h, b.v, b.to, b.area, 0, b.text, b.px, 0, nullptr),
            E_INVALIDARG);
    check(allShapes(), allShapes()->AlignAndDistribute(3, 3, 2, 0, 0, 2, 0, 0, nullptr));
    EXPECT_EQ(app.drawing(id), before);
    EXPECT_EQ(app.undoSteps(id), steps);
}

TEST_F(ShapeOpsTest, CreateSelectionSelectsTheRangeWithoutAStep) {
    const model::Id a = app.addShape(id, model::shape(ShapeRectangle, 0, 0, 10, 10));
    const model::Id b = app.addShape(id, model::shape(ShapeEllipse, 30, 20, 10, 10));
    const auto steps = app.undoSteps(id);
    check(allShapes(), allShapes()->CreateSelection());
    EXPECT_THAT(app.drawing(id).selection, ElementsAre(b, a));
    EXPECT_EQ(app.undoSteps(id), steps);
}

// What the page fit does, call by call: the page takes the size of the
// shapes' box, and the shapes cover it exactly.
struct FitCase {
    const char* name;
    int32_t unit;
    int shapes;
};

class PageFitTest : public ShapeOpsTest, public ::testing::WithParamInterface<FitCase> {};

TEST_P(PageFitTest, ByHandInOneCommandGroupAndOneUndoRestoresAll) {
    const FitCase& c = GetParam();
    const std::vector<model::Shape> all = {model::shape(ShapeRectangle, 40, 60, 30, 20),
                                           model::shape(ShapeEllipse, 100, 150, 20, 40),
                                           model::group({model::shape(ShapeText, 50, 120, 10, 5),
                                                         model::shape(ShapeCurve, 55, 100, 5, 5)})};
    std::vector<model::Id> ids;
    for (int i = 0; i < c.shapes; ++i)
        ids.push_back(app.addShape(id, all[static_cast<size_t>(i)]));
    host_ops::setUnit(doc.get(), c.unit);
    const model::Drawing before = app.drawing(id);
    std::vector<model::Box> boxes;
    std::optional<model::Box> united;
    for (model::Id s : ids) {
        boxes.push_back(boxOf(s));
        united = model::unite(united, boxes.back());
    }
    const model::Box box = *united;

    host_ops::beginCommandGroup(doc.get(), u"页面适配");
    auto range = allShapes();
    double width = 0, height = 0;
    check(range, range->get_SizeWidth(&width));
    check(range, range->get_SizeHeight(&height));
    check(page, page->put_SizeWidth(width));
    check(page, page->put_SizeHeight(height));
    ComPtr<IVGRect> rect;
    check(host(), host()->CreateRect(0, 0, 0, 0, rect.put()));
    if (c.shapes > 1) {
        ComPtr<IVGShape> group;
        check(range, range->Group(group.put()));
        check(range, range->CreateSelection());
        check(group, group->AddToSelection());
        check(group, group->AlignAndDistribute(3, 3, 2, 0, VARIANT_FALSE, 2, -1, -1, rect.get()));
        ComPtr<IVGShapeRange> ungrouped;
        check(group, group->Ungroup(ungrouped.put()));
    } else {
        check(range, range->AlignAndDistribute(3, 3, 2, 0, VARIANT_FALSE, 2, 0, 0, rect.get()));
    }
    host_ops::endCommandGroup(doc.get());

    const model::Drawing after = app.drawing(id);
    EXPECT_NEAR(after.pages[0].width, box.width, 1e-9);
    EXPECT_NEAR(after.pages[0].height, box.height, 1e-9);
    ASSERT_EQ(after.pages[0].layers[0].shapes.size(), ids.size()) << "ungrouped again";
    for (size_t i = 0; i < ids.size(); ++i) {
        EXPECT_EQ(after.pages[0].layers[0].shapes[i].id, ids[i]) << "identity and z-order kept";
        const model::Box moved = boxOf(ids[i]);
        EXPECT_NEAR(moved.x, boxes[i].x - box.x, 1e-9) << "relative positions kept";
        EXPECT_NEAR(moved.y, boxes[i].y - box.y, 1e-9);
    }
    EXPECT_THAT(app.undoSteps(id).front(), u"页面适配");
    const size_t stepCount = app.undoSteps(id).size();

    host_ops::undo(doc.get(), 1);
    EXPECT_EQ(app.drawing(id).pages, before.pages) << "page size and positions together";
    EXPECT_EQ(app.undoSteps(id).size(), stepCount - 1);
    host_ops::redo(doc.get(), 1);
    EXPECT_EQ(app.drawing(id).pages, after.pages);
}

INSTANTIATE_TEST_SUITE_P(Shapes, PageFitTest,
                         ::testing::Values(FitCase{"OneInMillimetres", UnitMillimetres, 1},
                                           FitCase{"ThreeInMillimetres", UnitMillimetres, 3},
                                           FitCase{"ThreeInInches", UnitInches, 3},
                                           FitCase{"TwoInPoints", UnitPoints, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

// Each operation, made to fail, changes nothing and hands nothing out.
TEST_F(ShapeOpsTest, InjectedFailuresLeaveTheModelAlone) {
    app.addShape(id, model::shape(ShapeRectangle, 0, 0, 10, 10));
    app.addShape(id, model::group({model::shape(ShapeEllipse, 30, 20, 10, 10),
                                   model::shape(ShapeCurve, 50, 20, 10, 10)}));
    struct Case {
        const char* operation;
        std::function<HRESULT()> call;
    };
    ComPtr<IVGShapeRange> range;
    ComPtr<IVGShape> group;
    const Case cases[] = {
        {"IVGShapeRange.Group",
         [&] {
             return allShapes()->Group(group.put());
         }},
        {"IVGShapeRange.CreateSelection",
         [&] {
             return allShapes()->CreateSelection();
         }},
        {"IVGShapeRange.AlignAndDistribute",
         [&] {
             return allShapes()->AlignAndDistribute(3, 3, 2, 0, 0, 2, 0, 0, nullptr);
         }},
        {"IVGShape.AlignAndDistribute",
         [&] {
             return pageShape(1)->AlignAndDistribute(3, 3, 2, 0, 0, 2, 0, 0, nullptr);
         }},
        {"IVGShape.Ungroup",
         [&] {
             return pageShape(1)->Ungroup(range.put());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        const model::Drawing before = app.drawing(id);
        const auto steps = app.undoSteps(id);
        app.faults().failOnce(c.operation);
        EXPECT_EQ(c.call(), E_FAIL);
        EXPECT_FALSE(range);
        EXPECT_FALSE(group);
        EXPECT_EQ(app.drawing(id), before);
        EXPECT_EQ(app.undoSteps(id), steps);
        EXPECT_EQ(app.faults().injected().back(), c.operation);
    }
}

} // namespace
} // namespace mosvik::host::test
