// Event sinks: registration, the automation form of the arguments, answers
// written back, and delivery on the user-interface thread.
#include "HostFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace mosvik::host::test {
namespace {

using namespace com;
using ::testing::ElementsAre;

class EventTest : public HostTest {
protected:
    void SetUp() override { cookie = host_ops::adviseEvents(host(), &sink); }
    void TearDown() override {
        if (cookie)
            host_ops::unadviseEvents(host(), cookie);
    }
    // Lets queued events through until `done` or a generous deadline.
    static void processUntil(const std::function<bool()>& done) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    RecordingSink sink;
    int32_t cookie = 0;
};

TEST_F(EventTest, AdviseHoldsTheSinkUntilUnadvisedAndCookiesDiffer) {
    EXPECT_NE(cookie, 0);
    EXPECT_EQ(sink.refs, 1u);
    RecordingSink other;
    const int32_t second = host_ops::adviseEvents(host(), &other);
    EXPECT_NE(second, cookie);
    EXPECT_NE(second, 0);
    EXPECT_EQ(app.sinkCount(), 2);

    host_ops::unadviseEvents(host(), second);
    EXPECT_EQ(other.refs, 0u);
    app.raiseStart();
    EXPECT_TRUE(other.events().empty());
    EXPECT_EQ(sink.dispIds(), std::vector<int32_t>{EvStart});
    EXPECT_FALSE(hostErrorOf([&] { host_ops::unadviseEvents(host(), second); }).empty());
}

TEST_F(EventTest, ArgumentsArriveLastFirstInAutomationForm) {
    const DocumentId id = app.newDocument(u"A");
    app.raiseWindowActivate(id);
    app.raisePluginCommand(u"mosvik1_导出图片");

    const auto events = sink.events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].dispId, EvDocumentNew); // (Doc, FromTemplate, Template, IncludeGraphics)
    EXPECT_THAT(events[0].tagsLastFirst, ElementsAre(VT_BOOL, VT_BSTR, VT_BOOL, VT_DISPATCH));
    EXPECT_THAT(events[1].tagsLastFirst, ElementsAre(VT_DISPATCH, VT_DISPATCH));
    EXPECT_EQ(events[2].dispId, EvOnPluginCommand);
    EXPECT_THAT(events[2].texts, ElementsAre(u"mosvik1_导出图片"));
}

TEST_F(EventTest, DocumentArgumentIsTheActiveDocumentObject) {
    ComPtr<IUnknown> passed;
    sink.react = [&](int32_t dispId, DispParams* params) {
        if (dispId == EvDocumentOpen)
            variantInterface(argument(params, 0))->QueryInterface(&IID_IUnknown, passed.putVoid());
    };
    app.openDocument(u"/tmp/drawings/card.cdr");
    ASSERT_TRUE(passed);
    ComPtr<IUnknown> active;
    activeDocument()->QueryInterface(&IID_IUnknown, active.putVoid());
    EXPECT_EQ(passed.get(), active.get());
    EXPECT_EQ(sink.events().back().texts, std::vector<std::u16string>{u"/tmp/drawings/card.cdr"});
    EXPECT_EQ(nameOf(activeDocument().get()), u"card.cdr");
}

TEST_F(EventTest, ByReferenceAnswersReturnToTheRaiser) {
    sink.react = [](int32_t dispId, DispParams* params) {
        if (dispId == EvOnUpdatePluginCommand) {
            *variantBoolRef(argument(params, 1)) = VARIANT_FALSE;
            *argument(params, 2)->plVal = 1;
        }
        if (dispId == EvQueryDocumentClose)
            *variantBoolRef(argument(params, 1)) = VARIANT_TRUE;
    };
    const CommandState state = app.queryPluginCommandState(u"mosvik1_全部");
    EXPECT_FALSE(state.enabled);
    EXPECT_EQ(state.checked, 1);

    const DocumentId id = app.newDocument();
    EXPECT_FALSE(app.closeDocument(id));
    EXPECT_EQ(app.documents(), std::vector<DocumentId>{id});
    EXPECT_EQ(sink.dispIds().back(), EvQueryDocumentClose);
}

struct CloseCase {
    int version;
    int countDuringClose;
};

class CloseTest : public EventTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(CloseTest, DocumentCloseCountsTheClosingDocumentOnlyOnVersion14) {
    app.setVersion(GetParam().version);
    const DocumentId id = app.newDocument(u"Closing");
    int countDuringClose = -1;
    std::u16string nameDuringClose;
    sink.react = [&](int32_t dispId, DispParams* params) {
        if (dispId != EvDocumentClose)
            return;
        countDuringClose = host_ops::documentCount(host());
        auto* doc = static_cast<IVGDocument*>(variantInterface(argument(params, 0)));
        nameDuringClose = nameOf(doc);
    };
    auto held = activeDocument();

    EXPECT_TRUE(app.closeDocument(id));
    EXPECT_THAT(sink.dispIds(), ElementsAre(EvDocumentNew, EvQueryDocumentClose, EvDocumentClose));
    EXPECT_EQ(countDuringClose, GetParam().countDuringClose);
    EXPECT_EQ(nameDuringClose, u"Closing");
    EXPECT_EQ(host_ops::documentCount(host()), 0);
    EXPECT_EQ(app.activeDocument(), 0u);
    EXPECT_THAT(hostErrorOf([&] { nameOf(held.get()); }),
                ::testing::HasSubstr("object no longer exists"));
}

INSTANTIATE_TEST_SUITE_P(Versions, CloseTest,
                         ::testing::Values(CloseCase{14, 1}, CloseCase{15, 0}, CloseCase{18, 0}));

TEST_F(EventTest, SelectionChangeFollowsTheActiveDocumentsSelection) {
    const DocumentId id = app.newDocument();
    const model::Id a = app.addShape(id, model::shape(ShapeRectangle, 0, 0, 1, 1));
    check(pageShape(1), pageShape(1)->AddToSelection());
    check(pageShape(1), pageShape(1)->AddToSelection()); // already selected: no change
    app.setSelection(id, {a});                           // same selection: no change
    app.deleteShape(id, a);
    EXPECT_THAT(sink.dispIds(), ElementsAre(EvDocumentNew, EvSelectionChange, EvSelectionChange));
}

TEST_F(EventTest, EventFromAWorkerArrivesQueuedOnTheUserInterfaceThread) {
    std::thread worker([&] { app.raisePluginCommand(u"mosvik1_二维码"); });
    worker.join();
    EXPECT_TRUE(sink.events().empty()) << "not delivered on the worker";
    processUntil([&] { return !sink.events().empty(); });
    ASSERT_EQ(sink.events().size(), 1u);
    EXPECT_EQ(sink.events()[0].thread, std::this_thread::get_id());
}

TEST_F(EventTest, WorkerHostCallsDoNotWaitForTheUserInterfaceThread) {
    app.newDocument();
    app.addShape(app.activeDocument(), model::shape(ShapeRectangle, 0, 0, 1, 1));
    auto shape = pageShape(1);
    // The UI thread is blocked in join: a host that delivered the worker's
    // SelectionChange synchronously, or waited for it, would hang here.
    std::thread worker([&] { check(shape, shape->AddToSelection()); });
    worker.join();
    processUntil([&] { return sink.dispIds().back() == EvSelectionChange; });
    EXPECT_EQ(sink.events().back().thread, std::this_thread::get_id());
}

TEST_F(EventTest, SinkMayWaitForAWorkerThatCallsTheHost) {
    app.newDocument();
    app.addShape(app.activeDocument(), model::shape(ShapeRectangle, 0, 0, 1, 1));
    int countSeenByWorker = -1;
    sink.react = [&](int32_t dispId, DispParams*) {
        if (dispId != EvSelectionChange)
            return;
        // Raised inside AddToSelection: the host lock must be free by now.
        std::thread worker([&] { countSeenByWorker = host_ops::documentCount(host()); });
        worker.join();
    };
    check(pageShape(1), pageShape(1)->AddToSelection());
    EXPECT_EQ(countSeenByWorker, 1);
}

} // namespace
} // namespace mosvik::host::test
