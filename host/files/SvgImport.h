// SVG import: an SVG document read as the drawing of a new document.
//
// The document becomes one page whose size is the root's width and height
// (or its viewBox in CSS pixels, 1/96 inch, when those are missing). SVG
// puts y downwards from the top-left corner; the drawing puts it upwards
// from the bottom-left corner, so every shape is mirrored into place, and
// shape matrices are the SVG transforms seen through that mirror.
// docs/drawing-format.md (section SVG) lists what is read and how.
//
// Entities come with id 0; opening the drawing as a document gives them
// ids (Application::openDocument).
//
// Threads: no shared state; any thread (text needs a QGuiApplication for
// its font metrics).
#pragma once

#include "host/Model.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <stdexcept>

namespace mosvik::host::files {

// A document that cannot be read at all: what() names the source, the line
// where that is known, and what is wrong.
class SvgError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the file. Elements that cannot be read (broken path data, bad
// numbers, unknown elements, references to nothing) are left out, and each
// adds a line to `warnings` ("<source>:<line>: <element>: <what>"), so the
// caller can open what could be read and show what was not. Throws
// SvgError when the file cannot be read, is not XML or has no svg root.
// Never writes. Images given by file name are read relative to the file.
model::Drawing loadSvg(const QString& path, QStringList* warnings = nullptr);
// The same on the bytes of a document; `where` names it in messages.
// Images given by file name are read relative to `baseDir` (none when
// empty).
model::Drawing svgFromBytes(const QByteArray& data, const QString& where = {},
                            QStringList* warnings = nullptr, const QString& baseDir = {});

} // namespace mosvik::host::files
