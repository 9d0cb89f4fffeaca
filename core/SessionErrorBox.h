// The box through which the plug-in object reports a failed session start
// or stop: no owner window, an OK button, the error's text.
#pragma once

#include <string>

namespace mosvik {

void showSessionErrorBox(const char16_t* caption, const std::u16string& message);

} // namespace mosvik
