// The dialog service of batch mode: every box shown is printed as one line
// ("[caption] text") and answered from the script's queue of answers.
//
// Answers: "ok" takes a box's OK or Yes, an input's default text, a folder
// browser's start folder; "cancel" takes Cancel or No, or cancels an input
// or browser; any other text names a button (yes, no, abort, retry, ignore)
// of a message box, or is typed into an input box or chosen as a folder.
// With no answer queued, a message box takes OK (else its first button)
// and inputs and browsers are cancelled.
//
// Threads: the dialog layer calls it on the user-interface thread.
#pragma once

#include "platform/Dialogs.h"

#include <QStringList>
#include <QTextStream>

#include <deque>

namespace mosvik::app {

class BatchDialogs final : public platform::DialogService {
public:
    explicit BatchDialogs(QTextStream& out) : out_(out) {}

    void queueAnswer(const QString& answer) { answers_.push_back(answer); }
    const QStringList& shown() const { return shown_; }

    platform::MsgButton messageBox(const platform::MessageBoxRequest& request) override;
    std::optional<QString> inputBox(const platform::InputBoxRequest& request) override;
    std::optional<QString> browseFolder(const platform::FolderRequest& request) override;

private:
    void print(const QString& caption, const QString& text);
    std::optional<QString> nextAnswer();

    QTextStream& out_;
    std::deque<QString> answers_;
    QStringList shown_;
};

} // namespace mosvik::app
