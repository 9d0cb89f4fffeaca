// Colour palettes for the indexed file layouts (GIF, paletted PNG and BMP).
//
// A palette is made from a first rendering pass: when the image holds no
// more colours than the palette has places, they are taken exactly (flat
// drawings keep their colours bit for bit); otherwise median cut over the
// colours (over a histogram of 5 bits a channel when there are more than
// 32768 of them), each entry the mean of the colours it stands for. A
// second pass maps each pixel to its nearest entry (no dithering, so flat
// areas stay flat).
#pragma once

#include <QImage>

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace mosvik::host::bitmap::detail {

struct Palette {
    std::vector<QRgb> colours; // opaque entries, then the transparent one if any
    int transparent = -1;      // index of the transparent entry, or -1
};

// `levels` evenly spaced grays from black to white (2: black and white),
// plus a transparent entry when asked.
Palette grayPalette(int levels, bool transparent);

// Collects the colours of rendered bands (premultiplied ARGB32). Pixels
// less than half opaque count as transparent when the palette will have a
// transparent entry, else they are taken as they are.
class ColourCounter {
public:
    explicit ColourCounter(bool transparent);
    void add(const QImage& band, int rows);
    // At most `entries` places, the transparent one included.
    Palette palette(int entries) const;

private:
    struct Cell {
        uint64_t count = 0;
        uint64_t r = 0, g = 0, b = 0;
    };
    bool transparent_;
    std::vector<Cell> cells_; // 32768 cells, 5 bits a channel
    std::unordered_map<QRgb, uint64_t> exact_;
    size_t exactLimit_ = size_t(1) << 15; // beyond this only the cells count
    bool tooMany_ = false;
};

// Maps pixels to palette indexes.
class ColourMapper {
public:
    // `gray`: the palette is grayPalette's; pixels map by gray level.
    ColourMapper(const Palette& palette, bool gray);
    void mapRow(const uint32_t* src, int width, uint8_t* indexes);

private:
    uint8_t nearest(QRgb colour) const;
    uint8_t index(QRgb opaque);

    Palette palette_;
    bool gray_;
    std::vector<uint8_t> grayIndex_;          // gray level -> index
    std::unordered_map<QRgb, uint8_t> exact_; // entries and colours already mapped
    std::vector<int16_t> cellIndex_;          // 15-bit cell -> index, -1 not yet known
};

} // namespace mosvik::host::bitmap::detail
