#include "Utils.h"

#include "platform/ModulePath.h"
#include "platform/ShellFolders.h"

#include <QFileInfo>

namespace mosvik {

QString settingsFilePathFor(const QString& modulePath) {
    const QFileInfo module(modulePath);
    return module.path() + '/' + module.completeBaseName() + ".ini";
}

std::unique_ptr<TIniFile> OpenSettingsFile() {
    return std::make_unique<TIniFile>(settingsFilePathFor(platform::modulePath()));
}

QString GetSpecialFolderPath(int csidl) {
    return platform::specialFolderPath(csidl);
}

} // namespace mosvik
