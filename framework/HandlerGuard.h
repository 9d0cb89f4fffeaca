// Every handler the toolkit calls runs inside a guard: an exception that
// escapes it becomes the toolkit's default error box (error icon, the
// exception's message, OK) instead of crossing Qt's event loop.
//
// Threads: any thread; the box is shown on the user-interface thread.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <exception>

namespace mosvik {

// The text an error carries: a HostError's message, what() of any other
// standard exception.
QString exceptionMessage(std::exception_ptr error);

// Shows the default error box for `error` over `owner` (may be null).
void showHandlerError(QWidget* owner, std::exception_ptr error) noexcept;

// Runs `handler`; returns false when it threw (the box has been shown).
template <class F> bool runGuarded(QWidget* owner, F&& handler) noexcept {
    try {
        handler();
        return true;
    } catch (...) {
        showHandlerError(owner, std::current_exception());
        return false;
    }
}

// A slot for connect() that runs a window's handler inside the guard:
//   connect(btn_Export, &QPushButton::clicked, this,
//           guarded(this, &TfToJPG::btn_ExportClick));
template <class W> auto guarded(W* window, void (W::*handler)()) {
    return [window = QPointer<W>(window), handler] {
        if (window)
            runGuarded(window.data(), [&] { (window.data()->*handler)(); });
    };
}

template <class F> auto guarded(QWidget* owner, F handler) {
    return [owner = QPointer<QWidget>(owner), handler] {
        runGuarded(owner.data(), handler);
    };
}

} // namespace mosvik
