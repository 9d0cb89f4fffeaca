// The native drawing file: the whole model::Drawing as JSON (UTF-8), with
// bitmaps embedded as base64 PNG. docs/drawing-format.md describes it.
//
// Saving then loading gives back an equal drawing, ids included (opening it
// as a document gives the entities fresh ids, as any opened drawing gets).
//
// Threads: no shared state; any thread.
#pragma once

#include "host/Model.h"

#include <QString>

#include <stdexcept>
#include <string>

namespace mosvik::host::files {

constexpr int nativeFormatVersion = 1;
// The file name extension the host gives native drawings.
inline const QString nativeSuffix = QStringLiteral("mvd");

// A file that cannot be read, or is not a drawing of this format: what()
// says which file, where in it ("pages/0/layers/1/shapes/2/fill/color") and
// what is wrong.
class NativeFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes atomically: a temporary file in the same folder, renamed over
// `path` once complete, so a failed save leaves any old file as it was.
// Throws NativeFormatError when it cannot write, or when the drawing holds
// something the format cannot carry (a non-finite number, pixels that do
// not match their size).
void saveNative(const model::Drawing& drawing, const QString& path);
// Reads and checks the whole file; throws NativeFormatError and writes
// nothing.
model::Drawing loadNative(const QString& path);

// The same on text, for tests and tools. `where` names the source in
// error messages.
std::string toNativeJson(const model::Drawing& drawing);
model::Drawing fromNativeJson(const std::string& json, const QString& where = {});

} // namespace mosvik::host::files
