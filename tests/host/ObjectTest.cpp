// The automation objects themselves: identities, reference counts, objects
// whose entity is gone, and the application-wide registries.
#include "HostFixture.h"

namespace mosvik::host::test {
namespace {

using namespace com;
using ::testing::HasSubstr;

class ObjectTest : public HostTest {
protected:
    void SetUp() override {
        id = app.newDocument();
        rect = app.addShape(id, model::shape(ShapeRectangle, 0, 0, 10, 10));
        app.addCommandBar(u"ormel201600401", u"Ormel工具");
    }

    // One object of every kind, each with the identity it must answer to.
    std::vector<std::pair<ComPtr<IUnknown>, GUID>> everyKind() {
        std::vector<std::pair<ComPtr<IUnknown>, GUID>> all;
        auto add = [&](IUnknown* p, const GUID& iid) {
            all.emplace_back(ComPtr<IUnknown>::adopt(p), iid);
        };
        IVGApplication* a = host();
        a->AddRef();
        add(a, IID_IVGApplication);
        IVGDocuments* docs = nullptr;
        a->get_Documents(&docs);
        add(docs, IID_IVGDocuments);
        IVGDocument* doc = nullptr;
        a->get_ActiveDocument(&doc);
        add(doc, IID_IVGDocument);
        IVGPages* pages = nullptr;
        doc->get_Pages(&pages);
        add(pages, IID_IVGPages);
        IVGPage* page = nullptr;
        a->get_ActivePage(&page);
        add(page, IID_IVGPage);
        IVGLayer* layer = nullptr;
        a->get_ActiveLayer(&layer);
        add(layer, IID_IVGLayer);
        IVGShapes* shapes = nullptr;
        page->get_Shapes(&shapes);
        add(shapes, IID_IVGShapes);
        IVGShapeRange* range = nullptr;
        shapes->All(&range);
        add(range, IID_IVGShapeRange);
        IVGShape* shape = nullptr;
        shapes->get_Item(1, &shape);
        add(shape, IID_IVGShape);
        IVGFill* fill = nullptr;
        shape->get_Fill(&fill);
        add(fill, IID_IVGFill);
        IVGOutline* outline = nullptr;
        shape->get_Outline(&outline);
        add(outline, IID_IVGOutline);
        IVGColor* color = nullptr;
        fill->get_UniformColor(&color);
        add(color, IID_IVGColor);
        IVGAppWindow* window = nullptr;
        a->get_AppWindow(&window);
        add(window, IID_IVGAppWindow);
        IVGRect* rectValue = nullptr;
        a->CreateRect(0, 0, 1, 1, &rectValue);
        add(rectValue, IID_IVGRect);
        ICUICommandBars* bars = nullptr;
        a->get_CommandBars(&bars);
        add(bars, IID_ICUICommandBars);
        ICUICommandBar* bar = nullptr;
        bars->get_Item(1, &bar);
        add(bar, IID_ICUICommandBar);
        return all;
    }

    DocumentId id = 0;
    model::Id rect = 0;
};

TEST_F(ObjectTest, EveryObjectAnswersItsIdentitiesAndNoOther) {
    const GUID foreign = {0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    for (auto& [object, iid] : everyKind()) {
        ASSERT_TRUE(object);
        ComPtr<IUnknown> unknown;
        for (GUID asked : {IID_IUnknown, IID_IDispatch, iid, IID_IHostErrorInfo}) {
            ComPtr<IUnknown> got;
            EXPECT_EQ(object->QueryInterface(&asked, got.putVoid()), S_OK);
            EXPECT_TRUE(got);
        }
        object->QueryInterface(&IID_IUnknown, unknown.putVoid());
        EXPECT_EQ(unknown.get(), object.get()) << "IUnknown is the object's identity";
        void* none = reinterpret_cast<void*>(1);
        EXPECT_EQ(object->QueryInterface(&foreign, &none), E_NOINTERFACE);
        EXPECT_EQ(none, nullptr);
        ComPtr<IDispatch> dispatch;
        object->QueryInterface(&IID_IDispatch, dispatch.putVoid());
        uint32_t count = 0;
        EXPECT_EQ(dispatch->GetTypeInfoCount(&count), E_NOTIMPL);
    }
}

TEST_F(ObjectTest, EveryReferenceTakenIsCountedUntilGivenBack) {
    const long liveBefore = app.liveObjects();
    const long refsBefore = app.outstandingReferences();
    const uint32_t appRefsBefore = app.refCount();
    {
        auto objects = everyKind();
        EXPECT_EQ(app.liveObjects(), liveBefore + static_cast<long>(objects.size()) - 1);
        EXPECT_EQ(app.refCount(), appRefsBefore + 1);
        EXPECT_GT(app.outstandingReferences(), refsBefore);
    }
    EXPECT_EQ(app.liveObjects(), liveBefore);
    EXPECT_EQ(app.outstandingReferences(), refsBefore);
    EXPECT_EQ(app.refCount(), appRefsBefore);
}

TEST_F(ObjectTest, OneDocumentHasOneObjectWhileHeld) {
    auto first = activeDocument();
    ComPtr<IVGDocuments> docs;
    check(host(), host()->get_Documents(docs.put()));
    ComPtr<IVGDocument> second;
    check(docs, docs->get_Item(1, second.put()));
    EXPECT_EQ(first.get(), second.get());
}

struct GoneCase {
    const char* what;
    std::function<void(Application&, DocumentId, model::Id)> removeEntity;
};

class GoneTest : public ObjectTest, public ::testing::WithParamInterface<GoneCase> {};

TEST_P(GoneTest, ShapeObjectFailsCleanlyOnceItsShapeIsGone) {
    auto shape = pageShape(1);
    ComPtr<IVGFill> fill;
    check(shape, shape->get_Fill(fill.put()));
    GetParam().removeEntity(app, id, rect);

    int32_t type = -1;
    EXPECT_EQ(shape->get_Type(&type), E_FAIL);
    EXPECT_EQ(type, -1);
    EXPECT_THAT(hostErrorOf([&] { check(shape, shape->AddToSelection()); }),
                HasSubstr("IVGShape.AddToSelection: object no longer exists"));
    EXPECT_THAT(hostErrorOf([&] { check(fill, fill->get_Type(&type)); }),
                HasSubstr("object no longer exists"));
}

INSTANTIATE_TEST_SUITE_P(Removals, GoneTest,
                         ::testing::Values(GoneCase{"deleted",
                                                    [](Application& a, DocumentId d, model::Id s) {
                                                        a.deleteShape(d, s);
                                                    }},
                                           GoneCase{"undone",
                                                    [](Application& a, DocumentId d, model::Id) {
                                                        check(a.documentObject(d),
                                                              a.documentObject(d)->Undo(1));
                                                    }},
                                           GoneCase{"closed",
                                                    [](Application& a, DocumentId d, model::Id) {
                                                        a.closeDocument(d);
                                                    }}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST_F(ObjectTest, RedoBringsAnUndoneShapeBackToItsObject) {
    auto shape = pageShape(1);
    auto doc = activeDocument();
    host_ops::undo(doc.get(), 1);
    int32_t type = 0;
    EXPECT_EQ(shape->get_Type(&type), E_FAIL);
    host_ops::redo(doc.get(), 1);
    check(shape, shape->get_Type(&type));
    EXPECT_EQ(type, ShapeRectangle);
}

TEST_F(ObjectTest, PageObjectOfAnUndonePageFails) {
    app.addPage(id);
    auto doc = activeDocument();
    ComPtr<IVGPages> pages;
    check(doc, doc->get_Pages(pages.put()));
    ComPtr<IVGPage> second;
    check(pages, pages->get_Item(2, second.put()));
    host_ops::undo(doc.get(), 1);
    double width = 0;
    EXPECT_THAT(hostErrorOf([&] { check(second, second->get_SizeWidth(&width)); }),
                HasSubstr("object no longer exists"));
}

TEST_F(ObjectTest, PluginCommandsAreRegisteredOncePerId) {
    VARIANT_BOOL added = VARIANT_FALSE;
    check(host(), host()->AddPluginCommand(u"mosvik1_全部", u"全部", u"全部命令", &added));
    EXPECT_EQ(added, VARIANT_TRUE);
    check(host(), host()->AddPluginCommand(u"mosvik1_全部", u"again", u"", &added));
    EXPECT_EQ(added, VARIANT_FALSE);
    ASSERT_EQ(app.pluginCommands().size(), 1u);
    EXPECT_EQ(app.pluginCommands()[0].caption, u"全部");
    EXPECT_EQ(app.pluginCommands()[0].tooltip, u"全部命令");

    VARIANT_BOOL removed = VARIANT_FALSE;
    check(host(), host()->RemovePluginCommand(u"mosvik1_全部", &removed));
    EXPECT_EQ(removed, VARIANT_TRUE);
    check(host(), host()->RemovePluginCommand(u"mosvik1_全部", &removed));
    EXPECT_EQ(removed, VARIANT_FALSE);
    EXPECT_TRUE(app.pluginCommands().empty());
}

TEST_F(ObjectTest, CommandBarsAreFoundByNameOrFail) {
    ComPtr<ICUICommandBars> bars;
    check(host(), host()->get_CommandBars(bars.put()));
    ComPtr<ICUICommandBar> missing;
    try {
        check(bars, bars->get_ItemByName(u"Missing", missing.put()));
        ADD_FAILURE() << "found a bar that does not exist";
    } catch (const HostError& e) {
        EXPECT_EQ(e.status(), DISP_E_BADINDEX);
        EXPECT_THAT(e.what(), HasSubstr("no command bar is named \"Missing\""));
    }
    int32_t count = 0;
    check(bars, bars->get_Count(&count));
    EXPECT_EQ(count, 3) << "the host's two and the one added";

    ComPtr<ICUICommandBar> bar;
    check(bars, bars->get_ItemByName(u"ormel201600401", bar.put()));
    Bstr caption;
    check(bar, bar->get_Caption(caption.put()));
    EXPECT_EQ(caption.text(), u"Ormel工具");
    check(bar, bar->put_Visible(VARIANT_FALSE));
    EXPECT_FALSE(app.commandBars().back().visible);
    EXPECT_THAT(app.workspace(), HasSubstr("visible=\"false\"")) << "kept in the configuration";
    check(bar, bar->Delete());
    EXPECT_EQ(app.commandBars().size(), 2u);
    VARIANT_BOOL visible = 0;
    EXPECT_THAT(hostErrorOf([&] { check(bar, bar->get_Visible(&visible)); }),
                HasSubstr("object no longer exists"));
}

TEST_F(ObjectTest, ApplicationSettingsAreObservable) {
    app.setVersion(14);
    EXPECT_EQ(host_ops::versionMajor(host()), 14);
    EXPECT_THROW(app.setVersion(19), std::invalid_argument);
    EXPECT_EQ(host_ops::mainWindowHandle(host()), 0);
    app.setMainWindowHandle(0x2a0b);
    EXPECT_EQ(host_ops::mainWindowHandle(host()), 0x2a0b);

    host_ops::setOptimization(host(), true);
    EXPECT_TRUE(app.optimization());
    host_ops::refresh(host());
    host_ops::refresh(host());
    EXPECT_EQ(app.refreshCount(), 2);

    ComPtr<IVGRect> r;
    check(host(), host()->CreateRect(1, 2, 3, 4, r.put()));
    check(r, r->put_Height(8));
    double values[4] = {};
    check(r, r->get_x(&values[0]));
    check(r, r->get_y(&values[1]));
    check(r, r->get_Width(&values[2]));
    check(r, r->get_Height(&values[3]));
    EXPECT_THAT(values, ::testing::ElementsAre(1, 2, 3, 8));
}

} // namespace
} // namespace mosvik::host::test
