// PNG through libpng, row by row as the bands come.
#include "Bands.h"
#include "Palette.h"

#include <png.h>

#include <cmath>
#include <memory>

namespace mosvik::host::bitmap::detail {

namespace {

// libpng must not return from its error function; the exception unwinds
// through it (Debian builds it with unwind tables).
[[noreturn]] void pngError(png_structp, png_const_charp message) {
    throw ExportError(std::string("PNG encoder: ") + message);
}
void pngWarning(png_structp, png_const_charp) {}

void pngWrite(png_structp png, png_bytep data, png_size_t size) {
    static_cast<OutputFile*>(png_get_io_ptr(png))->write(data, size);
}
void pngFlush(png_structp) {}

struct PngWriteStruct {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngWriteStruct() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

enum class Layout { BlackWhite, Gray, GrayAlpha, Rgb, Rgba, Indexed };

// zlib effort by the compression code: "none" stores, ZIP squeezes hardest,
// anything else takes a quick level that still shrinks drawings well.
void setCompression(png_structp png, int32_t code) {
    if (code == CompressionNone) {
        png_set_compression_level(png, 0);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    } else if (code == CompressionZip) {
        png_set_compression_level(png, 9);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
    } else {
        png_set_compression_level(png, 3);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB | PNG_FILTER_UP);
    }
}

} // namespace

void writePng(const Job& job, OutputFile& out) {
    const Options& o = job.options;
    const bool transparent = o.transparentBackground;
    const int width = job.size.width();
    Layout layout = Layout::Rgb;
    int paletteEntries = 0;
    switch (o.imageType) {
    case model::ImageBlackAndWhite:
        // Two levels and transparency do not fit a 1-bit gray image; a
        // palette of black, white and transparent does.
        layout = transparent ? Layout::Indexed : Layout::BlackWhite;
        paletteEntries = 3;
        break;
    case model::ImageGrayscale:
    case model::ImageDuotone:
        layout = transparent ? Layout::GrayAlpha : Layout::Gray;
        break;
    case model::ImagePaletted:
        layout = Layout::Indexed;
        paletteEntries = 256;
        break;
    case model::Image16Colors:
        layout = Layout::Indexed;
        paletteEntries = 16;
        break;
    default:
        layout = transparent ? Layout::Rgba : Layout::Rgb;
        break;
    }
    const render::Background background =
        transparent ? render::Background::Transparent : render::Background::White;

    Palette palette;
    std::unique_ptr<ColourMapper> mapper;
    int bits = 8;
    if (layout == Layout::Indexed) {
        if (o.imageType == model::ImageBlackAndWhite) {
            palette = grayPalette(2, true);
            mapper = std::make_unique<ColourMapper>(palette, true);
            bits = 2;
        } else {
            ColourCounter counter(transparent);
            BandRenderer first(job, background);
            first.forEachBand(BandRenderer::Order::TopFirst,
                              [&](const QImage& band, int, int rows) { counter.add(band, rows); });
            palette = counter.palette(paletteEntries);
            mapper = std::make_unique<ColourMapper>(palette, false);
            bits = paletteEntries == 16 ? 4 : 8;
        }
    } else if (layout == Layout::BlackWhite) {
        bits = 1;
    }

    PngWriteStruct s;
    s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
    if (!s.png)
        throw ExportError("PNG encoder: out of memory");
    s.info = png_create_info_struct(s.png);
    if (!s.info)
        throw ExportError("PNG encoder: out of memory");
    png_set_write_fn(s.png, &out, pngWrite, pngFlush);
    png_set_user_limits(s.png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    setCompression(s.png, o.compression);

    const int colourType = layout == Layout::Indexed     ? PNG_COLOR_TYPE_PALETTE
                           : layout == Layout::Rgb       ? PNG_COLOR_TYPE_RGB
                           : layout == Layout::Rgba      ? PNG_COLOR_TYPE_RGBA
                           : layout == Layout::GrayAlpha ? PNG_COLOR_TYPE_GRAY_ALPHA
                                                         : PNG_COLOR_TYPE_GRAY;
    png_set_IHDR(s.png, s.info, static_cast<png_uint_32>(width),
                 static_cast<png_uint_32>(job.size.height()), bits, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_set_pHYs(s.png, s.info, static_cast<png_uint_32>(std::lround(o.resolutionX / 0.0254)),
                 static_cast<png_uint_32>(std::lround(o.resolutionY / 0.0254)),
                 PNG_RESOLUTION_METER);
    if (layout == Layout::Indexed) {
        std::vector<png_color> entries;
        for (QRgb c : palette.colours)
            entries.push_back(png_color{static_cast<png_byte>(qRed(c)),
                                        static_cast<png_byte>(qGreen(c)),
                                        static_cast<png_byte>(qBlue(c))});
        png_set_PLTE(s.png, s.info, entries.data(), static_cast<int>(entries.size()));
        if (palette.transparent >= 0) {
            std::vector<png_byte> alpha(static_cast<size_t>(palette.transparent) + 1, 255);
            alpha.back() = 0;
            png_set_tRNS(s.png, s.info, alpha.data(), static_cast<int>(alpha.size()), nullptr);
        }
    }
    png_write_info(s.png, s.info);

    std::vector<uint8_t> samples(static_cast<size_t>(width) * 4);
    std::vector<uint8_t> packed(packedRowBytes(width, bits) + 1);
    BandRenderer renderer(job, background);
    renderer.forEachBand(BandRenderer::Order::TopFirst, [&](const QImage& band, int, int rows) {
        for (int y = 0; y < rows; ++y) {
            const auto* src = reinterpret_cast<const uint32_t*>(band.constScanLine(y));
            uint8_t* row = samples.data();
            switch (layout) {
            case Layout::BlackWhite:
                rowToBlackWhite(src, width, samples.data());
                for (int x = 0; x < width; ++x)
                    samples[static_cast<size_t>(x)] = samples[static_cast<size_t>(x)] ? 1 : 0;
                packBits(samples.data(), width, 1, packed.data());
                row = packed.data();
                break;
            case Layout::Gray:
                rowToGray(src, width, row);
                break;
            case Layout::GrayAlpha:
                rowToGrayAlpha(src, width, row);
                break;
            case Layout::Rgb:
                rowToRgb(src, width, row);
                break;
            case Layout::Rgba:
                rowToRgba(src, width, row);
                break;
            case Layout::Indexed:
                mapper->mapRow(src, width, samples.data());
                packBits(samples.data(), width, bits, packed.data());
                row = packed.data();
                break;
            }
            png_write_row(s.png, row);
        }
        out.check();
    });
    png_write_end(s.png, s.info);
    out.check();
}

} // namespace mosvik::host::bitmap::detail
