#include "ImageFormats.h"

#include <QBuffer>
#include <QImageWriter>

#include <limits>
#include <stdexcept>

namespace mosvik::images {
namespace {

constexpr QRgb kColourKey = 0xffff00ff;

// The 16 colours of the Windows system palette, the usual palette of 4-bit
// icon images.
const QList<QRgb>& systemPalette16() {
    static const QList<QRgb> palette = {0xff000000, 0xff800000, 0xff008000, 0xff808000,
                                        0xff000080, 0xff800080, 0xff008080, 0xffc0c0c0,
                                        0xff808080, 0xffff0000, 0xff00ff00, 0xffffff00,
                                        0xff0000ff, 0xffff00ff, 0xff00ffff, 0xffffffff};
    return palette;
}

// The system colours, a 6 x 6 x 6 colour cube and a grey ramp: fixed, so
// every bitmap of every build has the same palette.
const QList<QRgb>& palette256() {
    static const QList<QRgb> palette = [] {
        QList<QRgb> p = systemPalette16();
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    p.append(qRgb(r * 51, g * 51, b * 51));
        for (int i = 1; p.size() < 256; ++i)
            p.append(qRgb(i * 10, i * 10, i * 10));
        return p;
    }();
    return palette;
}

int nearest(const QList<QRgb>& palette, QRgb colour, bool avoidKey) {
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < palette.size(); ++i) {
        if (avoidKey && palette[i] == kColourKey)
            continue;
        const int dr = qRed(palette[i]) - qRed(colour);
        const int dg = qGreen(palette[i]) - qGreen(colour);
        const int db = qBlue(palette[i]) - qBlue(colour);
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

bool opaque(QRgb pixel) {
    return qAlpha(pixel) >= 128;
}

// Indexes of the image's pixels in the palette; transparent pixels get
// `transparentIndex`.
QImage toIndexed(const QImage& source, const QList<QRgb>& palette, int transparentIndex,
                 bool avoidKey) {
    const QImage argb = source.convertToFormat(QImage::Format_ARGB32);
    QImage indexed(argb.size(), QImage::Format_Indexed8);
    indexed.setColorTable(palette);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        uchar* out = indexed.scanLine(y);
        for (int x = 0; x < argb.width(); ++x)
            out[x] = opaque(in[x]) ? nearest(palette, in[x], avoidKey) : transparentIndex;
    }
    return indexed;
}

void putU16(QByteArray& out, quint16 v) {
    out.append(char(v & 0xff));
    out.append(char(v >> 8));
}

void putU32(QByteArray& out, quint32 v) {
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xff));
}

int rowBytes(int width, int bitsPerPixel) {
    return (width * bitsPerPixel + 31) / 32 * 4;
}

// One icon image: BITMAPINFOHEADER with the height doubled, palette, colour
// rows and the 1-bit transparency mask, both bottom-up.
QByteArray iconImageData(const IconImage& entry) {
    const QImage& image = entry.image;
    const int w = image.width(), h = image.height(), bpp = entry.bitsPerPixel;
    const QList<QRgb> palette = bpp == 4   ? systemPalette16()
                                : bpp == 8 ? palette256()
                                           : QList<QRgb>();
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const QImage indexed = palette.isEmpty() ? QImage() : toIndexed(argb, palette, 0, false);
    const int colourRow = rowBytes(w, bpp), maskRow = rowBytes(w, 1);

    QByteArray out;
    putU32(out, 40);
    putU32(out, quint32(w));
    putU32(out, quint32(2 * h));
    putU16(out, 1);
    putU16(out, quint16(bpp));
    putU32(out, 0);
    putU32(out, quint32((colourRow + maskRow) * h));
    putU32(out, 0);
    putU32(out, 0);
    putU32(out, quint32(palette.size()));
    putU32(out, 0);
    for (QRgb c : palette) {
        out.append(char(qBlue(c)));
        out.append(char(qGreen(c)));
        out.append(char(qRed(c)));
        out.append(char(0));
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(colourRow, '\0');
        const auto* argbRow = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            if (bpp == 32) {
                const QRgb c = argbRow[x];
                row[4 * x] = char(qBlue(c));
                row[4 * x + 1] = char(qGreen(c));
                row[4 * x + 2] = char(qRed(c));
                row[4 * x + 3] = char(qAlpha(c));
            } else if (bpp == 8) {
                row[x] = char(indexed.constScanLine(y)[x]);
            } else {
                const int index = indexed.constScanLine(y)[x];
                row[x / 2] = char(row[x / 2] | (x % 2 ? index : index << 4));
            }
        }
        out.append(row);
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(maskRow, '\0');
        const auto* argbRow = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < w; ++x)
            if (bpp == 32 ? qAlpha(argbRow[x]) == 0 : !opaque(argbRow[x]))
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        out.append(row);
    }
    return out;
}

} // namespace

QByteArray paletteBitmap(const QImage& image) {
    const QImage indexed =
        toIndexed(image, palette256(), int(palette256().indexOf(kColourKey)), true);
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "bmp");
    if (!writer.write(indexed))
        throw std::runtime_error("cannot encode bitmap: " + writer.errorString().toStdString());
    return bmp;
}

// Written here rather than through a library: Qt's icon writer stores every
// image at 32 bits per pixel, and ImageMagick picks each image's depth from
// its colour count (an 8-bit image of few colours comes out 4-bit), so
// neither yields the exact 4, 8 and 32-bit images the host expects.
QByteArray iconFile(const QList<IconImage>& images) {
    QList<QByteArray> data;
    for (const IconImage& entry : images) {
        if (entry.image.width() != entry.image.height() || entry.image.width() > 255 ||
            (entry.bitsPerPixel != 4 && entry.bitsPerPixel != 8 && entry.bitsPerPixel != 32))
            throw std::invalid_argument("unsupported icon image");
        data.append(iconImageData(entry));
    }
    QByteArray out;
    putU16(out, 0);
    putU16(out, 1);
    putU16(out, quint16(images.size()));
    quint32 offset = quint32(6 + 16 * images.size());
    for (int i = 0; i < images.size(); ++i) {
        const int size = images[i].image.width(), bpp = images[i].bitsPerPixel;
        out.append(char(size));
        out.append(char(size));
        out.append(char(bpp == 4 ? 16 : 0));
        out.append(char(0));
        putU16(out, 1);
        putU16(out, quint16(bpp));
        putU32(out, quint32(data[i].size()));
        putU32(out, offset);
        offset += quint32(data[i].size());
    }
    for (const QByteArray& d : data)
        out.append(d);
    return out;
}

} // namespace mosvik::images
