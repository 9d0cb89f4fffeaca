// Shell special folders by their CSIDL number, and the temporary folder.
// Paths use '/' and carry no trailing separator.
//
// Threads: any thread.
#pragma once

#include <QString>

namespace mosvik::platform {

constexpr int CsidlDesktop = 0;
constexpr int CsidlPersonal = 5;
constexpr int CsidlDesktopDirectory = 16;
constexpr int CsidlAppData = 26;
constexpr int CsidlLocalAppData = 28;
constexpr int CsidlMyPictures = 39;
constexpr int CsidlProfile = 40;

// The folder's path, or an empty text for a number this system does not know
// or a folder it cannot name.
QString specialFolderPath(int csidl);

QString tempFolder();

} // namespace mosvik::platform
