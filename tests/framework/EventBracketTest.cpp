// The bracket of a change to the drawing under injected host failures: the
// command group is ended, optimisation goes off, the display is refreshed and
// the original error is the one that reaches the tool.
#include "FormFixture.h"

#include "framework/EventBracket.h"

#include "core/host/HostOps.h"

#include <QThread>

#include <atomic>

using namespace mosvik;
using namespace mosvik::test;

namespace {

class EventBracketTest : public HostTest {
protected:
    void SetUp() override {
        doc = newDocument(1);
        form.cmdName = "页面适配";
    }
    // The tool's work: one change to the active page.
    void work() {
        auto page = host_ops::activePage(host.com());
        com::check(page, page->put_SizeWidth(100));
    }

    host::DocumentId doc = 0;
    TProbeForm form{nullptr, host.com()};
};

TEST_F(EventBracketTest, SuccessfulWorkBecomesOneNamedUndoStep) {
    const int refreshes = host.refreshCount();
    {
        TEventBracket bracket(form, true, true);
        EXPECT_TRUE(host.optimization());
        work();
        bracket.end();
    }
    EXPECT_EQ(host.openGroupDepth(doc), 0);
    EXPECT_FALSE(host.optimization());
    EXPECT_EQ(host.refreshCount(), refreshes + 1);
    EXPECT_EQ(host.undoSteps(doc).front(), u"页面适配");
}

TEST_F(EventBracketTest, FailureAnywhereInTheBracketLeavesTheHostClosedAndRedrawing) {
    struct Case {
        const char* failing; // the host call that fails
        int nth;             // its n-th call from the start of the bracket
    };
    const Case cases[] = {
        {"IVGApplication.get_ActiveDocument", 1}, // StartEvent, before the group
        {"IVGDocument.BeginCommandGroup", 1},     // StartEvent, the group itself
        {"IVGApplication.put_Optimization", 1},   // StartEvent, after the group opened
        {"IVGPage.put_SizeWidth", 1},             // the work
        {"IVGDocument.EndCommandGroup", 1},       // EndEvent
        {"IVGApplication.put_Optimization", 2},   // EndEvent, after the group closed
        {"IVGApplication.Refresh", 1},            // EndEvent, the last step
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.failing << " #" << c.nth);
        host_ops::setOptimization(host.com(), false);
        host.faults().clear();
        host.faults().add({c.failing, c.nth - 1, 1, com::E_FAIL, u"注入的故障"});
        const int refreshes = host.refreshCount();
        const size_t injectedBefore = host.faults().injected().size();

        try {
            TEventBracket bracket(form, true, true);
            work();
            bracket.end();
            ADD_FAILURE() << "the injected failure did not reach the tool";
        } catch (const com::HostError& e) {
            EXPECT_EQ(e.message(), u"注入的故障");
        }

        const auto injected = host.faults().injected();
        EXPECT_EQ(std::vector<std::string>(injected.begin() + injectedBefore, injected.end()),
                  std::vector<std::string>{c.failing});
        EXPECT_EQ(host.openGroupDepth(doc), 0);
        EXPECT_FALSE(host.optimization());
        EXPECT_EQ(host.refreshCount(), refreshes + 1);
    }
}

TEST_F(EventBracketTest, FailingCleanUpDoesNotHideTheOriginalError) {
    host.faults().add({"IVGPage.put_SizeWidth", 0, 1, com::E_FAIL, u"工作失败"});
    host.faults().failOn("IVGDocument.EndCommandGroup");
    host.faults().failOn("IVGApplication.Refresh");

    try {
        TEventBracket bracket(form, true, true);
        work();
        bracket.end();
        ADD_FAILURE() << "no error";
    } catch (const com::HostError& e) {
        EXPECT_EQ(e.message(), u"工作失败");
    }
    EXPECT_FALSE(host.optimization());
    host.faults().clear();
    host_ops::endCommandGroup(host_ops::activeDocument(host.com()).get());
}

TEST_F(EventBracketTest, AWorkerThreadRunsTheBracketWithTheSameReferences) {
    host.faults().add({"IVGPage.put_SizeWidth", 0, 1, com::E_FAIL, u"工作失败"});
    std::atomic<bool> done{false};
    bool failed = false;
    QThread* worker = QThread::create([&] {
        try {
            TEventBracket bracket(form, true, true);
            work();
            bracket.end();
        } catch (const com::HostError&) {
            failed = true;
        }
        done = true;
    });
    worker->start();
    while (!done)
        QCoreApplication::processEvents();
    worker->wait();
    delete worker;

    EXPECT_TRUE(failed);
    EXPECT_EQ(host.openGroupDepth(doc), 0);
    EXPECT_FALSE(host.optimization());
}

} // namespace
