// The host operations the window performs through the automation interface,
// as a plug-in would see them done: names, page activation, undo and redo.
// Each throws com::HostError when the host refuses.
//
// Threads: user-interface thread.
#pragma once

#include "host/Application.h"

#include <QString>

namespace mosvik::app {

QString documentName(host::Application& host, host::DocumentId doc);
// `index` counts from 0, as tab bars do.
void activatePage(host::Application& host, host::DocumentId doc, int index);
void undoStep(host::Application& host, host::DocumentId doc);
void redoStep(host::Application& host, host::DocumentId doc);

} // namespace mosvik::app
