#include "platform/Dialogs.h"
#include "platform/ScriptedDialogs.h"

#include <QCoreApplication>
#include <QThread>
#include <QWidget>
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

using namespace mosvik::platform;

namespace {

class ScriptedDialogsTest : public ::testing::Test {
protected:
    ScriptedDialogs script;
    DialogsOverride use{script};
};

// Runs `work` on a new thread while the user-interface thread keeps handling
// events, as it does while a tool's run is going.
template <class F> void runOnWorker(F work) {
    std::atomic<bool> done{false};
    QThread* thread = QThread::create([&] {
        work();
        done = true;
    });
    thread->start();
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    thread->wait();
    delete thread;
}

TEST_F(ScriptedDialogsTest, RecordsTheMessageBoxAndGivesTheQueuedAnswer) {
    QWidget owner;
    script.answerMessage(BtnNo);

    EXPECT_EQ(messageBox(&owner, "没有文档被打开！", "错误", MsgIcon::Error, BtnYes | BtnNo),
              BtnNo);

    ASSERT_EQ(script.shown().size(), 1u);
    const ShownDialog& box = script.shown()[0];
    EXPECT_EQ(box.kind, ShownDialog::Message);
    EXPECT_EQ(box.owner, &owner);
    EXPECT_EQ(box.text, "没有文档被打开！");
    EXPECT_EQ(box.caption, "错误");
    EXPECT_EQ(box.icon, MsgIcon::Error);
    EXPECT_EQ(box.buttons, BtnYes | BtnNo);
}

TEST_F(ScriptedDialogsTest, AnswersInQueueOrderThenFallBackToTheDefault) {
    script.answerMessage(BtnCancel);
    script.answerMessage(BtnRetry);
    const MsgButtons offered = BtnOk | BtnCancel | BtnRetry;

    EXPECT_EQ(messageBox(nullptr, "a", "c", MsgIcon::None, offered), BtnCancel);
    EXPECT_EQ(messageBox(nullptr, "b", "c", MsgIcon::None, offered), BtnRetry);
    EXPECT_EQ(messageBox(nullptr, "c", "c", MsgIcon::None, offered), BtnOk);
}

TEST_F(ScriptedDialogsTest, UnansweredMessageBoxTakesTheCautiousButton) {
    struct Case {
        MsgButtons offered;
        MsgButton expected;
    };
    const Case cases[] = {
        {BtnOk, BtnOk},
        {BtnOk | BtnCancel, BtnOk},
        {BtnYes | BtnNo | BtnCancel, BtnCancel},
        {BtnYes | BtnNo, BtnNo},
        {BtnAbort | BtnRetry | BtnIgnore, BtnAbort},
    };
    for (const Case& c : cases)
        EXPECT_EQ(messageBox(nullptr, "t", "c", MsgIcon::Question, c.offered), c.expected)
            << "offered " << c.offered;
}

TEST_F(ScriptedDialogsTest, InputAndFolderAnswersAndCancelWhenUnanswered) {
    script.answerInput(QString("12"));
    script.answerFolder(QString("/tmp/out"));

    EXPECT_EQ(inputBox("标题", "提示", "7"), std::optional<QString>("12"));
    EXPECT_EQ(browseFolder(nullptr, "选择文件夹", "/home"), std::optional<QString>("/tmp/out"));
    EXPECT_EQ(inputBox("标题", "提示", "7"), std::nullopt);
    EXPECT_EQ(browseFolder(nullptr, "选择文件夹", "/home"), std::nullopt);

    ASSERT_EQ(script.shown().size(), 4u);
    EXPECT_EQ(script.shown()[0].kind, ShownDialog::Input);
    EXPECT_EQ(script.shown()[0].text, "提示");
    EXPECT_EQ(script.shown()[0].defaultText, "7");
    EXPECT_EQ(script.shown()[1].kind, ShownDialog::Folder);
    EXPECT_EQ(script.shown()[1].defaultText, "/home");
    EXPECT_TRUE(script.messages().empty());
}

TEST_F(ScriptedDialogsTest, BoxFromAWorkerIsShownOnTheUserInterfaceThreadWhileItWaits) {
    script.answerMessage(BtnCancel);
    std::atomic<bool> shownWhileWorkerWaited{false};
    std::atomic<bool> workerReturned{false};
    script.onShow([&](const ShownDialog&) { shownWhileWorkerWaited = !workerReturned; });

    MsgButton answer = BtnNone;
    runOnWorker([&] {
        answer = messageBox(nullptr, "from worker", "DEBUG", MsgIcon::None, BtnOk | BtnCancel);
        workerReturned = true;
    });

    EXPECT_EQ(answer, BtnCancel);
    ASSERT_EQ(script.shown().size(), 1u);
    EXPECT_EQ(script.shown()[0].thread, QCoreApplication::instance()->thread());
    EXPECT_TRUE(shownWhileWorkerWaited);
}

TEST(DialogsOverrideTest, RestoresThePreviousServiceAndCarriesErrorsBackToTheWorker) {
    struct Failing final : DialogService {
        MsgButton messageBox(const MessageBoxRequest&) override {
            throw std::runtime_error("no screen");
        }
        std::optional<QString> inputBox(const InputBoxRequest&) override { return {}; }
        std::optional<QString> browseFolder(const FolderRequest&) override { return {}; }
    };
    ScriptedDialogs outer;
    DialogsOverride useOuter(outer);
    {
        Failing failing;
        DialogsOverride useFailing(failing);
        bool caught = false;
        runOnWorker([&] {
            try {
                messageBox(nullptr, "x", "y", MsgIcon::None);
            } catch (const std::runtime_error&) {
                caught = true;
            }
        });
        EXPECT_TRUE(caught);
    }
    messageBox(nullptr, "after", "y", MsgIcon::None);
    ASSERT_EQ(outer.shown().size(), 1u);
    EXPECT_EQ(outer.shown()[0].text, "after");
}

} // namespace
