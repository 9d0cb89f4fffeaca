// GIF through giflib: a palette from a first pass, then LZW-coded lines as
// the bands of a second pass come.
#include "Bands.h"
#include "Palette.h"

#include <gif_lib.h>

#include <memory>

namespace mosvik::host::bitmap::detail {

namespace {

int gifWrite(GifFileType* gif, const GifByteType* data, int size) {
    auto* out = static_cast<OutputFile*>(gif->UserData);
    out->write(data, static_cast<size_t>(size));
    return out->failed() ? 0 : size;
}

[[noreturn]] void gifFailed(int code) {
    const char* text = GifErrorString(code);
    throw ExportError(std::string("GIF encoder: ") + (text ? text : "failed"));
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        EGifCloseFile(gif, &error);
    }
};

int bitsFor(size_t entries) {
    int bits = 1;
    while ((size_t(1) << bits) < entries)
        ++bits;
    return bits;
}

} // namespace

void writeGif(const Job& job, OutputFile& out) {
    const Options& o = job.options;
    const bool transparent = o.transparentBackground;
    const render::Background background =
        transparent ? render::Background::Transparent : render::Background::White;
    const int width = job.size.width();

    Palette palette;
    bool gray = true;
    switch (o.imageType) {
    case model::ImageBlackAndWhite:
        palette = grayPalette(2, transparent);
        break;
    case model::ImageGrayscale:
    case model::ImageDuotone:
        palette = grayPalette(transparent ? 255 : 256, transparent);
        break;
    default: {
        ColourCounter counter(transparent);
        BandRenderer first(job, background);
        first.forEachBand(BandRenderer::Order::TopFirst,
                          [&](const QImage& band, int, int rows) { counter.add(band, rows); });
        palette = counter.palette(o.imageType == model::Image16Colors ? 16 : 256);
        gray = false;
        break;
    }
    }
    ColourMapper mapper(palette, gray);

    const int bits = bitsFor(palette.colours.size());
    std::vector<GifColorType> entries(size_t(1) << bits, GifColorType{0, 0, 0});
    for (size_t i = 0; i < palette.colours.size(); ++i)
        entries[i] = GifColorType{static_cast<GifByteType>(qRed(palette.colours[i])),
                                  static_cast<GifByteType>(qGreen(palette.colours[i])),
                                  static_cast<GifByteType>(qBlue(palette.colours[i]))};
    std::unique_ptr<ColorMapObject, void (*)(ColorMapObject*)> colourMap(
        GifMakeMapObject(1 << bits, entries.data()), GifFreeMapObject);
    if (!colourMap)
        throw ExportError("GIF encoder: out of memory");

    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(EGifOpen(&out, gifWrite, &error));
    if (!gif)
        gifFailed(error);
    EGifSetGifVersion(gif.get(), transparent);
    // Viewers that paint the screen's background first see through the
    // transparent entry.
    if (EGifPutScreenDesc(gif.get(), width, job.size.height(), bits,
                          transparent ? palette.transparent : 0, colourMap.get()) == GIF_ERROR)
        gifFailed(gif->Error);
    if (transparent) {
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSAL_UNSPECIFIED;
        control.UserInputFlag = false;
        control.DelayTime = 0;
        control.TransparentColor = palette.transparent;
        GifByteType bytes[4];
        const size_t n = EGifGCBToExtension(&control, bytes);
        if (EGifPutExtension(gif.get(), GRAPHICS_EXT_FUNC_CODE, static_cast<int>(n), bytes) ==
            GIF_ERROR)
            gifFailed(gif->Error);
    }
    if (EGifPutImageDesc(gif.get(), 0, 0, width, job.size.height(), false, nullptr) == GIF_ERROR)
        gifFailed(gif->Error);

    std::vector<GifPixelType> line(static_cast<size_t>(width));
    BandRenderer renderer(job, background);
    renderer.forEachBand(BandRenderer::Order::TopFirst, [&](const QImage& band, int, int rows) {
        for (int y = 0; y < rows; ++y) {
            mapper.mapRow(reinterpret_cast<const uint32_t*>(band.constScanLine(y)), width,
                          line.data());
            if (EGifPutLine(gif.get(), line.data(), width) == GIF_ERROR) {
                out.check();
                gifFailed(gif->Error);
            }
        }
        out.check();
    });
    GifFileType* done = gif.release();
    if (EGifCloseFile(done, &error) == GIF_ERROR) {
        out.check();
        gifFailed(error);
    }
    out.check();
}

} // namespace mosvik::host::bitmap::detail
