// The toolkit's application object: owner of the windows that a command
// request opens, and the place those windows float over.
//
// The host names its main window by a native handle (a 32-bit integer),
// handed over on every command request. When that handle is a window of this
// process, it is used as it is; otherwise it is wrapped as a foreign window.
// Windows owned by the application object are top-level windows with the
// host window as transient parent; they are not destroyed with it.
//
// Ownership: the object lives for the whole process (Application()). It
// tracks the windows it owns without owning their memory: each frees itself
// when closed; DestroyWindows() frees those still open.
// Threads: user-interface thread only.
#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <QWindow>

#include <cstdint>
#include <map>

namespace mosvik {

class TApplication {
public:
    TApplication();
    ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // The host's main window, by its native handle; 0 for none.
    void SetOwnerHandle(int32_t handle);
    int32_t OwnerHandle() const { return ownerHandle_; }
    // The host window when it is a widget of this process, else null.
    QWidget* OwnerWidget() const;
    // The host window as a window of this process or a foreign one; null
    // when there is none or the platform cannot wrap it.
    QWindow* OwnerWindow();

    // Caption of the default error box; the library's name unless set.
    QString Title() const;
    void SetTitle(const QString& title) { title_ = title; }
    // The default error box: error icon, `message`, OK.
    void ShowException(const QString& message, QWidget* owner = nullptr);

    // Makes `window` one of the application's windows (see above).
    void Adopt(QWidget* window);
    // Places an adopted window over the host window: transient parent and
    // centred on it. Call once its native window exists, before it shows.
    void PlaceOverOwner(QWidget* window);
    QList<QWidget*> Windows() const;
    void DestroyWindows();

private:
    int32_t ownerHandle_ = 0;
    QString title_;
    QList<QPointer<QWidget>> windows_;
    std::map<int32_t, QWindow*> foreign_;
};

TApplication& Application();

} // namespace mosvik
