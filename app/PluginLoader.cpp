#include "PluginLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <dlfcn.h>

namespace mosvik::app {

using namespace com;

QString defaultPluginPath() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("mosvik1.cpg"));
}

PluginLoader::~PluginLoader() {
    unload();
}

void PluginLoader::step(const QString& what, int32_t status) {
    log_ << QStringLiteral("%1 -> 0x%2")
                .arg(what)
                .arg(static_cast<uint32_t>(status), 8, 16, QLatin1Char('0'));
}

bool PluginLoader::load(const QString& path, IVGApplication* application) {
    unload();
    error_.clear();
    library_ = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!library_) {
        error_ = QStringLiteral("无法加载插件 %1：%2").arg(path, QString::fromLocal8Bit(dlerror()));
        return false;
    }
    log_ << QStringLiteral("dlopen %1").arg(path);
    auto attach = reinterpret_cast<AttachPluginFunc>(dlsym(library_, AttachPluginSymbol));
    if (!attach) {
        error_ = QStringLiteral("插件 %1 没有导出 AttachPlugin").arg(path);
        dlclose(library_);
        library_ = nullptr;
        return false;
    }
    IVGAppPlugin* plugin = nullptr;
    const int32_t attached = attach(&plugin);
    step(QStringLiteral("AttachPlugin"), attached);
    if (!plugin) {
        error_ = QStringLiteral("AttachPlugin 没有返回插件对象");
        dlclose(library_);
        library_ = nullptr;
        return false;
    }
    plugin_ = plugin;
    const HRESULT loadedStatus = plugin_->Load(application);
    step(QStringLiteral("Load"), loadedStatus);
    if (failed(loadedStatus)) {
        error_ = QStringLiteral("插件的 Load 失败 (0x%1)")
                     .arg(static_cast<uint32_t>(loadedStatus), 8, 16, QLatin1Char('0'));
        plugin_->Unload();
        plugin_->Release();
        plugin_ = nullptr;
        dlclose(library_);
        library_ = nullptr;
        return false;
    }
    step(QStringLiteral("StartSession"), plugin_->StartSession());
    return true;
}

void PluginLoader::unload() {
    if (plugin_) {
        step(QStringLiteral("StopSession"), plugin_->StopSession());
        step(QStringLiteral("Unload"), plugin_->Unload());
        plugin_->Release();
        plugin_ = nullptr;
    }
    if (library_) {
        dlclose(library_);
        library_ = nullptr;
        log_ << QStringLiteral("dlclose");
    }
}

} // namespace mosvik::app
