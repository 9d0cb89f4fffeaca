// Pieces the bitmap writers share: the band renderer, row conversions from
// rendered pixels to file layouts, and the output file that only appears
// under its name once complete.
#pragma once

#include "BitmapExport.h"

#include "host/render/Renderer.h"

#include <QImage>
#include <QSaveFile>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace mosvik::host::bitmap::detail {

// Renders a job's image a band of rows at a time into one reused
// premultiplied ARGB32 image, so the whole bitmap never exists at once.
class BandRenderer {
public:
    // `layers`: only these layers (nullopt: the visible ones).
    BandRenderer(const Job& job, render::Background background,
                 std::optional<std::vector<model::Id>> layers = std::nullopt);

    int bandRows() const { return rows_; }
    // Rows [top, top + count) of the image into the band's first `count`
    // rows; count <= bandRows().
    const QImage& render(int top, int count);
    // Every band, top first or bottom first; `band` gets the band image,
    // the first image row it holds and how many rows it holds.
    enum class Order { TopFirst, BottomFirst };
    void forEachBand(Order order, const std::function<void(const QImage&, int, int)>& band);

private:
    const Job& job_;
    int rows_;
    QImage band_;
    render::RenderOptions options_;
};

// Row conversions from premultiplied ARGB32. The opaque ones expect an
// opaque row (rendered over white).
void rowToRgb(const uint32_t* src, int width, uint8_t* dst);
void rowToBgr(const uint32_t* src, int width, uint8_t* dst);
void rowToRgba(const uint32_t* src, int width, uint8_t* dst);
void rowToGray(const uint32_t* src, int width, uint8_t* dst);
void rowToGrayAlpha(const uint32_t* src, int width, uint8_t* dst);
// Black (0) below half, white (255) from half up.
void rowToBlackWhite(const uint32_t* src, int width, uint8_t* dst);
// C, M, Y, K stored inverted (255 = no ink), as Adobe writes CMYK JPEGs:
// the inverse of the host's screen formula R = 255 (1 - C)(1 - K).
void rowToCmykInverted(const uint32_t* src, int width, uint8_t* dst);
// Packs one byte per pixel (values below 2^bits) into `bits`-bit pixels,
// the first pixel in the high bits.
void packBits(const uint8_t* src, int width, int bits, uint8_t* dst);
size_t packedRowBytes(int width, int bits);

// The output file: a QSaveFile, so the target name gets the file only when
// commit() succeeds. A failed write is remembered (check() throws it), so
// encoders that cannot stop mid-call keep going and fail afterwards.
class OutputFile {
public:
    explicit OutputFile(const QString& fileName); // throws ExportError
    void write(const void* data, size_t size);
    bool failed() const { return !error_.isEmpty(); }
    void check() const; // throws ExportError when a write failed
    qint64 pos() const { return file_.pos(); }
    void seek(qint64 position);
    void commit(); // throws ExportError

private:
    QSaveFile file_;
    QString error_;
};

void writePng(const Job& job, OutputFile& out);
void writeJpeg(const Job& job, OutputFile& out);
void writeGif(const Job& job, OutputFile& out);
void writeBmp(const Job& job, OutputFile& out);
void writePsd(const Job& job, OutputFile& out);

// Bytes a machine can give one export: half its physical memory.
size_t memoryBudget();

} // namespace mosvik::host::bitmap::detail
