// Drawings that hold every kind of model content, shared by the model, file
// and renderer tests.
#pragma once

#include "host/Model.h"

namespace mosvik::host::test {

// A small bitmap whose every byte differs from its neighbours, so a lost,
// swapped or premultiplied channel shows.
model::Pixels patternPixels(int32_t width, int32_t height, int32_t format);

// Two pages, three layers (one hidden), and on them every shape type, fill,
// outline and colour model, a transformed shape, a group inside a group, a
// PowerClip whose contents hold a group and a transformed bitmap, and
// numbers that need every digit of a double.
model::Drawing richDrawing();

} // namespace mosvik::host::test
