// The launcher window and the enhanced align window: their layout, the
// windows a launcher button opens and who owns them, and page fit from the
// launcher with its error box.
#include "FormFixture.h"

#include "framework/AlignForm.h"
#include "framework/AllCommand.h"
#include "framework/MainForm.h"

#include "core/host/HostOps.h"

#include <QPainter>
#include <QPushButton>

using namespace mosvik;
using namespace mosvik::test;

namespace {

class LauncherWindowsTest : public HostTest {
protected:
    void TearDown() override {
        // Windows a test left open go before the host does.
        for (QWidget* w : Application().Windows())
            delete w;
    }
    TfMain* newLauncher() {
        TfMain* launcher = TTBaseForm::create<TfMain>(Application(), host.com());
        launcher->show();
        return launcher;
    }
    template <class T> static QList<T*> ownedBy(QWidget* window) {
        return window->findChildren<T*>(QString(), Qt::FindDirectChildrenOnly);
    }
};

TEST_F(LauncherWindowsTest, LauncherLooksAsDesigned) {
    struct Button {
        const char* name;
        const char* caption;
        int left, top;
        bool enabled; // false: its window is not there yet
    };
    const Button buttons[] = {
        {"btn_ToJPG", "导出图片", 8, 8, false}, {"btn1", "各种转换", 89, 8, false},
        {"btn2", "屏幕校正", 170, 8, false},    {"btn3", "btn3", 8, 39, true},
        {"btn4", "页面适配", 89, 39, true},     {"btn5", "字体识别", 170, 39, false},
        {"btn6", "增强对齐", 8, 70, true},
    };
    TfMain* launcher = newLauncher();
    EXPECT_EQ(launcher->windowTitle(), "主窗口");
    EXPECT_EQ(launcher->size(), QSize(278, 198));
    EXPECT_EQ(launcher->minimumSize(), launcher->maximumSize());
    EXPECT_TRUE(launcher->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(launcher->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(launcher->font().family(), "Tahoma");
    EXPECT_EQ(launcher->font().pixelSize(), 11);

    const QPushButton* fields[] = {launcher->btn_ToJPG, launcher->btn1, launcher->btn2,
                                   launcher->btn3,      launcher->btn4, launcher->btn5,
                                   launcher->btn6};
    EXPECT_EQ(launcher->findChildren<QPushButton*>().size(), std::size(buttons));
    const QWidget* previous = nullptr;
    for (size_t i = 0; i < std::size(buttons); ++i) {
        const Button& b = buttons[i];
        SCOPED_TRACE(b.name);
        auto* button = launcher->findChild<QPushButton*>(b.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button, fields[i]);
        EXPECT_EQ(button->text(), b.caption);
        EXPECT_EQ(button->geometry(), QRect(b.left, b.top, 75, 25));
        EXPECT_EQ(button->isEnabled(), b.enabled);
        EXPECT_TRUE(button->focusPolicy() & Qt::TabFocus);
        if (previous) {
            const QWidget* next = previous->nextInFocusChain();
            EXPECT_EQ(next, button) << "after " << previous->objectName().toStdString();
        }
        previous = button;
    }

    launcher->grab().save("/tmp/fw/launcher.png");
}

TEST_F(LauncherWindowsTest, EachClickOpensANewWindowThatGoesWithTheLauncher) {
    const uint32_t baseline = host.refCount();
    TfMain* launcher = newLauncher();
    QPointer<TfMain> watch = launcher;

    launcher->btn3->click();
    launcher->btn3->click();
    launcher->btn6->click();

    const auto opened = ownedBy<TfAlign>(launcher);
    ASSERT_EQ(opened.size(), 3);
    QList<QPointer<TfAlign>> watched;
    for (TfAlign* window : opened) {
        EXPECT_TRUE(window->isVisible());
        EXPECT_TRUE(window->isWindow());
        EXPECT_FALSE(window->isModal());
        watched.append(window);
    }
    EXPECT_NE(opened[0], opened[1]);
    EXPECT_NE(opened[1], opened[2]);
    // One application reference each, besides the launcher's own.
    EXPECT_EQ(host.refCount(), baseline + 4);

    // An align window closed on its own leaves the others.
    watched[0]->close();
    flushDeletes();
    EXPECT_TRUE(watched[0].isNull());
    EXPECT_EQ(ownedBy<TfAlign>(launcher).size(), 2);

    launcher->close();
    flushDeletes();
    EXPECT_TRUE(watch.isNull());
    for (const auto& window : watched)
        EXPECT_TRUE(window.isNull());
    EXPECT_EQ(host.refCount(), baseline);
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(LauncherWindowsTest, ARegisteredWindowSwitchesItsButtonOn) {
    SetLauncher("btn_ToJPG", &TfMain::Open<TfAlign>);
    TfMain* launcher = newLauncher();
    SetLauncher("btn_ToJPG", nullptr);
    EXPECT_TRUE(launcher->btn_ToJPG->isEnabled());
    launcher->btn_ToJPG->click();
    EXPECT_EQ(ownedBy<TfAlign>(launcher).size(), 1);
    EXPECT_FALSE(newLauncher()->btn_ToJPG->isEnabled());
    EXPECT_THROW(SetLauncher("btn7", nullptr), std::invalid_argument);
}

TEST_F(LauncherWindowsTest, PageFitButtonFitsThePageOrShowsTheError) {
    const host::DocumentId doc = newDocument(2);
    TfMain* launcher = newLauncher();
    const auto references = host.refCount();

    launcher->btn4->click();
    ASSERT_FALSE(host.undoSteps(doc).empty());
    EXPECT_EQ(host.undoSteps(doc).front(), u"页面适配");
    const host::model::Page page = host.drawing(doc).pages[0];
    EXPECT_DOUBLE_EQ(page.width, 21);
    EXPECT_DOUBLE_EQ(page.height, 20);
    // The hidden carrier window goes with the click, and its reference too.
    EXPECT_TRUE(ownedBy<TfAllCommand>(launcher).empty());
    EXPECT_EQ(host.refCount(), references);
    EXPECT_TRUE(dialogs.shown().empty());

    host.faults().failOnce("IVGShapeRange.Group");
    launcher->btn4->click();
    ASSERT_EQ(dialogs.messages().size(), 1u);
    const platform::ShownDialog box = dialogs.messages()[0];
    EXPECT_EQ(box.text, "injected failure of IVGShapeRange.Group");
    EXPECT_EQ(box.caption, Application().Title());
    EXPECT_EQ(box.icon, platform::MsgIcon::Error);
    EXPECT_EQ(box.owner, launcher);
    EXPECT_EQ(host.openGroupDepth(doc), 0);
    EXPECT_FALSE(host.optimization());
    EXPECT_TRUE(launcher->isVisible());
}

TEST_F(LauncherWindowsTest, AlignWindowHasSixFlatButtonsAndGlyphsOnTheFirstThree) {
    TfAlign* window = TTBaseForm::create<TfAlign>(Application(), host.com());
    window->show();
    EXPECT_EQ(window->windowTitle(), "增强对齐");
    EXPECT_EQ(window->width(), 473);
    EXPECT_EQ(window->lbl1->text(), "对齐");
    EXPECT_EQ(window->bvl1->frameShape(), QFrame::VLine);
    EXPECT_TRUE(window->testAttribute(Qt::WA_AlwaysShowToolTips));

    ASSERT_EQ(window->il1.Count(), 6);
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        const QImage glyph = window->il1.GetBitmap(i).toImage();
        EXPECT_EQ(glyph.size(), QSize(24, 24));
        for (int j = 0; j < i; ++j)
            EXPECT_NE(glyph, window->il1.GetBitmap(j).toImage()) << "same as glyph " << j;
    }

    const char* names[] = {"spdbtnxALeft", "spdbtnxARight",  "spdbtnxAHCenter",
                           "spdbtnxATop",  "spdbtnxABottom", "spdbtnxCCenter"};
    EXPECT_EQ(window->findChildren<TSpeedButtonEx*>().size(), std::size(names));
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(names[i]);
        auto* button = window->findChild<TSpeedButtonEx*>(names[i]);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->size(), QSize(28, 28));
        EXPECT_TRUE(button->autoRaise());
        EXPECT_TRUE(window->rect().contains(button->geometry()));
        EXPECT_EQ(button->defaultAction(), nullptr);
        if (i < 3) {
            EXPECT_EQ(button->icon().pixmap(24, 24).toImage(), window->il1.GetBitmap(i).toImage());
        } else {
            EXPECT_TRUE(button->icon().isNull());
        }
    }

    // Pressing its buttons changes nothing in the drawing.
    const host::DocumentId doc = newDocument(1);
    const auto steps = host.undoSteps(doc);
    for (auto* button : window->findChildren<TSpeedButtonEx*>())
        button->click();
    EXPECT_EQ(host.undoSteps(doc), steps);

    window->grab().save("/tmp/fw/align.png");
    QImage glyphs(6 * 28, 28, QImage::Format_ARGB32);
    glyphs.fill(Qt::white);
    QPainter p(&glyphs);
    for (int i = 0; i < 6; ++i)
        p.drawPixmap(i * 28 + 2, 2, window->il1.GetBitmap(i));
    p.end();
    glyphs.scaled(glyphs.size() * 4).save("/tmp/fw/glyphs.png");
}

} // namespace
