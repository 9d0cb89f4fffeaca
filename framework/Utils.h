// Small services the tools share: the settings file beside the library and
// the shell's special folders.
//
// Threads: any thread.
#pragma once

#include "IniFile.h"

#include <QString>

#include <memory>

namespace mosvik {

// The settings file of a library at `modulePath`: same folder, the library's
// file name with its extension replaced by ".ini" (mosvik1.cpg: mosvik1.ini).
QString settingsFilePathFor(const QString& modulePath);

// A new settings-file object for the file beside this library; the caller
// owns it.
std::unique_ptr<TIniFile> OpenSettingsFile();

// Path of the shell special folder `csidl` (0 desktop, 26 roaming
// application data, 39 pictures); empty when the system cannot name it.
QString GetSpecialFolderPath(int csidl);

} // namespace mosvik
