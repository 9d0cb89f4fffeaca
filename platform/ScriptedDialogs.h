// A dialogs service that shows nothing: it records every box it is asked for
// and answers from queues filled beforehand. Tests install it with
// DialogsOverride; the host program's batch mode answers boxes with it.
//
// With an empty queue a message box is answered with OK when it offers OK,
// else with the cautious choice: Cancel, then No, then the first button it
// offers; an input box and a folder browser are cancelled.
//
// Threads: as every service, it is called on the user-interface thread only;
// queue answers and read the record on that thread too.
#pragma once

#include "Dialogs.h"

#include <QThread>

#include <deque>
#include <functional>
#include <vector>

namespace mosvik::platform {

struct ShownDialog {
    enum Kind { Message, Input, Folder };
    Kind kind = Message;
    QWidget* owner = nullptr;
    QString text; // message text, input prompt or browser title
    QString caption;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = BtnNone;
    QString defaultText; // input default or browser start folder
    QThread* thread = nullptr;
};

class ScriptedDialogs final : public DialogService {
public:
    void answerMessage(MsgButton button) { messageAnswers_.push_back(button); }
    void answerInput(std::optional<QString> text) { inputAnswers_.push_back(std::move(text)); }
    void answerFolder(std::optional<QString> folder) {
        folderAnswers_.push_back(std::move(folder));
    }
    // Called with each box as it is shown, before it is answered.
    void onShow(std::function<void(const ShownDialog&)> hook) { onShow_ = std::move(hook); }

    const std::vector<ShownDialog>& shown() const { return shown_; }
    // Only the message boxes, in order.
    std::vector<ShownDialog> messages() const;
    void clear() { shown_.clear(); }

    MsgButton messageBox(const MessageBoxRequest& request) override;
    std::optional<QString> inputBox(const InputBoxRequest& request) override;
    std::optional<QString> browseFolder(const FolderRequest& request) override;

private:
    void record(ShownDialog box);

    std::deque<MsgButton> messageAnswers_;
    std::deque<std::optional<QString>> inputAnswers_;
    std::deque<std::optional<QString>> folderAnswers_;
    std::vector<ShownDialog> shown_;
    std::function<void(const ShownDialog&)> onShow_;
};

} // namespace mosvik::platform
