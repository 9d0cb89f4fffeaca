#include "ToolkitApplication.h"

#include "platform/Dialogs.h"
#include "platform/ModulePath.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

namespace mosvik {

namespace {
WId toWId(int32_t handle) {
    return static_cast<WId>(static_cast<uint32_t>(handle));
}

QRect ownerArea(TApplication& app) {
    if (QWidget* widget = app.OwnerWidget())
        return widget->window()->frameGeometry();
    if (QWindow* window = app.OwnerWindow())
        return window->frameGeometry();
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}
} // namespace

TApplication::TApplication() = default;

TApplication::~TApplication() {
    // Without the QApplication, windows and platform wrappers are gone or
    // cannot be touched any more.
    if (!QCoreApplication::instance())
        return;
    DestroyWindows();
    for (auto& [handle, window] : foreign_)
        delete window;
}

void TApplication::SetOwnerHandle(int32_t handle) {
    ownerHandle_ = handle;
}

QWidget* TApplication::OwnerWidget() const {
    return ownerHandle_ ? QWidget::find(toWId(ownerHandle_)) : nullptr;
}

QWindow* TApplication::OwnerWindow() {
    if (!ownerHandle_)
        return nullptr;
    if (QWidget* widget = OwnerWidget())
        return widget->window()->windowHandle();
    auto known = foreign_.find(ownerHandle_);
    if (known != foreign_.end())
        return known->second;
    QWindow* window = QWindow::fromWinId(toWId(ownerHandle_));
    foreign_[ownerHandle_] = window; // a failed wrap is not retried
    return window;
}

QString TApplication::Title() const {
    if (!title_.isEmpty())
        return title_;
    return QFileInfo(platform::modulePath()).completeBaseName();
}

void TApplication::ShowException(const QString& message, QWidget* owner) {
    platform::messageBox(owner, message, Title(), platform::MsgIcon::Error, platform::BtnOk);
}

void TApplication::Adopt(QWidget* window) {
    windows_.removeAll(nullptr);
    windows_.append(window);
}

void TApplication::PlaceOverOwner(QWidget* window) {
    if (QWindow* handle = window->windowHandle())
        handle->setTransientParent(OwnerWindow());
    const QRect area = ownerArea(*this);
    if (area.isValid())
        window->move(area.center() - window->rect().center());
}

QList<QWidget*> TApplication::Windows() const {
    QList<QWidget*> open;
    for (const auto& window : windows_) {
        if (window)
            open.append(window.data());
    }
    return open;
}

void TApplication::DestroyWindows() {
    const auto open = Windows();
    windows_.clear();
    for (QWidget* window : open)
        delete window;
}

TApplication& Application() {
    static TApplication application;
    return application;
}

} // namespace mosvik
