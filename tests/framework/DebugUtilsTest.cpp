// The DEBUG box, the handler guard and the special-folder utility.
#include "framework/DebugUtils.h"
#include "framework/HandlerGuard.h"
#include "framework/ToolkitApplication.h"
#include "framework/Utils.h"
#include "platform/QtDialogs.h"
#include "platform/ScriptedDialogs.h"
#include "platform/ShellFolders.h"

#include "core/host/HostError.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

using namespace mosvik;

namespace {

class ScriptedBoxesTest : public ::testing::Test {
protected:
    platform::ScriptedDialogs dialogs;
    platform::DialogsOverride use{dialogs};
};

TEST_F(ScriptedBoxesTest, DebugMessageIsAnOwnerlessOkBoxCaptionedDebugFromAnyThread) {
    DebugUtils::ShowMessage(QString("界面线程"));
    std::atomic<bool> done{false};
    QThread* worker = QThread::create([&] {
        DebugUtils::ShowMessage(std::u16string(u"工作线程"));
        done = true;
    });
    worker->start();
    while (!done)
        QCoreApplication::processEvents();
    worker->wait();
    delete worker;

    ASSERT_EQ(dialogs.shown().size(), 2u);
    for (const auto& box : dialogs.shown()) {
        EXPECT_EQ(box.caption, "DEBUG");
        EXPECT_EQ(box.owner, nullptr);
        EXPECT_EQ(box.buttons, platform::BtnOk);
        EXPECT_EQ(box.thread, QCoreApplication::instance()->thread());
    }
    EXPECT_EQ(dialogs.shown()[1].text, "工作线程");
}

TEST(DebugUtilsTest, DebugMessageBlocksUntilTheBoxIsClosed) {
    platform::QtDialogs real;
    platform::DialogsOverride use(real);
    bool returned = false;
    bool openWhileWaiting = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        openWhileWaiting = !returned && box->windowTitle() == "DEBUG";
        box->button(QMessageBox::Ok)->click();
    });
    DebugUtils::ShowMessage(QString("停"));
    returned = true;
    EXPECT_TRUE(openWhileWaiting);
}

TEST_F(ScriptedBoxesTest, HandlerErrorsBecomeTheDefaultErrorBoxAndStopThere) {
    struct Case {
        std::function<void()> handler;
        const char* text;
    };
    const Case cases[] = {
        {[] { throw com::HostError(com::E_FAIL, u"没有活动文档"); }, "没有活动文档"},
        {[] { throw std::runtime_error("disk full"); }, "disk full"},
        {[] { throw 42; }, "未知错误"},
    };
    for (const Case& c : cases) {
        dialogs.clear();
        QWidget window;
        QPushButton button(&window);
        QObject::connect(&button, &QPushButton::clicked, &window, guarded(&window, c.handler));

        button.click();

        ASSERT_EQ(dialogs.shown().size(), 1u) << c.text;
        const auto& box = dialogs.shown()[0];
        EXPECT_EQ(box.text, c.text);
        EXPECT_EQ(box.caption, Application().Title());
        EXPECT_EQ(box.icon, platform::MsgIcon::Error);
        EXPECT_EQ(box.buttons, platform::BtnOk);
        EXPECT_EQ(box.owner, &window);
    }
}

TEST(UtilsTest, SpecialFolderPathFollowsThePlatformAndKnowsNoOtherNumbers) {
    for (int csidl : {0, 26, 39})
        EXPECT_EQ(GetSpecialFolderPath(csidl), platform::specialFolderPath(csidl)) << csidl;
    EXPECT_FALSE(GetSpecialFolderPath(0).isEmpty());
    EXPECT_EQ(GetSpecialFolderPath(12345), "");
}

} // namespace
