// The tool window base against the stand-in host: the bracket, the
// precondition check, creation through the factory, and the window's life.
#include "FormFixture.h"

#include "core/host/HostOps.h"

using namespace mosvik;
using namespace mosvik::test;

namespace {

using BaseFormTest = HostTest;

TEST_F(BaseFormTest, StartAndEndEventOpenAndCloseWhatTheFlagsSay) {
    struct Case {
        bool hide, withCMD, flagBefore;
    };
    const Case cases[] = {
        {true, true, false},  {false, true, false}, {false, true, true},
        {true, false, false}, {true, false, true},  {false, false, true},
    };
    const host::DocumentId doc = newDocument(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "hide " << c.hide << " withCMD " << c.withCMD
                                        << " flag before " << c.flagBefore);
        host_ops::setOptimization(host.com(), c.flagBefore);
        TProbeForm form(nullptr, host.com());
        form.cmdName = "裁切标记";
        const int refreshes = host.refreshCount();
        const size_t steps = host.undoSteps(doc).size();

        form.StartEvent(c.hide, c.withCMD);
        EXPECT_EQ(form.FEventHide, c.hide ? com::VARIANT_TRUE : com::VARIANT_FALSE);
        EXPECT_EQ(form.FWithCMD, c.withCMD ? com::VARIANT_TRUE : com::VARIANT_FALSE);
        EXPECT_EQ(host.openGroupDepth(doc), c.withCMD ? 1 : 0);
        EXPECT_EQ(host.optimization(), c.hide || c.flagBefore);
        host.addShape(doc, host::model::shape(com::ShapeEllipse, 0, 0, 5, 5));

        form.EndEvent();
        EXPECT_EQ(host.openGroupDepth(doc), 0);
        EXPECT_EQ(host.optimization(), c.hide ? false : c.flagBefore);
        EXPECT_EQ(host.refreshCount(), refreshes + 1);
        EXPECT_EQ(host.undoSteps(doc).size(), steps + 1);
        if (c.withCMD) {
            EXPECT_EQ(host.undoSteps(doc).front(), u"裁切标记");
        }
    }
}

TEST_F(BaseFormTest, CheckPreconditionRefusesWithOneBoxOwnedByTheWindow) {
    enum Drawing { NoDocument, EmptyPage, UnselectedShape };
    struct Case {
        Drawing drawing;
        bool needDocument, needShapes;
        bool expected;
        const char* box; // null: none
    };
    const Case cases[] = {
        {NoDocument, true, true, false, "没有文档被打开！"},
        {NoDocument, true, false, false, "没有文档被打开！"},
        {NoDocument, false, true, false, "没有文档被打开！"},
        {NoDocument, false, false, true, nullptr},
        {EmptyPage, true, true, false, "到少需要一个对象！"},
        {EmptyPage, true, false, true, nullptr},
        {UnselectedShape, true, true, true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "drawing " << c.drawing << " need " << c.needDocument << c.needShapes);
        host::Application fresh;
        if (c.drawing != NoDocument) {
            const host::DocumentId doc = fresh.newDocument(u"图");
            if (c.drawing == UnselectedShape)
                fresh.addShape(doc, host::model::shape(com::ShapeCurve, 0, 0, 1, 1));
        }
        dialogs.clear();
        TProbeForm form(nullptr, fresh.com());
        const uint64_t callsBefore = fresh.faults().calls();

        EXPECT_EQ(form.CheckPrecondition(c.needDocument, c.needShapes), c.expected);

        if (!c.needDocument && !c.needShapes) {
            EXPECT_EQ(fresh.faults().calls(), callsBefore);
        }
        if (!c.box) {
            EXPECT_TRUE(dialogs.shown().empty());
            continue;
        }
        ASSERT_EQ(dialogs.shown().size(), 1u);
        const auto& box = dialogs.shown()[0];
        EXPECT_EQ(box.text, c.box);
        EXPECT_EQ(box.caption, "错误");
        EXPECT_EQ(box.icon, platform::MsgIcon::Error);
        EXPECT_EQ(box.buttons, platform::BtnOk);
        EXPECT_EQ(box.owner, &form);
    }
}

// A tool window that needs a document with shapes, as the export window.
class TNeedsShapes : public TProbeForm {
public:
    using TProbeForm::TProbeForm;
    int versionSeen = 0;

protected:
    void FormCreate() override {
        versionSeen = host_ops::versionMajor(FApp.get());
        CheckPrecondition(true, true);
    }
};

TEST_F(BaseFormTest, FactoryRunsTheCreationHandlerAndDiscardsAWindowThatGaveUp) {
    const uint32_t baseline = host.refCount();
    host.setVersion(16);

    EXPECT_EQ(TTBaseForm::create<TNeedsShapes>(Application(), host.com()), nullptr);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text, "没有文档被打开！");
    EXPECT_EQ(host.refCount(), baseline);
    EXPECT_TRUE(Application().Windows().isEmpty());

    newDocument(1);
    QPointer<TNeedsShapes> window = TTBaseForm::create<TNeedsShapes>(Application(), host.com());
    ASSERT_TRUE(window);
    EXPECT_EQ(window->versionSeen, 16);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(host.refCount(), baseline + 1);

    window->show();
    window->close();
    flushDeletes();
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(host.refCount(), baseline);
}

TEST_F(BaseFormTest, CreationHandlerErrorDestroysTheWindowAndPropagates) {
    struct TFailing : TProbeForm {
        using TProbeForm::TProbeForm;
        void FormCreate() override { host_ops::activeDocument(FApp.get()); }
    };
    const uint32_t baseline = host.refCount();
    EXPECT_THROW(TTBaseForm::create<TFailing>(Application(), host.com()), com::HostError);
    EXPECT_EQ(host.refCount(), baseline);
    EXPECT_TRUE(Application().Windows().isEmpty());
}

TEST_F(BaseFormTest, ClosingUnregistersOnlyAWindowThatRegistered) {
    for (bool registered : {false, true}) {
        SCOPED_TRACE(registered ? "registered" : "never registered");
        const int unadvisesBefore = host.faults().calls("IVGApplication.UnadviseEvents");
        QPointer<TProbeForm> window = TTBaseForm::create<TProbeForm>(Application(), host.com());
        if (registered) {
            window->AdviseEvents();
            EXPECT_NE(window->FLCookie, 0);
            EXPECT_EQ(host.sinkCount(), 1);
        }
        window->show();
        EXPECT_TRUE(window->close());
        flushDeletes();

        EXPECT_TRUE(window.isNull());
        EXPECT_EQ(host.sinkCount(), 0);
        EXPECT_EQ(host.faults().calls("IVGApplication.UnadviseEvents") - unadvisesBefore,
                  registered ? 1 : 0);
    }
}

TEST_F(BaseFormTest, FailingUnregistrationKeepsTheWindowOpenWithTheErrorShown) {
    QPointer<TProbeForm> window = TTBaseForm::create<TProbeForm>(Application(), host.com());
    window->AdviseEvents();
    window->show();
    host.faults().failOnce("IVGApplication.UnadviseEvents");

    EXPECT_FALSE(window->close());
    flushDeletes();
    ASSERT_FALSE(window.isNull());
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].icon, platform::MsgIcon::Error);
    EXPECT_EQ(dialogs.messages()[0].owner, window.data());

    EXPECT_TRUE(window->close());
    flushDeletes();
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(host.sinkCount(), 0);
}

TEST_F(BaseFormTest, ApplicationReferenceIsBackAtBaselineWhateverWayTheWindowEnds) {
    const uint32_t baseline = host.refCount();
    const long hostReferences = host.outstandingReferences();
    {
        QWidget owner;
        QPointer<TProbeForm> child = TTBaseForm::create<TProbeForm>(&owner, host.com());
        child->AdviseEvents();
        EXPECT_TRUE(child->isWindow());
        EXPECT_EQ(child->parentWidget(), &owner);
        EXPECT_GT(host.refCount(), baseline);
        // The owner goes without closing its windows: they go with it.
    }
    EXPECT_EQ(host.refCount(), baseline);
    EXPECT_EQ(host.sinkCount(), 0);
    EXPECT_EQ(host.outstandingReferences(), hostReferences);
}

TEST_F(BaseFormTest, AutomationInterfaceReferencesDoNotKeepTheWindowAlive) {
    auto* window = TTBaseForm::create<TProbeForm>(Application(), host.com());
    com::IDispatch* sink = window->dispatch();
    com::ComPtr<com::IDispatch> held;
    ASSERT_EQ(sink->QueryInterface(&com::IID_IDispatch, held.putVoid()), com::S_OK);
    EXPECT_EQ(held.get(), sink);
    void* none = &none;
    EXPECT_EQ(sink->QueryInterface(&com::IID_IVGDocument, &none), com::E_NOINTERFACE);
    uint32_t count = 0;
    EXPECT_EQ(sink->GetTypeInfoCount(&count), com::E_NOTIMPL);
    EXPECT_EQ(sink->GetIDsOfNames(&com::IID_NULL, nullptr, 0, 0, nullptr), com::E_NOTIMPL);

    QPointer<TProbeForm> watch = window;
    delete window;
    EXPECT_TRUE(watch.isNull());
    // The host may still call through a reference it kept: nothing happens.
    com::DispParams none_args{nullptr, nullptr, 0, 0};
    EXPECT_EQ(held->Invoke(com::EvSelectionChange, &com::IID_NULL, 0, com::DISPATCH_METHOD,
                           &none_args, nullptr, nullptr, nullptr),
              com::S_OK);
    EXPECT_TRUE(debug.lines().isEmpty());
}

TEST_F(BaseFormTest, BaseFormLooksAsDesigned) {
    TProbeForm form(nullptr, host.com());
    EXPECT_EQ(form.windowTitle(), "TBaseForm");
    EXPECT_EQ(form.size(), QSize(295, 309));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(form.font().family(), "Tahoma");
    EXPECT_EQ(form.font().pixelSize(), 11);

    const QImage image = form.grab().toImage();
    EXPECT_EQ(image.size(), QSize(295, 309) * image.devicePixelRatio());
    EXPECT_EQ(image.pixelColor(5, 5), form.palette().color(QPalette::Button));
}

} // namespace
