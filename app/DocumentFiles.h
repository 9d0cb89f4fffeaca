// Opening and saving drawing files, by extension: ".svg" through the SVG
// reader and writer, anything else as the native format. Shared by the
// window and batch mode.
//
// Threads: user-interface thread (opening raises the host's events).
#pragma once

#include "host/Application.h"

#include <QString>
#include <QStringList>

namespace mosvik::app {

bool isSvgPath(const QString& path);

// Opens the file as a new document. Throws (with a message naming the file
// and the fault) when nothing could be read; parts of an SVG that could not
// be read are left out and described in `warnings`.
host::DocumentId openDrawingFile(host::Application& host, const QString& path,
                                 QStringList* warnings = nullptr);
// Saves the document: natively it becomes the document's file; as SVG only
// its active page is written and the document keeps its own file.
void saveDrawingFile(host::Application& host, host::DocumentId doc, const QString& path);

} // namespace mosvik::app
