// The host's state as JSON, for scripts and tests to read: version,
// registered plug-in commands, command bars with their items, open
// documents with their undo steps, unit, page sizes and selection.
//
// Threads: any thread (the host serialises the calls).
#pragma once

#include "host/Application.h"

#include <QJsonObject>

namespace mosvik::app {

QJsonObject dumpHost(host::Application& host);

} // namespace mosvik::app
