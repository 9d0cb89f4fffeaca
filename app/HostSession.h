// One run of the host program: the stand-in host application with the
// plug-in loaded into it. Both the window and batch mode work through it.
//
// Ownership: owns the host application and the plug-in loader; unloading the
// plug-in (StopSession, Unload, dlclose) happens before the host goes.
// Threads: user-interface thread only.
#pragma once

#include "app/PluginLoader.h"
#include "host/Application.h"

#include <QString>

namespace mosvik::app {

class HostSession {
public:
    explicit HostSession(QString pluginPath) : pluginPath_(std::move(pluginPath)) {}
    ~HostSession() { stop(); }
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    host::Application& host() { return host_; }
    PluginLoader& plugin() { return loader_; }

    // Loads the plug-in and raises the start event; false (and
    // pluginError()) when the plug-in could not be loaded: the host then
    // runs without it. Runs once.
    bool start();
    bool started() const { return started_; }
    const QString& pluginError() const { return loader_.error(); }
    void stop();

private:
    QString pluginPath_;
    // Declared first so that it is destroyed last: the plug-in may hold
    // host objects until it is unloaded.
    host::Application host_;
    PluginLoader loader_;
    bool started_ = false;
};

} // namespace mosvik::app
