// The real dialogs, answered by pressing their buttons once they are up.
#include "platform/QtDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

using namespace mosvik::platform;

namespace {

// Acts on the modal dialog once its own loop is running.
void whenModal(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        act(modal);
    });
}

TEST(QtDialogsTest, MessageBoxShowsTextCaptionIconAndReturnsThePressedButton) {
    QtDialogs dialogs;
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    whenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        caption = box->windowTitle();
        text = box->text();
        icon = box->icon();
        box->button(QMessageBox::No)->click();
    });

    const MsgButton pressed =
        dialogs.messageBox({nullptr, "继续吗？", "提示", MsgIcon::Question, BtnYes | BtnNo});

    EXPECT_EQ(pressed, BtnNo);
    EXPECT_EQ(caption, "提示");
    EXPECT_EQ(text, "继续吗？");
    EXPECT_EQ(icon, QMessageBox::Question);
}

TEST(QtDialogsTest, InputBoxReturnsTheTextOrNothingWhenCancelled) {
    QtDialogs dialogs;
    whenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<QInputDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->textValue(), "7");
        dialog->setTextValue("8");
        dialog->accept();
    });
    EXPECT_EQ(dialogs.inputBox({nullptr, "标题", "提示", "7"}), std::optional<QString>("8"));

    whenModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    EXPECT_EQ(dialogs.inputBox({nullptr, "标题", "提示", "7"}), std::nullopt);
}

} // namespace
