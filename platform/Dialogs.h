// Message box, input box and folder browser, behind one replaceable service.
//
// Ownership: the service installed with DialogsOverride stays owned by the
// caller and must outlive the override. Owner widgets in requests are
// borrowed for the duration of the call.
//
// Threads: call messageBox/inputBox/browseFolder from any thread. The box is
// always shown by the current service on the user-interface thread; a worker
// blocks until it is answered (see UiThread.h). Services themselves are only
// ever called on the user-interface thread.
//
// Process-wide: the current service is kept on the QCoreApplication object,
// so the host program and a plug-in library loaded into it (each with its own
// copy of this code) show their boxes through the same service.
#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace mosvik::platform {

enum class MsgIcon { None, Information, Warning, Error, Question };

// Buttons of a message box; a box offers a combination, the answer is one.
enum MsgButton : unsigned {
    BtnNone = 0,
    BtnOk = 1u << 0,
    BtnCancel = 1u << 1,
    BtnYes = 1u << 2,
    BtnNo = 1u << 3,
    BtnAbort = 1u << 4,
    BtnRetry = 1u << 5,
    BtnIgnore = 1u << 6,
};
using MsgButtons = unsigned;

struct MessageBoxRequest {
    QWidget* owner = nullptr; // null: a box of its own, over no window
    QString text;
    QString caption;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = BtnOk;
};

struct InputBoxRequest {
    QWidget* owner = nullptr;
    QString caption;
    QString prompt;
    QString defaultText;
};

struct FolderRequest {
    QWidget* owner = nullptr;
    QString title;
    QString startFolder;
};

class DialogService {
public:
    virtual ~DialogService() = default;
    // The button that closed the box.
    virtual MsgButton messageBox(const MessageBoxRequest& request) = 0;
    // The text entered, or nothing when cancelled.
    virtual std::optional<QString> inputBox(const InputBoxRequest& request) = 0;
    // The chosen folder with '/' separators, or nothing when cancelled.
    virtual std::optional<QString> browseFolder(const FolderRequest& request) = 0;
};

// The current service: the one last installed, else the Qt dialogs.
DialogService& dialogs();

// Installs `service` as the current service for its lifetime, then restores
// the one before. Create and destroy on the user-interface thread.
class DialogsOverride {
public:
    explicit DialogsOverride(DialogService& service);
    ~DialogsOverride();
    DialogsOverride(const DialogsOverride&) = delete;
    DialogsOverride& operator=(const DialogsOverride&) = delete;

private:
    DialogService* previous_;
};

MsgButton messageBox(QWidget* owner, const QString& text, const QString& caption, MsgIcon icon,
                     MsgButtons buttons = BtnOk);
std::optional<QString> inputBox(const QString& caption, const QString& prompt,
                                const QString& defaultText, QWidget* owner = nullptr);
std::optional<QString> browseFolder(QWidget* owner, const QString& title,
                                    const QString& startFolder);

} // namespace mosvik::platform
