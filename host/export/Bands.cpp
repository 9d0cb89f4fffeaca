#include "Bands.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>

#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace mosvik::host::bitmap::detail {

namespace {

// Big enough that the renderer's walk over the shapes, repeated per band,
// costs little; small enough to stay far below the whole bitmap.
constexpr size_t bandBytes = size_t(4) << 20;

int rowsFor(const Job& job) {
    if (job.bandRows > 0)
        return std::min(job.bandRows, job.size.height());
    const size_t rowBytes = static_cast<size_t>(job.size.width()) * 4;
    const size_t rows = std::max<size_t>(1, bandBytes / rowBytes);
    return static_cast<int>(std::min<size_t>(rows, static_cast<size_t>(job.size.height())));
}

} // namespace

BandRenderer::BandRenderer(const Job& job, render::Background background,
                           std::optional<std::vector<model::Id>> layers)
    : job_(job), rows_(rowsFor(job)),
      band_(job.size.width(), rows_, QImage::Format_ARGB32_Premultiplied) {
    if (band_.isNull())
        throw ExportError("not enough memory for a band of " + std::to_string(job.size.width()) +
                          " x " + std::to_string(rows_) + " pixels");
    options_.area = job.area;
    options_.antialiasing = job.options.antiAliasing != 0;
    options_.background = background;
    options_.layers = std::move(layers);
    options_.shapes = job.shapes;
}

const QImage& BandRenderer::render(int top, int count) {
    band_.fill(Qt::transparent);
    QPainter painter(&band_);
    painter.setClipRect(QRect(0, 0, band_.width(), count));
    // The whole image's rectangle, moved up so that row `top` is the band's
    // first: the renderer draws only what falls on the band.
    options_.target = QRectF(0, -top, job_.size.width(), job_.size.height());
    render::renderPage(painter, job_.page, options_);
    painter.end();
    return band_;
}

void BandRenderer::forEachBand(Order order,
                               const std::function<void(const QImage&, int, int)>& band) {
    const int height = job_.size.height();
    if (order == Order::TopFirst) {
        for (int top = 0; top < height; top += rows_) {
            const int count = std::min(rows_, height - top);
            band(render(top, count), top, count);
        }
    } else {
        for (int bottom = height; bottom > 0; bottom -= rows_) {
            const int count = std::min(rows_, bottom);
            band(render(bottom - count, count), bottom - count, count);
        }
    }
}

void rowToRgb(const uint32_t* src, int width, uint8_t* dst) {
    for (int x = 0; x < width; ++x, dst += 3) {
        const uint32_t p = src[x];
        dst[0] = static_cast<uint8_t>(qRed(p));
        dst[1] = static_cast<uint8_t>(qGreen(p));
        dst[2] = static_cast<uint8_t>(qBlue(p));
    }
}

void rowToBgr(const uint32_t* src, int width, uint8_t* dst) {
    for (int x = 0; x < width; ++x, dst += 3) {
        const uint32_t p = src[x];
        dst[0] = static_cast<uint8_t>(qBlue(p));
        dst[1] = static_cast<uint8_t>(qGreen(p));
        dst[2] = static_cast<uint8_t>(qRed(p));
    }
}

void rowToRgba(const uint32_t* src, int width, uint8_t* dst) {
    for (int x = 0; x < width; ++x, dst += 4) {
        const QRgb p = qUnpremultiply(src[x]);
        dst[0] = static_cast<uint8_t>(qRed(p));
        dst[1] = static_cast<uint8_t>(qGreen(p));
        dst[2] = static_cast<uint8_t>(qBlue(p));
        dst[3] = static_cast<uint8_t>(qAlpha(p));
    }
}

void rowToGray(const uint32_t* src, int width, uint8_t* dst) {
    for (int x = 0; x < width; ++x)
        dst[x] = static_cast<uint8_t>(qGray(src[x]));
}

void rowToGrayAlpha(const uint32_t* src, int width, uint8_t* dst) {
    for (int x = 0; x < width; ++x, dst += 2) {
        const QRgb p = qUnpremultiply(src[x]);
        dst[0] = static_cast<uint8_t>(qGray(p));
        dst[1] = static_cast<uint8_t>(qAlpha(p));
    }
}

void rowToBlackWhite(const uint32_t* src, int width, uint8_t* dst) {
    for (int x = 0; x < width; ++x)
        dst[x] = qGray(src[x]) >= 128 ? 255 : 0;
}

void rowToCmykInverted(const uint32_t* src, int width, uint8_t* dst) {
    for (int x = 0; x < width; ++x, dst += 4) {
        const uint32_t p = src[x];
        const int r = qRed(p), g = qGreen(p), b = qBlue(p);
        // R = 255 (1 - C)(1 - K) with 1 - K = max / 255 gives
        // 1 - C = R / max: the stored (inverted) C is 255 R / max.
        const int top = std::max({r, g, b});
        if (top == 0) {
            dst[0] = dst[1] = dst[2] = 255;
            dst[3] = 0;
            continue;
        }
        dst[0] = static_cast<uint8_t>((255 * r + top / 2) / top);
        dst[1] = static_cast<uint8_t>((255 * g + top / 2) / top);
        dst[2] = static_cast<uint8_t>((255 * b + top / 2) / top);
        dst[3] = static_cast<uint8_t>(top);
    }
}

size_t packedRowBytes(int width, int bits) {
    return (static_cast<size_t>(width) * static_cast<size_t>(bits) + 7) / 8;
}

void packBits(const uint8_t* src, int width, int bits, uint8_t* dst) {
    if (bits == 8) {
        std::memcpy(dst, src, static_cast<size_t>(width));
        return;
    }
    std::memset(dst, 0, packedRowBytes(width, bits));
    const int perByte = 8 / bits;
    for (int x = 0; x < width; ++x) {
        const int shift = 8 - bits * (x % perByte + 1);
        dst[x / perByte] |= static_cast<uint8_t>(src[x] << shift);
    }
}

OutputFile::OutputFile(const QString& fileName) : file_(fileName) {
    const QFileInfo info(fileName);
    if (!info.absoluteDir().exists())
        throw ExportError("the folder \"" + info.absolutePath().toStdString() +
                          "\" does not exist");
    if (info.isDir())
        throw ExportError("a folder has that name");
    if (!file_.open(QIODevice::WriteOnly))
        throw ExportError(file_.errorString().toStdString());
}

void OutputFile::write(const void* data, size_t size) {
    if (failed() || size == 0)
        return;
    const qint64 n = file_.write(static_cast<const char*>(data), static_cast<qint64>(size));
    if (n != static_cast<qint64>(size))
        error_ = file_.errorString();
}

void OutputFile::check() const {
    if (failed())
        throw ExportError(error_.toStdString());
}

void OutputFile::seek(qint64 position) {
    if (!failed() && !file_.seek(position))
        error_ = file_.errorString();
}

void OutputFile::commit() {
    check();
    if (!file_.commit())
        throw ExportError(file_.errorString().toStdString());
}

size_t memoryBudget() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return size_t(1) << 31;
    return static_cast<size_t>(pages) * static_cast<size_t>(pageSize) / 2;
}

} // namespace mosvik::host::bitmap::detail
