// The box through which internal errors are reported to a developer.
//
// Threads: ShowMessage may be called from any thread; the box is shown on
// the user-interface thread and only the calling thread waits for it.
#pragma once

#include <QString>

#include <string>

namespace mosvik {

constexpr bool DebugMessagesEnabled = true;

namespace DebugUtils {
// When DebugMessagesEnabled: a box without owner, captioned "DEBUG", with
// `text` and an OK button; returns once it is closed.
void ShowMessage(const QString& text);
void ShowMessage(const std::u16string& text);
} // namespace DebugUtils

} // namespace mosvik
