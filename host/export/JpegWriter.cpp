// JPG through libjpeg(-turbo), scanlines as the bands come.
#include "Bands.h"

#include <cstdio> // jpeglib.h needs FILE
#include <jpeglib.h>

#include <algorithm>

namespace mosvik::host::bitmap::detail {

namespace {

// libjpeg must not return from error_exit; the exception unwinds through it.
[[noreturn]] void jpegError(j_common_ptr info) {
    char text[JMSG_LENGTH_MAX] = {};
    (*info->err->format_message)(info, text);
    throw ExportError(std::string("JPEG encoder: ") + text);
}
void jpegMessage(j_common_ptr, int) {}

struct Destination {
    jpeg_destination_mgr manager{};
    OutputFile* out = nullptr;
    std::vector<JOCTET> buffer = std::vector<JOCTET>(64 * 1024);
};

Destination& destinationOf(j_compress_ptr info) {
    return *reinterpret_cast<Destination*>(info->dest);
}

void initDestination(j_compress_ptr info) {
    Destination& d = destinationOf(info);
    d.manager.next_output_byte = d.buffer.data();
    d.manager.free_in_buffer = d.buffer.size();
}

boolean emptyBuffer(j_compress_ptr info) {
    Destination& d = destinationOf(info);
    d.out->write(d.buffer.data(), d.buffer.size());
    d.manager.next_output_byte = d.buffer.data();
    d.manager.free_in_buffer = d.buffer.size();
    return TRUE;
}

void termDestination(j_compress_ptr info) {
    Destination& d = destinationOf(info);
    d.out->write(d.buffer.data(), d.buffer.size() - d.manager.free_in_buffer);
}

struct Compressor {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    Compressor() {
        info.err = jpeg_std_error(&errors);
        errors.error_exit = jpegError;
        errors.emit_message = jpegMessage;
        jpeg_create_compress(&info);
    }
    ~Compressor() { jpeg_destroy_compress(&info); }
};

enum class Layout { BlackWhite, Gray, Rgb, Cmyk };

uint16_t density(int32_t dpi) {
    return static_cast<uint16_t>(std::clamp(dpi, 1, 65535));
}

} // namespace

void writeJpeg(const Job& job, OutputFile& out) {
    const Options& o = job.options;
    Layout layout = Layout::Rgb;
    switch (o.imageType) {
    case model::ImageBlackAndWhite:
        layout = Layout::BlackWhite;
        break;
    case model::ImageGrayscale:
    case model::ImageDuotone:
        layout = Layout::Gray;
        break;
    case model::ImageCMYK:
    case model::ImageCMYKMultiChannel:
        layout = Layout::Cmyk;
        break;
    default:
        break;
    }
    const int width = job.size.width();
    const int components = layout == Layout::Rgb ? 3 : layout == Layout::Cmyk ? 4 : 1;

    Compressor c;
    Destination destination;
    destination.out = &out;
    destination.manager.init_destination = initDestination;
    destination.manager.empty_output_buffer = emptyBuffer;
    destination.manager.term_destination = termDestination;
    c.info.dest = &destination.manager;
    c.info.image_width = static_cast<JDIMENSION>(width);
    c.info.image_height = static_cast<JDIMENSION>(job.size.height());
    c.info.input_components = components;
    c.info.in_color_space = layout == Layout::Rgb    ? JCS_RGB
                            : layout == Layout::Cmyk ? JCS_CMYK
                                                     : JCS_GRAYSCALE;
    jpeg_set_defaults(&c.info);
    // "No compression" keeps the most a JPG can: high quality and full
    // colour resolution; every other code is the usual 4:2:0 at 85.
    const bool finest = o.compression == CompressionNone;
    jpeg_set_quality(&c.info, finest ? 95 : 85, TRUE);
    if (finest)
        for (int i = 0; i < c.info.num_components; ++i)
            c.info.comp_info[i].h_samp_factor = c.info.comp_info[i].v_samp_factor = 1;
    // The density travels in the JFIF header, which libjpeg leaves out of
    // CMYK files; readers take it there too.
    c.info.write_JFIF_header = TRUE;
    c.info.density_unit = 1; // dots per inch
    c.info.X_density = density(o.resolutionX);
    c.info.Y_density = density(o.resolutionY);
    jpeg_start_compress(&c.info, TRUE);

    std::vector<uint8_t> rows;
    std::vector<JSAMPROW> pointers;
    BandRenderer renderer(job, render::Background::White);
    renderer.forEachBand(BandRenderer::Order::TopFirst, [&](const QImage& band, int, int count) {
        const size_t stride = static_cast<size_t>(width) * static_cast<size_t>(components);
        rows.resize(stride * static_cast<size_t>(count));
        pointers.resize(static_cast<size_t>(count));
        for (int y = 0; y < count; ++y) {
            const auto* src = reinterpret_cast<const uint32_t*>(band.constScanLine(y));
            uint8_t* dst = rows.data() + stride * static_cast<size_t>(y);
            switch (layout) {
            case Layout::BlackWhite:
                rowToBlackWhite(src, width, dst);
                break;
            case Layout::Gray:
                rowToGray(src, width, dst);
                break;
            case Layout::Rgb:
                rowToRgb(src, width, dst);
                break;
            case Layout::Cmyk:
                rowToCmykInverted(src, width, dst);
                break;
            }
            pointers[static_cast<size_t>(y)] = dst;
        }
        JDIMENSION done = 0;
        while (done < static_cast<JDIMENSION>(count))
            done += jpeg_write_scanlines(&c.info, pointers.data() + done,
                                         static_cast<JDIMENSION>(count) - done);
        out.check();
    });
    jpeg_finish_compress(&c.info);
    out.check();
}

} // namespace mosvik::host::bitmap::detail
