// Bitmap export: one page (or some of its shapes) rendered and written as a
// JPG, GIF, PNG, BMP or PSD file. The automation side (IVGDocument::ExportEx
// and its handle) plans a Job and hands it to writeBitmap; docs/host.md
// (section "Bitmap export") has the image-type table and the rules.
//
// Memory: JPG, PNG, GIF and BMP are rendered band by band and encoded as the
// bands come, so a large image needs about one band (a few megabytes) plus
// the encoder's state, never the whole bitmap. PSD goes through Magick++,
// which holds whole images.
//
// Threads: pure functions of their arguments; any thread (text needs a
// QGuiApplication for its fonts). Call without the host lock.
#pragma once

#include "host/Model.h"

#include <QRectF>
#include <QSize>
#include <QString>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace mosvik::host::bitmap {

enum class FileType { Jpeg, Gif, Png, Bmp, Psd };

// The filter codes of IVGDocument::ExportEx.
enum FilterCode : int32_t {
    FilterBmp = 769,
    FilterGif = 773,
    FilterJpeg = 774,
    FilterPsd = 788,
    FilterPng = 802,
};
std::optional<FileType> fileTypeOf(int32_t filter);
const char* fileTypeName(FileType type); // "JPG", "GIF", ...

// Compression codes of IVGStructExportOptions (the compression list).
enum Compression : int32_t {
    CompressionNone = 0,
    CompressionLzw = 1,
    CompressionPackBits = 2,
    CompressionHuffman = 3,
    CompressionCcitt3 = 4,
    CompressionCcitt3TwoD = 5,
    CompressionCcitt4 = 6,
    CompressionRle = 7,
    CompressionZip = 8,
    CompressionJpeg = 9,
};

// The values of one IVGStructExportOptions object. The image type uses the
// image mode codes of model::ImageMode (0 black and white .. 10 spot
// multichannel).
struct Options {
    int32_t antiAliasing = 0; // 0 none, 1 smooth
    int32_t imageType = model::ImageRGB;
    int32_t compression = CompressionNone;
    // Accepted and kept, but this host draws on screen colours only: the
    // colour profile and black overprint do not change a pixel.
    bool useColorProfile = false;
    bool overprintBlack = false;
    bool transparentBackground = false;
    bool maintainLayers = false;
    int32_t resolutionX = 72; // dots per inch, written into the file
    int32_t resolutionY = 72;
    int32_t sizeX = 0; // pixels; 0: the area at the resolution
    int32_t sizeY = 0;
};

// A failure of an export, with a reason fit for the user (UTF-8).
class ExportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One bitmap to write.
struct Job {
    FileType type = FileType::Png;
    Options options;
    model::Page page; // what is drawn (a copy: the drawing may change meanwhile)
    QRectF area;      // millimetres of page coordinates, y up
    QSize size;       // pixels of the file
    // Only these shapes (and what lies in them); nullopt: every shape of the
    // page's visible layers.
    std::optional<std::vector<model::Id>> shapes;
    // Rows rendered at a time; 0 picks bands of about four megabytes.
    int bandRows = 0;
};

// The region an export covers: `area` when given, else the bounding box of
// `shapes` (nullopt: of every shape of the page, hidden layers included,
// as IVGShapes::All measures it). A side of zero length (a straight line)
// is widened to one pixel at the resolution. Throws ExportError when there
// is nothing to export.
QRectF exportArea(const model::Page& page, const std::optional<model::Box>& area,
                  const std::optional<std::vector<model::Id>>& shapes, const Options& options);
// The file's pixel size: SizeX and SizeY where set, else the area at the
// resolution, each side rounded and at least 1. Throws ExportError when the
// size cannot be held by the file type.
QSize imageSize(const QRectF& area, const Options& options, FileType type);

// Renders the job and writes it to `fileName`, replacing an existing file.
// The file is written under a temporary name in the same folder and renamed
// only when complete, so a failure leaves no file of that name (and an old
// one as it was). Throws ExportError ("cannot write "<file>": <reason>").
void writeBitmap(const Job& job, const QString& fileName);

} // namespace mosvik::host::bitmap
