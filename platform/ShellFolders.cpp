#include "ShellFolders.h"

#include <QDir>
#include <QStandardPaths>

namespace mosvik::platform {

QString specialFolderPath(int csidl) {
    QStandardPaths::StandardLocation location;
    switch (csidl) {
    case CsidlDesktop:
    case CsidlDesktopDirectory:
        location = QStandardPaths::DesktopLocation;
        break;
    case CsidlPersonal:
        location = QStandardPaths::DocumentsLocation;
        break;
    case CsidlAppData:
        // The roaming application-data folder holds per-user settings of
        // programs; the XDG counterpart is the configuration home.
        location = QStandardPaths::GenericConfigLocation;
        break;
    case CsidlLocalAppData:
        location = QStandardPaths::GenericDataLocation;
        break;
    case CsidlMyPictures:
        location = QStandardPaths::PicturesLocation;
        break;
    case CsidlProfile:
        location = QStandardPaths::HomeLocation;
        break;
    default:
        return {};
    }
    return QDir::fromNativeSeparators(QStandardPaths::writableLocation(location));
}

QString tempFolder() {
    // Like the system's own call, the folder the environment names is taken
    // as it is, whether it exists or not: a missing one makes writing there
    // fail, instead of quietly writing somewhere else.
    QString path = qEnvironmentVariable("TMPDIR");
    if (path.isEmpty())
        path = QStringLiteral("/tmp");
    path = QDir::cleanPath(QDir::fromNativeSeparators(path));
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

} // namespace mosvik::platform
