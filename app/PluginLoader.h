// Loads a plug-in library the way the real host does: dlopen, AttachPlugin,
// Load with the application object, StartSession; and at the end
// StopSession, Unload, the host's Release and dlclose.
//
// Ownership: holds the library handle and the host's one reference on the
// plug-in object. Threads: the user-interface thread.
#pragma once

#include "core/host/AppPlugin.h"

#include <QString>
#include <QStringList>

namespace mosvik::app {

class PluginLoader {
public:
    PluginLoader() = default;
    ~PluginLoader();
    PluginLoader(const PluginLoader&) = delete;
    PluginLoader& operator=(const PluginLoader&) = delete;

    // Loads the library and runs AttachPlugin, Load and StartSession. On a
    // failure the library is let go again and error() says why; the host
    // goes on without it.
    bool load(const QString& path, com::IVGApplication* application);
    // StopSession, Unload, Release and dlclose; nothing when not loaded.
    void unload();

    bool loaded() const { return plugin_ != nullptr; }
    const QString& error() const { return error_; }
    // One line per step taken, for the user to read.
    const QStringList& log() const { return log_; }

private:
    void step(const QString& what, int32_t status);

    void* library_ = nullptr;
    com::IVGAppPlugin* plugin_ = nullptr;
    QString error_;
    QStringList log_;
};

// mosvik1.cpg in the folder of the running program.
QString defaultPluginPath();

} // namespace mosvik::app
