// What a bitmap file says about itself, read from its bytes (not through a
// decoder that would hide the layout), and its pixels decoded.
#pragma once

#include <QColor>
#include <QImage>
#include <QString>

#include <string>

namespace mosvik::host::test {

struct ImageFacts {
    std::string format; // "PNG", "JPG", "GIF", "BMP", "PSD"; empty: not a known bitmap
    int width = 0;
    int height = 0;
    // "bitmap" (PSD 1-bit), "gray", "palette", "rgb", "cmyk"
    std::string colour;
    int bits = 0;             // per sample (PNG, JPG, PSD) or per pixel (BMP, GIF)
    bool alpha = false;       // an alpha channel or a transparent palette entry
    bool grayPalette = false; // every palette entry is a gray
    int paletteSize = 0;
    double dpiX = 0; // 0: the file holds none
    double dpiY = 0;
    int compression = 0; // BMP: the header's code
    int layers = 0;      // PSD: layer records
};

ImageFacts readImageFacts(const QString& path);

// The file's pixels as ARGB32 (PSD: the composite, through Magick++).
QImage decodeImage(const QString& path);

} // namespace mosvik::host::test
