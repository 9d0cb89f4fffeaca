// The full path of the library (or program) that contains this code, as the
// system reports it for the loaded module, with '/' separators.
//
// Threads: any thread; the override is meant for test set-up on the
// user-interface thread.
#pragma once

#include <QString>

namespace mosvik::platform {

QString modulePath();

// Makes modulePath() report `path` while it lives, so that files kept beside
// the library (the settings file) can be pointed elsewhere.
class ModulePathOverride {
public:
    explicit ModulePathOverride(const QString& path);
    ~ModulePathOverride();
    ModulePathOverride(const ModulePathOverride&) = delete;
    ModulePathOverride& operator=(const ModulePathOverride&) = delete;

private:
    QString previous_;
    bool hadPrevious_;
};

} // namespace mosvik::platform
