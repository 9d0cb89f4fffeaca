// SVG export: one page of a drawing as an SVG document that any SVG viewer
// shows as the host draws it.
//
// One file holds one page: the page's size in millimetres with a viewBox
// in millimetres, so one user unit is one millimetre; layers become
// Inkscape layers, groups g elements, PowerClips clip paths. SvgImport
// reads it back to the same geometry. docs/drawing-format.md (section SVG)
// lists what is written.
//
// Threads: no shared state; any thread (text needs a QGuiApplication for
// its font metrics).
#pragma once

#include "host/Model.h"

#include <QByteArray>
#include <QString>

namespace mosvik::host::files {

// The page `page` (by id; 0 for the drawing's active page, or its first
// when none is active) as an SVG document. Throws SvgError (SvgImport.h)
// when there is no such page or the drawing holds something SVG cannot
// carry (a non-finite number, pixels that do not match their size).
QByteArray toSvg(const model::Drawing& drawing, model::Id page = 0);
// Writes it atomically: a failed save leaves any old file as it was.
// Throws SvgError when it cannot write.
void saveSvg(const model::Drawing& drawing, const QString& path, model::Id page = 0);

} // namespace mosvik::host::files
