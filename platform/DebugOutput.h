// The debug output channel: single lines for a developer's tools, never seen
// by the user. By default the lines go to standard error.
//
// Threads: debugOutput may be called from any thread; a capture receives
// lines on the thread that wrote them, under a lock.
//
// Process-wide: like the dialogs service, the current capture is kept on the
// QCoreApplication object, so the host program also sees the lines that a
// plug-in library loaded into it writes.
#pragma once

#include <QString>
#include <QStringList>

#include <mutex>

namespace mosvik::platform {

void debugOutput(const QString& line);

// Collects every line written while it lives instead of printing it.
// Create and destroy on the user-interface thread.
class DebugCapture {
public:
    DebugCapture();
    ~DebugCapture();
    DebugCapture(const DebugCapture&) = delete;
    DebugCapture& operator=(const DebugCapture&) = delete;

    QStringList lines() const;
    void clear();
    // Called by debugOutput; not for direct use.
    void write(const QString& line);

private:
    mutable std::mutex mutex_;
    QStringList lines_;
    DebugCapture* previous_;
};

} // namespace mosvik::platform
