#include "BitmapExport.h"

#include "Bands.h"

#include "host/render/Renderer.h"

#include <QDir>

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>

namespace mosvik::host::bitmap {

namespace {

constexpr double millimetresPerInch = 25.4;

// Bounding box of the listed shapes (any depth), in page coordinates.
void unitePlaced(const std::vector<model::Shape>& shapes, const QTransform& toPage,
                 const std::vector<model::Id>& wanted, std::optional<QRectF>& box) {
    for (const model::Shape& s : shapes) {
        if (std::find(wanted.begin(), wanted.end(), s.id) != wanted.end()) {
            if (auto b = model::bounds(s)) {
                const QRectF r = toPage.mapRect(QRectF(b->x, b->y, b->width, b->height));
                // By hand: QRectF::united drops a rectangle of no area (a point).
                box = box ? QRectF(QPointF(std::min(box->left(), r.left()),
                                           std::min(box->top(), r.top())),
                                   QPointF(std::max(box->right(), r.right()),
                                           std::max(box->bottom(), r.bottom())))
                          : r;
            }
            continue;
        }
        const QTransform inner = render::toQTransform(s.matrix) * toPage;
        unitePlaced(s.children, inner, wanted, box);
        unitePlaced(s.powerClip, inner, wanted, box);
    }
}

int maximumSide(FileType type) {
    switch (type) {
    case FileType::Jpeg:
        return 65500;
    case FileType::Gif:
        return 65535;
    case FileType::Psd:
        return 30000;
    default:
        return INT_MAX;
    }
}

} // namespace

std::optional<FileType> fileTypeOf(int32_t filter) {
    switch (filter) {
    case FilterJpeg:
        return FileType::Jpeg;
    case FilterGif:
        return FileType::Gif;
    case FilterPng:
        return FileType::Png;
    case FilterBmp:
        return FileType::Bmp;
    case FilterPsd:
        return FileType::Psd;
    default:
        return std::nullopt;
    }
}

const char* fileTypeName(FileType type) {
    switch (type) {
    case FileType::Jpeg:
        return "JPG";
    case FileType::Gif:
        return "GIF";
    case FileType::Png:
        return "PNG";
    case FileType::Bmp:
        return "BMP";
    case FileType::Psd:
        return "PSD";
    }
    return "?";
}

QRectF exportArea(const model::Page& page, const std::optional<model::Box>& area,
                  const std::optional<std::vector<model::Id>>& shapes, const Options& options) {
    std::optional<QRectF> box;
    if (area) {
        box = QRectF(area->x, area->y, area->width, area->height);
    } else {
        std::vector<model::Id> wanted;
        if (shapes) {
            wanted = *shapes;
        } else {
            for (const model::Layer& layer : page.layers)
                for (const model::Shape& s : layer.shapes)
                    wanted.push_back(s.id);
        }
        for (const model::Layer& layer : page.layers)
            unitePlaced(layer.shapes, QTransform(), wanted, box);
        if (!box)
            throw ExportError(shapes ? "nothing to export: none of the shapes is on the page"
                                     : "nothing to export: the page holds no shapes");
    }
    QRectF r = box->normalized();
    if (!(r.width() > 0)) {
        const double w = millimetresPerInch / options.resolutionX;
        r = QRectF(r.center().x() - w / 2, r.y(), w, r.height());
    }
    if (!(r.height() > 0)) {
        const double h = millimetresPerInch / options.resolutionY;
        r = QRectF(r.x(), r.center().y() - h / 2, r.width(), h);
    }
    return r;
}

QSize imageSize(const QRectF& area, const Options& options, FileType type) {
    auto side = [](int32_t fixed, double millimetres, int32_t dpi) {
        if (fixed > 0)
            return static_cast<double>(fixed);
        return std::max(1.0, std::round(millimetres / millimetresPerInch * dpi));
    };
    const double width = side(options.sizeX, area.width(), options.resolutionX);
    const double height = side(options.sizeY, area.height(), options.resolutionY);
    const int most = maximumSide(type);
    if (!(width <= most && height <= most)) {
        auto text = [](double v) {
            return std::isfinite(v) && v < 1e15 ? std::to_string(static_cast<long long>(v))
                                                : std::string("too many");
        };
        throw ExportError("an image of " + text(width) + " x " + text(height) +
                          " pixels is too large: a " + fileTypeName(type) + " file holds at most " +
                          std::to_string(most) + " pixels a side");
    }
    return QSize(static_cast<int>(width), static_cast<int>(height));
}

void writeBitmap(const Job& job, const QString& fileName) {
    try {
        detail::OutputFile out(fileName);
        switch (job.type) {
        case FileType::Jpeg:
            detail::writeJpeg(job, out);
            break;
        case FileType::Gif:
            detail::writeGif(job, out);
            break;
        case FileType::Png:
            detail::writePng(job, out);
            break;
        case FileType::Bmp:
            detail::writeBmp(job, out);
            break;
        case FileType::Psd:
            detail::writePsd(job, out);
            break;
        }
        out.commit();
    } catch (const ExportError& e) {
        throw ExportError("cannot write \"" + QDir::toNativeSeparators(fileName).toStdString() +
                          "\": " + e.what());
    } catch (const std::bad_alloc&) {
        throw ExportError("cannot write \"" + QDir::toNativeSeparators(fileName).toStdString() +
                          "\": out of memory");
    }
}

} // namespace mosvik::host::bitmap
