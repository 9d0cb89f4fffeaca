#include "ModulePath.h"

#include <QDir>
#include <QFileInfo>

#include <dlfcn.h>
#include <link.h>

#include <mutex>
#include <optional>

namespace mosvik::platform {

namespace {
std::mutex overrideMutex;
std::optional<QString> overridePath;

// An address inside this module's code.
void anchor() {}

QString loadedModulePath() {
    Dl_info info{};
    link_map* map = nullptr;
    if (dladdr1(reinterpret_cast<void*>(&anchor), &info, reinterpret_cast<void**>(&map),
                RTLD_DL_LINKMAP) == 0)
        return {};
    // The main program's entry has no name of its own; the loader then
    // reports argv[0], which need not be a usable path.
    if (map && map->l_name && map->l_name[0] != '\0')
        return QFileInfo(QString::fromLocal8Bit(map->l_name)).absoluteFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}
} // namespace

QString modulePath() {
    {
        std::lock_guard lock(overrideMutex);
        if (overridePath)
            return *overridePath;
    }
    return QDir::fromNativeSeparators(loadedModulePath());
}

ModulePathOverride::ModulePathOverride(const QString& path) {
    std::lock_guard lock(overrideMutex);
    hadPrevious_ = overridePath.has_value();
    previous_ = overridePath.value_or(QString());
    overridePath = QDir::fromNativeSeparators(path);
}

ModulePathOverride::~ModulePathOverride() {
    std::lock_guard lock(overrideMutex);
    if (hadPrevious_)
        overridePath = previous_;
    else
        overridePath.reset();
}

} // namespace mosvik::platform
