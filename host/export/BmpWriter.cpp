// BMP, written here: the bands are rendered bottom first, so the rows go
// out in the file's own bottom-up order without holding the image.
#include "Bands.h"
#include "Palette.h"

#include <cmath>
#include <memory>

namespace mosvik::host::bitmap::detail {

namespace {

class LittleEndian {
public:
    void u16(uint32_t v) {
        bytes_.push_back(static_cast<uint8_t>(v));
        bytes_.push_back(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v) {
        u16(v & 0xffff);
        u16(v >> 16);
    }
    void byte(uint8_t v) { bytes_.push_back(v); }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

constexpr uint32_t fileHeaderBytes = 14;
constexpr uint32_t infoHeaderBytes = 40;
constexpr uint32_t biRgb = 0;
constexpr uint32_t biRle8 = 1;

// One row in RLE8: runs of one value as (count, value), stretches of
// differing values as (0, n, values..., padding to an even length).
void rle8Row(const uint8_t* row, int width, std::vector<uint8_t>& out) {
    int x = 0;
    auto runAt = [&](int at) {
        int n = 1;
        while (at + n < width && n < 255 && row[at + n] == row[at])
            ++n;
        return n;
    };
    while (x < width) {
        const int run = runAt(x);
        if (run >= 2) {
            out.push_back(static_cast<uint8_t>(run));
            out.push_back(row[x]);
            x += run;
            continue;
        }
        int end = x;
        while (end < width && end - x < 255 && (end == x || runAt(end) < 3))
            ++end;
        const int n = end - x;
        if (n < 3) {
            for (int i = 0; i < n; ++i) {
                out.push_back(1);
                out.push_back(row[x + i]);
            }
        } else {
            out.push_back(0);
            out.push_back(static_cast<uint8_t>(n));
            out.insert(out.end(), row + x, row + end);
            if (n % 2)
                out.push_back(0);
        }
        x = end;
    }
    out.push_back(0); // end of line
    out.push_back(0);
}

} // namespace

void writeBmp(const Job& job, OutputFile& out) {
    const Options& o = job.options;
    const int width = job.size.width();
    const int height = job.size.height();

    Palette palette;
    bool gray = true;
    int bits = 24;
    switch (o.imageType) {
    case model::ImageBlackAndWhite:
        palette = grayPalette(2, false);
        bits = 1;
        break;
    case model::ImageGrayscale:
    case model::ImageDuotone:
        palette = grayPalette(256, false);
        bits = 8;
        break;
    case model::ImagePaletted:
    case model::Image16Colors: {
        ColourCounter counter(false);
        BandRenderer first(job, render::Background::White);
        first.forEachBand(BandRenderer::Order::BottomFirst,
                          [&](const QImage& band, int, int rows) { counter.add(band, rows); });
        bits = o.imageType == model::ImagePaletted ? 8 : 4;
        palette = counter.palette(1 << bits);
        gray = false;
        break;
    }
    default:
        break;
    }
    std::unique_ptr<ColourMapper> mapper;
    if (bits <= 8)
        mapper = std::make_unique<ColourMapper>(palette, gray);
    const bool rle = bits == 8 && o.compression == CompressionRle;

    const uint32_t paletteEntries = bits <= 8 ? (1u << bits) : 0;
    const uint32_t offset = fileHeaderBytes + infoHeaderBytes + paletteEntries * 4;
    const size_t stride = (static_cast<size_t>(width) * static_cast<size_t>(bits) + 31) / 32 * 4;
    const uint64_t pixelBytes = static_cast<uint64_t>(stride) * static_cast<uint64_t>(height);

    auto headers = [&](uint32_t imageBytes) {
        LittleEndian h;
        h.byte('B');
        h.byte('M');
        h.u32(offset + imageBytes);
        h.u32(0);
        h.u32(offset);
        h.u32(infoHeaderBytes);
        h.u32(static_cast<uint32_t>(width));
        h.u32(static_cast<uint32_t>(height)); // positive: bottom row first
        h.u16(1);
        h.u16(static_cast<uint32_t>(bits));
        h.u32(rle ? biRle8 : biRgb);
        h.u32(imageBytes);
        h.u32(static_cast<uint32_t>(std::lround(o.resolutionX / 0.0254)));
        h.u32(static_cast<uint32_t>(std::lround(o.resolutionY / 0.0254)));
        h.u32(paletteEntries);
        h.u32(0);
        for (uint32_t i = 0; i < paletteEntries; ++i) {
            const QRgb c = i < palette.colours.size() ? palette.colours[i] : qRgb(0, 0, 0);
            h.byte(static_cast<uint8_t>(qBlue(c)));
            h.byte(static_cast<uint8_t>(qGreen(c)));
            h.byte(static_cast<uint8_t>(qRed(c)));
            h.byte(0);
        }
        return h.bytes();
    };
    const auto first = headers(rle ? 0 : static_cast<uint32_t>(pixelBytes));
    out.write(first.data(), first.size());

    std::vector<uint8_t> indexes(static_cast<size_t>(width));
    std::vector<uint8_t> row(stride + 1, 0);
    std::vector<uint8_t> encoded;
    uint64_t written = 0;
    BandRenderer renderer(job, render::Background::White);
    renderer.forEachBand(BandRenderer::Order::BottomFirst, [&](const QImage& band, int, int count) {
        for (int y = count - 1; y >= 0; --y) {
            const auto* src = reinterpret_cast<const uint32_t*>(band.constScanLine(y));
            if (bits == 24) {
                rowToBgr(src, width, row.data());
            } else {
                mapper->mapRow(src, width, indexes.data());
                packBits(indexes.data(), width, bits, row.data());
            }
            if (rle) {
                encoded.clear();
                rle8Row(row.data(), width, encoded);
                out.write(encoded.data(), encoded.size());
                written += encoded.size();
            } else {
                out.write(row.data(), stride);
            }
        }
        out.check();
    });
    if (rle) {
        const uint8_t endOfBitmap[2] = {0, 1};
        out.write(endOfBitmap, 2);
        written += 2;
        if (offset + written > 0xffffffffu)
            throw ExportError("the image does not fit a BMP file (4 GB at most)");
        const auto last = headers(static_cast<uint32_t>(written));
        out.seek(0);
        out.write(last.data(), last.size());
    }
    out.check();
}

} // namespace mosvik::host::bitmap::detail
