#include "SessionErrorBox.h"

#include "platform/Dialogs.h"

namespace mosvik {

void showSessionErrorBox(const char16_t* caption, const std::u16string& message) {
    platform::messageBox(nullptr, QString::fromStdU16String(message), QString::fromUtf16(caption),
                         platform::MsgIcon::None, platform::BtnOk);
}

} // namespace mosvik
