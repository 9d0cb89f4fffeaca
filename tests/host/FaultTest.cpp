// Injected failures: by name, by occurrence, by call number; the failing
// call changes nothing and explains itself.
#include "HostFixture.h"

namespace mosvik::host::test {
namespace {

using namespace com;
using ::testing::ElementsAre;

class FaultTest : public HostTest {
protected:
    void SetUp() override {
        id = app.newDocument();
        app.addShape(id, model::shape(ShapeRectangle, 0, 0, 10, 10));
        app.addShape(id, model::shape(ShapeEllipse, 20, 0, 10, 10));
        doc = activeDocument();
        page = activePage();
    }

    DocumentId id = 0;
    ComPtr<IVGDocument> doc;
    ComPtr<IVGPage> page;
};

TEST_F(FaultTest, NamedOperationFailsWithStatusAndTextUntilCleared) {
    app.faults().add({"IVGDocument.BeginCommandGroup", 0, -1, E_OUTOFMEMORY, u"no room"});
    for (int i = 0; i < 2; ++i) {
        try {
            host_ops::beginCommandGroup(doc.get(), u"step");
            ADD_FAILURE() << "no failure";
        } catch (const HostError& e) {
            EXPECT_EQ(e.status(), E_OUTOFMEMORY);
            EXPECT_EQ(e.message(), u"no room");
        }
    }
    EXPECT_EQ(app.openGroupDepth(id), 0);
    app.faults().clear();
    host_ops::beginCommandGroup(doc.get(), u"step");
    EXPECT_EQ(app.openGroupDepth(id), 1);
}

TEST_F(FaultTest, NthCallOfAnOperationFailsOnceAndChangesNothing) {
    app.faults().failOnNth("IVGPage.put_SizeWidth", 2);
    check(page, page->put_SizeWidth(100));
    const model::Drawing before = app.drawing(id);
    const auto stepsBefore = app.undoSteps(id);
    EXPECT_THAT(hostErrorOf([&] { check(page, page->put_SizeWidth(50)); }),
                ::testing::HasSubstr("injected failure of IVGPage.put_SizeWidth"));
    EXPECT_EQ(app.drawing(id), before);
    EXPECT_EQ(app.undoSteps(id), stepsBefore);
    check(page, page->put_SizeWidth(60));
    EXPECT_DOUBLE_EQ(app.drawing(id).pages[0].width, 60);
    EXPECT_THAT(app.faults().injected(), ElementsAre("IVGPage.put_SizeWidth"));
}

TEST_F(FaultTest, FailingGroupLeavesShapesAndUndoAlone) {
    app.faults().failOnce("IVGShapeRange.Group");
    auto shapes = host_ops::pageShapes(page.get());
    ComPtr<IVGShapeRange> all;
    check(shapes, shapes->All(all.put()));
    const model::Drawing before = app.drawing(id);
    ComPtr<IVGShape> group;
    EXPECT_EQ(all->Group(group.put()), E_FAIL);
    EXPECT_FALSE(group) << "a failure leaves the out parameter alone";
    EXPECT_EQ(app.drawing(id), before);
    EXPECT_EQ(app.undoSteps(id).size(), 2u);
}

TEST_F(FaultTest, NthHostCallFailsWhateverItIs) {
    const uint64_t callsBefore = app.faults().calls();
    app.faults().failNthCall(3);
    int32_t count = 0;
    ComPtr<IVGShapes> shapes;
    EXPECT_EQ(page->get_Shapes(shapes.put()), S_OK); // 1
    EXPECT_EQ(shapes->get_Count(&count), S_OK);      // 2
    EXPECT_EQ(doc->put_Unit(UnitPixels), E_FAIL);    // 3
    EXPECT_EQ(doc->put_Unit(UnitPixels), S_OK);      // 4
    EXPECT_THAT(app.faults().injected(), ElementsAre("IVGDocument.put_Unit"));
    EXPECT_EQ(app.faults().calls() - callsBefore, 4u);
    EXPECT_EQ(app.faults().calls("IVGDocument.put_Unit"), 2);
}

TEST_F(FaultTest, ReferenceCountingAndErrorInfoAreNotCountedCalls) {
    const uint64_t before = app.faults().calls();
    app.faults().failNthCall(1);
    ComPtr<IHostErrorInfo> info;
    ASSERT_EQ(doc->QueryInterface(&IID_IHostErrorInfo, info.putVoid()), S_OK);
    Bstr text;
    EXPECT_EQ(info->GetLastErrorText(text.put()), S_OK);
    doc->AddRef();
    doc->Release();
    EXPECT_EQ(app.faults().calls(), before);
    EXPECT_TRUE(app.faults().injected().empty());
}

} // namespace
} // namespace mosvik::host::test
