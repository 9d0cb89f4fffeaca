#include "ImageFacts.h"

#include <Magick++.h>

#include <QFile>
#include <QImageReader>

#include <cstdint>
#include <mutex>
#include <vector>

namespace mosvik::host::test {

namespace {

class Bytes {
public:
    explicit Bytes(QByteArray data) : data_(std::move(data)) {}
    size_t size() const { return static_cast<size_t>(data_.size()); }
    bool has(size_t at, size_t n) const { return at + n <= size(); }
    uint32_t u8(size_t at) const { return has(at, 1) ? static_cast<uint8_t>(data_[int(at)]) : 0; }
    uint32_t be16(size_t at) const { return u8(at) << 8 | u8(at + 1); }
    uint32_t be32(size_t at) const { return be16(at) << 16 | be16(at + 2); }
    uint32_t le16(size_t at) const { return u8(at) | u8(at + 1) << 8; }
    uint32_t le32(size_t at) const { return le16(at) | le16(at + 2) << 16; }
    bool startsWith(const char* text) const { return data_.startsWith(text); }
    QByteArray mid(size_t at, size_t n) const { return data_.mid(int(at), int(n)); }

private:
    QByteArray data_;
};

void readPng(const Bytes& b, ImageFacts& f) {
    f.format = "PNG";
    size_t at = 8;
    while (b.has(at, 8)) {
        const uint32_t length = b.be32(at);
        const QByteArray type = b.mid(at + 4, 4);
        const size_t data = at + 8;
        if (type == "IHDR") {
            f.width = int(b.be32(data));
            f.height = int(b.be32(data + 4));
            f.bits = int(b.u8(data + 8));
            switch (b.u8(data + 9)) {
            case 0:
                f.colour = "gray";
                break;
            case 2:
                f.colour = "rgb";
                break;
            case 3:
                f.colour = "palette";
                break;
            case 4:
                f.colour = "gray";
                f.alpha = true;
                break;
            case 6:
                f.colour = "rgb";
                f.alpha = true;
                break;
            }
        } else if (type == "PLTE") {
            f.paletteSize = int(length / 3);
            f.grayPalette = true;
            for (uint32_t i = 0; i < length; i += 3)
                f.grayPalette = f.grayPalette && b.u8(data + i) == b.u8(data + i + 1) &&
                                b.u8(data + i) == b.u8(data + i + 2);
        } else if (type == "tRNS") {
            f.alpha = true;
        } else if (type == "pHYs" && b.u8(data + 8) == 1) {
            f.dpiX = b.be32(data) * 0.0254;
            f.dpiY = b.be32(data + 4) * 0.0254;
        }
        at = data + length + 4;
    }
}

void readJpeg(const Bytes& b, ImageFacts& f) {
    f.format = "JPG";
    size_t at = 2;
    while (b.has(at, 4) && b.u8(at) == 0xff) {
        const uint32_t marker = b.u8(at + 1);
        const uint32_t length = b.be16(at + 2);
        const size_t data = at + 4;
        if (marker == 0xe0 && b.mid(data, 5) == QByteArray("JFIF", 5)) {
            const uint32_t unit = b.u8(data + 7);
            const double scale = unit == 1 ? 1 : unit == 2 ? 2.54 : 0;
            f.dpiX = b.be16(data + 8) * scale;
            f.dpiY = b.be16(data + 10) * scale;
        } else if (marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 &&
                   marker != 0xcc) {
            f.bits = int(b.u8(data));
            f.height = int(b.be16(data + 1));
            f.width = int(b.be16(data + 3));
            const uint32_t components = b.u8(data + 5);
            f.colour = components == 1 ? "gray" : components == 3 ? "rgb" : "cmyk";
            return;
        }
        at = at + 2 + length;
    }
}

void readGif(const Bytes& b, ImageFacts& f) {
    f.format = "GIF";
    f.colour = "palette";
    f.width = int(b.le16(6));
    f.height = int(b.le16(8));
    const uint32_t packed = b.u8(10);
    size_t at = 13;
    if (packed & 0x80) {
        f.bits = int(packed & 7) + 1;
        f.paletteSize = 1 << f.bits;
        f.grayPalette = true;
        for (int i = 0; i < f.paletteSize; ++i) {
            const size_t e = at + size_t(i) * 3;
            f.grayPalette = f.grayPalette && b.u8(e) == b.u8(e + 1) && b.u8(e) == b.u8(e + 2);
        }
        at += size_t(f.paletteSize) * 3;
    }
    while (b.has(at, 3) && b.u8(at) == 0x21) {
        if (b.u8(at + 1) == 0xf9 && (b.u8(at + 3) & 1))
            f.alpha = true;
        at += 2;
        while (b.has(at, 1) && b.u8(at) != 0)
            at += b.u8(at) + 1;
        ++at;
    }
}

void readBmp(const Bytes& b, ImageFacts& f) {
    f.format = "BMP";
    f.width = int(b.le32(18));
    f.height = std::abs(int32_t(b.le32(22)));
    f.bits = int(b.le16(28));
    f.compression = int(b.le32(30));
    f.dpiX = b.le32(38) * 0.0254;
    f.dpiY = b.le32(42) * 0.0254;
    f.colour = f.bits <= 8 ? "palette" : "rgb";
    if (f.bits <= 8) {
        const uint32_t used = b.le32(46);
        f.paletteSize = int(used ? used : 1u << f.bits);
        const size_t at = 14 + b.le32(14);
        f.grayPalette = true;
        for (int i = 0; i < f.paletteSize; ++i) {
            const size_t e = at + size_t(i) * 4;
            f.grayPalette = f.grayPalette && b.u8(e) == b.u8(e + 1) && b.u8(e) == b.u8(e + 2);
        }
    }
}

void readPsd(const Bytes& b, ImageFacts& f) {
    f.format = "PSD";
    const uint32_t channels = b.be16(12);
    f.height = int(b.be32(14));
    f.width = int(b.be32(18));
    f.bits = int(b.be16(22));
    const uint32_t mode = b.be16(24);
    uint32_t base = 3;
    switch (mode) {
    case 0:
        f.colour = "bitmap";
        base = 1;
        break;
    case 1:
        f.colour = "gray";
        base = 1;
        break;
    case 2:
        f.colour = "palette";
        base = 1;
        break;
    case 3:
        f.colour = "rgb";
        break;
    case 4:
        f.colour = "cmyk";
        base = 4;
        break;
    default:
        f.colour = "mode " + std::to_string(mode);
    }
    f.alpha = channels > base;
    size_t at = 26;
    at += 4 + b.be32(at); // colour mode data
    const size_t resourcesEnd = at + 4 + b.be32(at);
    at += 4;
    while (at + 12 <= resourcesEnd && b.mid(at, 4) == "8BIM") {
        const uint32_t id = b.be16(at + 4);
        size_t name = b.u8(at + 6) + 1;
        name += name % 2;
        const size_t sizeAt = at + 6 + name;
        const uint32_t size = b.be32(sizeAt);
        const size_t data = sizeAt + 4;
        if (id == 0x03ed) {
            f.dpiX = b.be32(data) / 65536.0;
            f.dpiY = b.be32(data + 8) / 65536.0;
        }
        at = data + size + size % 2;
    }
    at = resourcesEnd;
    if (b.be32(at) > 0 && b.be32(at + 4) > 0)
        f.layers = std::abs(int16_t(b.be16(at + 8)));
}

// Magick++ 6.9 reads no indexed PSD, so its composite is unpacked here:
// the colour table (256 reds, greens, blues), then the index plane, raw or
// PackBits by rows.
QImage decodeIndexedPsd(const Bytes& b) {
    const int height = int(b.be32(14));
    const int width = int(b.be32(18));
    size_t at = 26;
    const size_t table = at + 4;
    at += 4 + b.be32(at);
    at += 4 + b.be32(at); // resources
    at += 4 + b.be32(at); // layers and masks
    const uint32_t compression = b.be16(at);
    at += 2;
    std::vector<uint8_t> plane;
    if (compression == 0) {
        for (size_t i = 0; i < size_t(width) * size_t(height); ++i)
            plane.push_back(uint8_t(b.u8(at + i)));
    } else {
        size_t data = at + size_t(height) * 2;
        for (int y = 0; y < height; ++y) {
            const size_t end = data + b.be16(at + size_t(y) * 2);
            while (data < end) {
                const int n = int8_t(b.u8(data++));
                if (n >= 0) {
                    for (int i = 0; i <= n; ++i)
                        plane.push_back(uint8_t(b.u8(data++)));
                } else if (n != -128) {
                    const uint8_t v = uint8_t(b.u8(data++));
                    plane.insert(plane.end(), size_t(1 - n), v);
                }
            }
        }
    }
    QImage out(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t i = size_t(y) * size_t(width) + size_t(x);
            const uint32_t v = i < plane.size() ? plane[i] : 0;
            out.setPixel(
                x, y,
                qRgb(int(b.u8(table + v)), int(b.u8(table + 256 + v)), int(b.u8(table + 512 + v))));
        }
    return out;
}

} // namespace

ImageFacts readImageFacts(const QString& path) {
    QFile file(path);
    ImageFacts f;
    if (!file.open(QIODevice::ReadOnly))
        return f;
    const Bytes b(file.readAll());
    if (b.startsWith("\x89PNG\r\n\x1a\n"))
        readPng(b, f);
    else if (b.startsWith("\xff\xd8"))
        readJpeg(b, f);
    else if (b.startsWith("GIF8"))
        readGif(b, f);
    else if (b.startsWith("BM"))
        readBmp(b, f);
    else if (b.startsWith("8BPS"))
        readPsd(b, f);
    return f;
}

QImage decodeImage(const QString& path) {
    if (readImageFacts(path).format != "PSD") {
        QImageReader reader(path);
        return reader.read().convertToFormat(QImage::Format_ARGB32);
    }
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const Bytes b(file.readAll());
        if (b.be16(24) == 2)
            return decodeIndexedPsd(b);
    }
    static std::once_flag initialised;
    std::call_once(initialised, [] { Magick::InitializeMagick(nullptr); });
    Magick::Image image;
    image.read(QFile::encodeName(path).toStdString() + "[0]");
    image.colorSpace(Magick::sRGBColorspace);
    image.matte(true);
    QImage out(int(image.columns()), int(image.rows()), QImage::Format_ARGB32);
    image.write(0, 0, image.columns(), image.rows(), "BGRA", Magick::CharPixel, out.bits());
    return out;
}

} // namespace mosvik::host::test
