#include "QtDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

#include <utility>

namespace mosvik::platform {

namespace {
constexpr std::pair<MsgButton, QMessageBox::StandardButton> ButtonMap[] = {
    {BtnOk, QMessageBox::Ok},         {BtnCancel, QMessageBox::Cancel},
    {BtnYes, QMessageBox::Yes},       {BtnNo, QMessageBox::No},
    {BtnAbort, QMessageBox::Abort},   {BtnRetry, QMessageBox::Retry},
    {BtnIgnore, QMessageBox::Ignore},
};

QMessageBox::Icon qtIcon(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Error:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

MsgButton QtDialogs::messageBox(const MessageBoxRequest& request) {
    QMessageBox box(qtIcon(request.icon), request.caption, request.text, QMessageBox::NoButton,
                    request.owner);
    for (const auto& [ours, qt] : ButtonMap) {
        if (request.buttons & ours)
            box.addButton(qt);
    }
    if (box.buttons().isEmpty())
        box.addButton(QMessageBox::Ok);
    box.exec();
    const auto pressed = box.standardButton(box.clickedButton());
    for (const auto& [ours, qt] : ButtonMap) {
        if (pressed == qt)
            return ours;
    }
    return BtnNone;
}

std::optional<QString> QtDialogs::inputBox(const InputBoxRequest& request) {
    QInputDialog dialog(request.owner);
    dialog.setWindowTitle(request.caption);
    dialog.setLabelText(request.prompt);
    dialog.setTextValue(request.defaultText);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

std::optional<QString> QtDialogs::browseFolder(const FolderRequest& request) {
    const QString folder =
        QFileDialog::getExistingDirectory(request.owner, request.title, request.startFolder);
    if (folder.isEmpty())
        return std::nullopt;
    return QDir::fromNativeSeparators(folder);
}

} // namespace mosvik::platform
