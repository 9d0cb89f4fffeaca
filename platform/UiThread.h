// Running a piece of work on the user-interface thread.
//
// Threads: callable from any thread. From a worker the work is queued to the
// thread of the QCoreApplication and the caller blocks until it has run; an
// exception thrown by the work is carried back and rethrown in the caller.
// The user-interface thread must not be waiting for that worker meanwhile,
// or both wait for ever.
#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

namespace mosvik::platform {

// True on the thread that owns the QCoreApplication, or when there is none.
inline bool isUiThread() {
    auto* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

template <class F> auto onUiThread(F&& work) -> std::invoke_result_t<F&> {
    using R = std::invoke_result_t<F&>;
    if (isUiThread())
        return work();
    std::exception_ptr error;
    if constexpr (std::is_void_v<R>) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [&] {
                try {
                    work();
                } catch (...) {
                    error = std::current_exception();
                }
            },
            Qt::BlockingQueuedConnection);
        if (error)
            std::rethrow_exception(error);
    } else {
        std::optional<R> result;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [&] {
                try {
                    result.emplace(work());
                } catch (...) {
                    error = std::current_exception();
                }
            },
            Qt::BlockingQueuedConnection);
        if (error)
            std::rethrow_exception(error);
        return std::move(*result);
    }
}

} // namespace mosvik::platform
