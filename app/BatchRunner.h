// Runs a batch script against a host session: the host program driven
// line by line, with no display. docs/batch.md describes the commands.
//
// Threads: user-interface thread; the runner processes events itself
// between lines so that queued work (events, window updates) happens.
#pragma once

#include "app/BatchDialogs.h"
#include "app/BatchScript.h"
#include "app/HostSession.h"
#include "app/WidgetDriver.h"

#include <QTextStream>

#include <optional>

namespace mosvik::app {

class BatchRunner {
public:
    BatchRunner(HostSession& session, QTextStream& out);

    // Runs every line; 0 on success, 1 after a failing line (reported on
    // `err` with its line number).
    int run(const QString& script, QTextStream& err);

    BatchDialogs& dialogs() { return dialogs_; }
    // Longest `wait` without a time given, in seconds.
    void setDefaultWait(double seconds) { defaultWait_ = seconds; }

private:
    // Returns false after "quit".
    bool execute(const BatchLine& line);
    void ensureStarted();
    host::DocumentId activeDocument() const;
    void waitForRuns(double seconds);

    HostSession& session_;
    QTextStream& out_;
    BatchDialogs dialogs_;
    platform::DialogsOverride useDialogs_;
    WidgetDriver driver_;
    double defaultWait_ = 60;
};

} // namespace mosvik::app
