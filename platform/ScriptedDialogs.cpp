#include "ScriptedDialogs.h"

namespace mosvik::platform {

namespace {
MsgButton defaultAnswer(MsgButtons offered) {
    if (offered & BtnOk)
        return BtnOk;
    if (offered & BtnCancel)
        return BtnCancel;
    if (offered & BtnNo)
        return BtnNo;
    for (unsigned bit = 1; bit != 0 && bit <= offered; bit <<= 1) {
        if (offered & bit)
            return static_cast<MsgButton>(bit);
    }
    return BtnNone;
}

template <class T> T takeFront(std::deque<T>& queue, const T& whenEmpty) {
    if (queue.empty())
        return whenEmpty;
    const T value = queue.front();
    queue.pop_front();
    return value;
}
} // namespace

void ScriptedDialogs::record(ShownDialog box) {
    box.thread = QThread::currentThread();
    shown_.push_back(box);
    if (onShow_)
        onShow_(shown_.back());
}

std::vector<ShownDialog> ScriptedDialogs::messages() const {
    std::vector<ShownDialog> out;
    for (const auto& box : shown_) {
        if (box.kind == ShownDialog::Message)
            out.push_back(box);
    }
    return out;
}

MsgButton ScriptedDialogs::messageBox(const MessageBoxRequest& request) {
    record({ShownDialog::Message, request.owner, request.text, request.caption, request.icon,
            request.buttons, QString(), nullptr});
    return takeFront(messageAnswers_, defaultAnswer(request.buttons));
}

std::optional<QString> ScriptedDialogs::inputBox(const InputBoxRequest& request) {
    record({ShownDialog::Input, request.owner, request.prompt, request.caption, MsgIcon::None,
            BtnOk | BtnCancel, request.defaultText, nullptr});
    return takeFront(inputAnswers_, std::optional<QString>());
}

std::optional<QString> ScriptedDialogs::browseFolder(const FolderRequest& request) {
    record({ShownDialog::Folder, request.owner, request.title, QString(), MsgIcon::None,
            BtnOk | BtnCancel, request.startFolder, nullptr});
    return takeFront(folderAnswers_, std::optional<QString>());
}

} // namespace mosvik::platform
