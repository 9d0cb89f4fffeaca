// How the host lays out artistic text, for placing it in SVG: SVG anchors
// a line at its baseline, the drawing at the top of its box.
//
// Threads: any thread with a QGuiApplication (fonts).
#pragma once

#include "host/Model.h"

namespace mosvik::host::files {

// Millimetres from the top of a text's box down to its first baseline,
// and from one baseline to the next, as the renderer places lines.
double textAscent(const model::Text& text);
double textLineSpacing(const model::Text& text);

} // namespace mosvik::host::files
