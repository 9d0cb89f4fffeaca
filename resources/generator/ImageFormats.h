// The two image encodings the workspace files carry: the item bitmaps of the
// X4 and X7 files and the Windows icons of the X8 file.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

namespace mosvik::images {

// A BMP file, 8 bits per pixel with a 256-colour palette, of the image.
// Pixels less than half opaque get the palette's magenta (255, 0, 255), the
// colour key that marks transparency; no other pixel maps to it.
QByteArray paletteBitmap(const QImage& image);

struct IconImage {
    QImage image;     // square, ARGB32, at most 255 px
    int bitsPerPixel; // 4, 8 or 32
};

// A Windows .ico file holding the images in the given order.
QByteArray iconFile(const QList<IconImage>& images);

} // namespace mosvik::images
