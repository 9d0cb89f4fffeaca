// Host events reaching a registered window: which ones are forwarded, with
// which arguments, the debug lines, Cancel handed back, errors reported.
#include "FormFixture.h"

#include "framework/HandlerGuard.h"

#include "core/host/Variants.h"

using namespace mosvik;
using namespace mosvik::test;
using host::EventArg;

namespace {

class BaseFormEventsTest : public HostTest {
protected:
    void SetUp() override {
        doc = newDocument(1, u"图1");
        window = TTBaseForm::create<TProbeForm>(Application(), host.com());
        window->AdviseEvents();
        debug.clear();
    }
    void TearDown() override {
        if (window)
            window->close();
        flushDeletes();
    }

    host::DocumentId doc = 0;
    QPointer<TProbeForm> window;
};

TEST_F(BaseFormEventsTest, EachEventReachesItsMethodOrNothingAndIsLogged) {
    struct Case {
        com::HostEvent id;
        std::vector<EventArg> args;
        const char* forwarded; // null: not forwarded
    };
    auto d = [this] {
        return EventArg::doc(doc);
    };
    const Case cases[] = {
        {com::EvQueryDocumentClose, {d(), EventArg::boolRef(false)}, "QueryDocumentClose(图1,0)"},
        {com::EvQueryDocumentSave, {d(), EventArg::boolRef(false)}, "QueryDocumentSave(图1,0)"},
        {com::EvQueryDocumentPrint, {d(), EventArg::boolRef(false)}, "QueryDocumentPrint(图1,0)"},
        {com::EvQueryDocumentExport, {d(), EventArg::boolRef(false)}, "QueryDocumentExport(图1,0)"},
        {com::EvQueryQuit, {EventArg::boolRef(false)}, "QueryQuit(-,0)"},
        {com::EvDocumentOpen, {d(), EventArg::string(u"/图/a.cdr")}, "DocumentOpen(图1,/图/a.cdr)"},
        {com::EvDocumentNew,
         {d(), EventArg::boolean(true), EventArg::string(u"模板"), EventArg::boolean(false)},
         "DocumentNew(图1,1,模板,0)"},
        {com::EvDocumentClose, {d()}, "DocumentClose(图1)"},
        {com::EvDocumentBeforeSave,
         {d(), EventArg::boolean(true), EventArg::string(u"b.cdr")},
         "DocumentBeforeSave(图1,1,b.cdr)"},
        {com::EvDocumentAfterSave,
         {d(), EventArg::boolean(false), EventArg::string(u"c.cdr")},
         "DocumentAfterSave(图1,0,c.cdr)"},
        {com::EvDocumentBeforePrint, {d()}, "DocumentBeforePrint(图1)"},
        {com::EvDocumentAfterPrint, {d()}, "DocumentAfterPrint(图1)"},
        {com::EvDocumentBeforeExport,
         {d(), EventArg::string(u"x.png"), EventArg::integer(802), EventArg::boolean(true)},
         "DocumentBeforeExport(图1,x.png,802,1)"},
        {com::EvDocumentAfterExport,
         {d(), EventArg::string(u"x.png"), EventArg::integer(802), EventArg::boolean(true)},
         nullptr},
        {com::EvWindowActivate, {d(), EventArg::window(doc)}, "WindowActivate(图1,1)"},
        {com::EvWindowDeactivate, {d(), EventArg::window(doc)}, nullptr},
        {com::EvSelectionChange, {}, "SelectionChange()"},
        {com::EvStart, {}, nullptr},
        {com::EvQuit, {}, nullptr},
        {com::EvOnPluginCommand, {EventArg::string(u"mosvik1_转换")}, nullptr},
        {com::EvOnUpdatePluginCommand,
         {EventArg::string(u"mosvik1_转换"), EventArg::boolRef(true), EventArg::intRef(0)},
         nullptr},
        {com::EvOnApplicationEvent, {EventArg::string(u"x"), EventArg::intRef(0)}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "dispid " << c.id);
        window->calls.clear();
        debug.clear();

        host.raiseEvent(c.id, c.args);

        EXPECT_EQ(window->calls, c.forwarded ? QStringList{c.forwarded} : QStringList{});
        const QStringList logged = c.id == com::EvOnUpdatePluginCommand
                                       ? QStringList{}
                                       : QStringList{QString("dispid:%1").arg(c.id)};
        EXPECT_EQ(debug.lines(), logged);
    }
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(BaseFormEventsTest, CancelStartsFalseAndItsFinalValueGoesBackToTheHost) {
    struct Case {
        com::HostEvent id;
        bool hostInitial, methodSets;
    };
    const Case cases[] = {
        {com::EvQueryDocumentClose, true, false}, {com::EvQueryDocumentClose, false, true},
        {com::EvQueryDocumentSave, true, false},  {com::EvQueryDocumentPrint, false, true},
        {com::EvQueryDocumentExport, true, true}, {com::EvQueryQuit, true, false},
        {com::EvQueryQuit, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "dispid " << c.id << " host " << c.hostInitial
                                        << " method " << c.methodSets);
        window->calls.clear();
        window->cancelWith = c.methodSets;
        std::vector<EventArg> args;
        if (c.id != com::EvQueryQuit)
            args.push_back(EventArg::doc(doc));
        args.push_back(EventArg::boolRef(c.hostInitial));

        const auto after = host.raiseEvent(c.id, args);

        ASSERT_TRUE(after.has_value());
        EXPECT_EQ(after->back().flag, c.methodSets);
        ASSERT_EQ(window->calls.size(), 1);
        EXPECT_TRUE(window->calls[0].endsWith(",0)")) << window->calls[0].toStdString();
    }
}

TEST_F(BaseFormEventsTest, ErrorInAnEventMethodGoesToTheDebugBoxAndInvokeStillSucceeds) {
    window->cancelWith = true;
    window->during = [] {
        throw com::HostError(com::E_FAIL, u"页面已删除");
    };
    com::VARIANT_BOOL cancel = com::VARIANT_FALSE;
    com::Variant args[] = {com::makeBoolRef(&cancel)};
    com::DispParams params{args, nullptr, 1, 0};

    EXPECT_EQ(window->dispatch()->Invoke(com::EvQueryQuit, &com::IID_NULL, 0, com::DISPATCH_METHOD,
                                         &params, nullptr, nullptr, nullptr),
              com::S_OK);

    EXPECT_EQ(cancel, com::VARIANT_TRUE);
    ASSERT_EQ(dialogs.shown().size(), 1u);
    const auto& box = dialogs.shown()[0];
    EXPECT_EQ(box.text, "TTBaseForm.Invoke错误：页面已删除");
    EXPECT_EQ(box.caption, "DEBUG");
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(box.buttons, platform::BtnOk);
}

TEST_F(BaseFormEventsTest, AnObjectArgumentOfTheWrongKindIsReportedLikeAnyError) {
    com::Variant args[] = {com::makeDispatch(host.com())};
    com::DispParams params{args, nullptr, 1, 0};

    EXPECT_EQ(window->dispatch()->Invoke(com::EvDocumentClose, &com::IID_NULL, 0,
                                         com::DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
              com::S_OK);
    EXPECT_TRUE(window->calls.isEmpty());
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_TRUE(dialogs.shown()[0].text.startsWith("TTBaseForm.Invoke错误："));
}

// Default DocumentClose: the window closes itself once the documents
// collection holds what is expected to remain (1 up to version 14, else 0).
class DefaultDocumentCloseTest : public HostTest {};

TEST_F(DefaultDocumentCloseTest, ClosesWhenTheExpectedNumberOfDocumentsRemains) {
    struct Case {
        int version;
        int documents;
        bool closes;
    };
    const Case cases[] = {
        {14, 1, true},  {14, 0, false}, {14, 2, false}, {15, 0, true},
        {15, 1, false}, {18, 0, true},  {18, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "version " << c.version << " documents " << c.documents);
        host::Application fresh;
        fresh.setVersion(c.version);
        for (int i = 0; i < c.documents; ++i)
            fresh.newDocument();
        QPointer<TTBaseForm> window = TTBaseForm::create<TTBaseForm>(Application(), fresh.com());
        window->show();
        com::DispParams none{nullptr, nullptr, 0, 0};

        window->Invoke(com::EvDocumentClose, &com::IID_NULL, 0, com::DISPATCH_METHOD, &none,
                       nullptr, nullptr, nullptr);
        flushDeletes();

        EXPECT_EQ(window.isNull(), c.closes);
        delete window.data();
    }
}

TEST_F(DefaultDocumentCloseTest, RegisteredWindowClosesWithTheLastDocumentOnEveryVersion) {
    for (int version : {14, 15, 18}) {
        SCOPED_TRACE(version);
        host::Application fresh;
        fresh.setVersion(version);
        const host::DocumentId first = fresh.newDocument(u"一");
        const host::DocumentId second = fresh.newDocument(u"二");
        QPointer<TTBaseForm> window = TTBaseForm::create<TTBaseForm>(Application(), fresh.com());
        window->AdviseEvents();
        window->show();

        ASSERT_TRUE(fresh.closeDocument(first));
        flushDeletes();
        EXPECT_FALSE(window.isNull());

        ASSERT_TRUE(fresh.closeDocument(second));
        flushDeletes();
        EXPECT_TRUE(window.isNull());
        EXPECT_EQ(fresh.sinkCount(), 0);
    }
}

} // namespace
