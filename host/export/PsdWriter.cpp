// PSD through Magick++: whole images in Magick's pixel cache (filled band by
// band, so no second full copy is made), a flattened composite first and,
// with MaintainLayers, one image per drawing layer after it.
#include "Bands.h"

#include <Magick++.h>

#include <mutex>

namespace mosvik::host::bitmap::detail {

namespace {

enum class Mode { Bitmap, Gray, Indexed, Rgb, Cmyk };

Mode modeOf(int32_t imageType) {
    switch (imageType) {
    case model::ImageBlackAndWhite:
        return Mode::Bitmap;
    case model::ImageGrayscale:
    case model::ImageDuotone:
        return Mode::Gray;
    case model::ImagePaletted:
    case model::Image16Colors:
        return Mode::Indexed;
    case model::ImageCMYK:
    case model::ImageCMYKMultiChannel:
        return Mode::Cmyk;
    default:
        return Mode::Rgb;
    }
}

// Photoshop's bitmap and indexed modes have neither transparency nor layers.
bool holdsAlphaAndLayers(Mode mode) {
    return mode == Mode::Gray || mode == Mode::Rgb || mode == Mode::Cmyk;
}

// 8-bit values to Magick's 16-bit quanta (Q16: 255 * 257 = 65535).
Magick::Quantum quantum(int v) {
    static_assert(sizeof(Magick::Quantum) == 2, "a Q16 build of Magick++ is expected");
    return static_cast<Magick::Quantum>(v * 257);
}

// One image of the job's size, drawn band by band into Magick's pixels.
Magick::Image renderImage(const Job& job, Mode mode, bool alpha, render::Background background,
                          std::optional<std::vector<model::Id>> layers) {
    const int width = job.size.width();
    Magick::Image image(
        Magick::Geometry(static_cast<size_t>(width), static_cast<size_t>(job.size.height())),
        Magick::Color("white"));
    image.matte(alpha);
    image.modifyImage();
    BandRenderer renderer(job, background, std::move(layers));
    std::vector<uint8_t> bw(static_cast<size_t>(width));
    renderer.forEachBand(BandRenderer::Order::TopFirst, [&](const QImage& band, int top,
                                                            int count) {
        Magick::PixelPacket* pixels =
            image.getPixels(0, top, static_cast<size_t>(width), static_cast<size_t>(count));
        if (!pixels)
            throw ExportError("not enough memory for the image");
        for (int y = 0; y < count; ++y) {
            const auto* src = reinterpret_cast<const uint32_t*>(band.constScanLine(y));
            Magick::PixelPacket* dst = pixels + static_cast<size_t>(y) * static_cast<size_t>(width);
            if (mode == Mode::Bitmap)
                rowToBlackWhite(src, width, bw.data());
            for (int x = 0; x < width; ++x, ++dst) {
                const QRgb p = qUnpremultiply(src[x]);
                if (mode == Mode::Bitmap) {
                    dst->red = dst->green = dst->blue = quantum(bw[static_cast<size_t>(x)]);
                } else if (mode == Mode::Gray) {
                    // The same gray as every other file type, not Magick's.
                    dst->red = dst->green = dst->blue = quantum(qGray(p));
                } else {
                    dst->red = quantum(qRed(p));
                    dst->green = quantum(qGreen(p));
                    dst->blue = quantum(qBlue(p));
                }
                dst->opacity = alpha ? quantum(255 - qAlpha(p)) : 0;
            }
        }
        image.syncPixels();
    });
    return image;
}

void setMode(Magick::Image& image, Mode mode, int colours) {
    switch (mode) {
    case Mode::Bitmap:
        image.type(Magick::BilevelType);
        image.depth(1);
        return;
    case Mode::Gray:
        image.type(image.matte() ? Magick::GrayscaleMatteType : Magick::GrayscaleType);
        break;
    case Mode::Indexed:
        image.quantizeDither(false);
        image.quantizeColors(static_cast<size_t>(colours));
        image.quantize();
        image.type(Magick::PaletteType);
        break;
    case Mode::Cmyk:
        image.colorSpace(Magick::CMYKColorspace);
        break;
    case Mode::Rgb:
        break;
    }
    image.depth(8);
}

} // namespace

void writePsd(const Job& job, OutputFile& out) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { Magick::InitializeMagick(nullptr); });

    const Options& o = job.options;
    const Mode mode = modeOf(o.imageType);
    const bool alpha = o.transparentBackground && holdsAlphaAndLayers(mode);
    std::vector<const model::Layer*> layers;
    if (o.maintainLayers && holdsAlphaAndLayers(mode))
        for (const model::Layer& layer : job.page.layers)
            if (layer.visible)
                layers.push_back(&layer);

    // Magick keeps 8 bytes a pixel (10 for CMYK) per image, and the file
    // comes as one more block in memory.
    const double pixels = static_cast<double>(job.size.width()) * job.size.height();
    const double needed =
        pixels * ((mode == Mode::Cmyk ? 10.0 : 8.0) * static_cast<double>(1 + layers.size()) + 5.0);
    if (needed > static_cast<double>(memoryBudget()))
        throw ExportError("a PSD file of " + std::to_string(job.size.width()) + " x " +
                          std::to_string(job.size.height()) + " pixels needs about " +
                          std::to_string(static_cast<long long>(needed / 1048576)) +
                          " MB, more than this machine can give");

    try {
        const render::Background composite =
            alpha ? render::Background::Transparent : render::Background::White;
        std::vector<Magick::Image> images;
        images.push_back(renderImage(job, mode, alpha, composite, std::nullopt));
        for (const model::Layer* layer : layers) {
            images.push_back(renderImage(job, mode, true, render::Background::Transparent,
                                         std::vector<model::Id>{layer->id}));
            images.back().label(QString::fromStdU16String(layer->name).toStdString());
        }
        const int colours = o.imageType == model::Image16Colors ? 16 : 256;
        for (Magick::Image& image : images) {
            setMode(image, mode, colours);
            image.magick("PSD");
            image.resolutionUnits(Magick::PixelsPerInchResolution);
            image.density(Magick::Geometry(static_cast<size_t>(o.resolutionX),
                                           static_cast<size_t>(o.resolutionY)));
            // PackBits (RLE) is what Photoshop itself writes; "none" stays raw.
            image.compressType(o.compression == CompressionNone ? Magick::NoCompression
                                                                : Magick::RLECompression);
        }
        Magick::Blob blob;
        Magick::writeImages(images.begin(), images.end(), &blob, true);
        out.write(blob.data(), blob.length());
    } catch (const Magick::Exception& e) {
        throw ExportError(std::string("PSD encoder: ") + e.what());
    }
    out.check();
}

} // namespace mosvik::host::bitmap::detail
