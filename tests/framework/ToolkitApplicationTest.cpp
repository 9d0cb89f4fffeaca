// Windows opened for a command request float over the host's main window.
#include "FormFixture.h"

#include "framework/ToolkitApplication.h"

using namespace mosvik;
using namespace mosvik::test;

namespace {

class ToolkitApplicationTest : public HostTest {
protected:
    void TearDown() override {
        Application().SetOwnerHandle(0);
        Application().DestroyWindows();
    }
};

TEST_F(ToolkitApplicationTest, HostWindowOfThisProcessBecomesTheTransientParentAndCentre) {
    QWidget hostWindow;
    hostWindow.setGeometry(100, 100, 900, 700);
    hostWindow.show();
    Application().SetOwnerHandle(static_cast<int32_t>(hostWindow.winId()));
    ASSERT_EQ(Application().OwnerWidget(), &hostWindow);

    auto* window = TTBaseForm::create<TProbeForm>(Application(), host.com());
    window->show();

    EXPECT_EQ(window->parentWidget(), nullptr);
    EXPECT_TRUE(Application().Windows().contains(window));
    ASSERT_NE(window->windowHandle(), nullptr);
    EXPECT_EQ(window->windowHandle()->transientParent(), hostWindow.windowHandle());
    // Centred to within the width of a window frame.
    const QPoint offset = window->frameGeometry().center() - hostWindow.frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 4);
}

TEST_F(ToolkitApplicationTest, WithoutAHostWindowWindowsStandAloneAndGoWhenDestroyed) {
    Application().SetOwnerHandle(0);
    EXPECT_EQ(Application().OwnerWidget(), nullptr);
    EXPECT_EQ(Application().OwnerWindow(), nullptr);
    const uint32_t baseline = host.refCount();

    QPointer<TProbeForm> first = TTBaseForm::create<TProbeForm>(Application(), host.com());
    QPointer<TProbeForm> second = TTBaseForm::create<TProbeForm>(Application(), host.com());
    first->show();
    EXPECT_EQ(first->windowHandle()->transientParent(), nullptr);
    EXPECT_EQ(Application().Windows().size(), 2);

    Application().DestroyWindows();
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(second.isNull());
    EXPECT_EQ(host.refCount(), baseline);
}

} // namespace
