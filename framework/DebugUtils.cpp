#include "DebugUtils.h"

#include "platform/Dialogs.h"

namespace mosvik::DebugUtils {

void ShowMessage(const QString& text) {
    if constexpr (DebugMessagesEnabled)
        platform::messageBox(nullptr, text, QStringLiteral("DEBUG"), platform::MsgIcon::None,
                             platform::BtnOk);
}

void ShowMessage(const std::u16string& text) {
    ShowMessage(QString::fromStdU16String(text));
}

} // namespace mosvik::DebugUtils
