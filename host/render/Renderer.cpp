#include "Renderer.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPaintDevice>
#include <QPainter>
#include <QRadialGradient>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace mosvik::host::render {

using namespace model;

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double millimetresPerInch = 25.4;
constexpr double pointsPerInch = 72.0;
// Glyph outlines are taken at this pixel size and scaled down, so text has
// the same shape at every output resolution (no hinting to a device grid).
constexpr int glyphPixels = 1000;

int channel(double v) {
    return static_cast<int>(std::lround(std::clamp(v, 0.0, 255.0)));
}

QRectF boxRect(const Shape& s) {
    return QRectF(s.x, s.y, s.width, s.height).normalized();
}

QFont fontOf(const Text& t) {
    QFont f(QString::fromStdU16String(t.font));
    f.setPixelSize(glyphPixels);
    f.setBold(t.bold);
    f.setItalic(t.italic);
    f.setUnderline(t.underline);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

double glyphScale(const Text& t) {
    return t.size * millimetresPerInch / pointsPerInch / glyphPixels;
}

QStringList linesOf(const Text& t) {
    return QString::fromStdU16String(t.text).split(QLatin1Char('\n'));
}

QPainterPath textPath(const Shape& s) {
    const QFont font = fontOf(s.text);
    const QFontMetricsF metrics(font);
    const double k = glyphScale(s.text);
    const QRectF box = boxRect(s);
    const double top = box.y() + box.height();
    QPainterPath letters;
    letters.setFillRule(Qt::WindingFill);
    const QStringList lines = linesOf(s.text);
    for (int i = 0; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        QPainterPath line;
        line.addText(0, 0, font, lines[i]);
        // Glyphs come y-down around their baseline; flip them upright.
        const double baseline = top - (metrics.ascent() + i * metrics.lineSpacing()) * k;
        letters.addPath(QTransform(k, 0, 0, -k, box.x(), baseline).map(line));
    }
    return letters;
}

// Qt measures arc angles clockwise in its y-down space, which is
// counter-clockwise in the model's y-up space once negated.
void roundedRect(QPainterPath& path, const Shape& s) {
    const QRectF b = boxRect(s);
    const double half = std::min(b.width(), b.height()) / 2;
    auto r = [&](double v) {
        return std::clamp(v, 0.0, half);
    };
    const double ll = r(s.corners.lowerLeft), lr = r(s.corners.lowerRight);
    const double ur = r(s.corners.upperRight), ul = r(s.corners.upperLeft);
    const double left = b.x(), bottom = b.y(), right = b.x() + b.width(), top = b.y() + b.height();
    path.moveTo(left + ll, bottom);
    path.lineTo(right - lr, bottom);
    if (lr > 0)
        path.arcTo(QRectF(right - 2 * lr, bottom, 2 * lr, 2 * lr), -270, -90);
    path.lineTo(right, top - ur);
    if (ur > 0)
        path.arcTo(QRectF(right - 2 * ur, top - 2 * ur, 2 * ur, 2 * ur), 0, -90);
    path.lineTo(left + ul, top);
    if (ul > 0)
        path.arcTo(QRectF(left, top - 2 * ul, 2 * ul, 2 * ul), -90, -90);
    path.lineTo(left, bottom + ll);
    if (ll > 0)
        path.arcTo(QRectF(left, bottom, 2 * ll, 2 * ll), -180, -90);
    path.closeSubpath();
}

void ellipse(QPainterPath& path, const Shape& s) {
    const QRectF b = boxRect(s);
    if (s.arcs.kind == EllipseFull) {
        path.addEllipse(b);
        return;
    }
    double sweep = std::fmod(s.arcs.endAngle - s.arcs.startAngle, 360.0);
    if (sweep <= 0)
        sweep += 360;
    if (s.arcs.kind == EllipsePie) {
        path.moveTo(b.center());
        path.arcTo(b, -s.arcs.startAngle, -sweep);
        path.closeSubpath();
    } else {
        path.arcMoveTo(b, -s.arcs.startAngle);
        path.arcTo(b, -s.arcs.startAngle, -sweep);
    }
}

void curve(QPainterPath& path, const Shape& s) {
    for (const Subpath& sub : s.paths) {
        for (const Node& n : sub.nodes) {
            if (n.type == NodeMove)
                path.moveTo(n.x, n.y);
            else if (n.type == NodeCubic)
                path.cubicTo(n.c1x, n.c1y, n.c2x, n.c2y, n.x, n.y);
            else
                path.lineTo(n.x, n.y);
        }
        if (sub.closed && !sub.nodes.empty())
            path.closeSubpath();
    }
}

QImage viewOf(const Pixels& p) {
    const int bpp = bytesPerPixel(p.format);
    const size_t needed =
        static_cast<size_t>(p.width) * static_cast<size_t>(p.height) * static_cast<size_t>(bpp);
    if (bpp == 0 || p.width <= 0 || p.height <= 0 || p.bytes.size() != needed)
        return {};
    const QImage::Format format = p.format == PixelGray8  ? QImage::Format_Grayscale8
                                  : p.format == PixelRgb8 ? QImage::Format_RGB888
                                                          : QImage::Format_RGBA8888;
    // Read-only and not copied: the pixels outlive the painting.
    return QImage(p.bytes.data(), p.width, p.height, static_cast<qsizetype>(p.width) * bpp, format);
}

QBrush fillBrush(const Shape& s, const QTransform& toPage) {
    if (s.fill.type == com::FillUniform) {
        const QColor c = toQColor(s.fill.color);
        return c.alpha() == 0 ? QBrush() : QBrush(c);
    }
    if (s.fill.type != com::FillFountain || s.fill.fountain.stops.empty())
        return QBrush();
    const Fountain& f = s.fill.fountain;
    const Box box = localBox(s).value_or(Box{});
    const QPointF start(box.x + f.startX * box.width, box.y + f.startY * box.height);
    const QPointF end(box.x + f.endX * box.width, box.y + f.endY * box.height);
    QGradientStops stops;
    for (const ColorStop& stop : f.stops)
        stops.append({std::clamp(stop.position, 0.0, 1.0), toQColor(stop.color)});
    std::stable_sort(stops.begin(), stops.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QBrush brush;
    if (f.kind == FountainRadial) {
        QRadialGradient g(start, std::hypot(end.x() - start.x(), end.y() - start.y()));
        g.setStops(stops);
        brush = QBrush(g);
    } else {
        QLinearGradient g(start, end);
        g.setStops(stops);
        brush = QBrush(g);
    }
    // The gradient is laid out in local space and follows the matrix.
    brush.setTransform(toPage);
    return brush;
}

QPen outlinePen(const Outline& o) {
    const QColor c = toQColor(o.color);
    if (o.width <= 0 || c.alpha() == 0)
        return QPen(Qt::NoPen);
    QPen pen(QBrush(c), o.width);
    pen.setCapStyle(o.cap == CapRound    ? Qt::RoundCap
                    : o.cap == CapSquare ? Qt::SquareCap
                                         : Qt::FlatCap);
    pen.setJoinStyle(o.join == JoinRound   ? Qt::RoundJoin
                     : o.join == JoinBevel ? Qt::BevelJoin
                                           : Qt::MiterJoin);
    if (!o.dashes.empty()) {
        QVector<qreal> pattern(o.dashes.begin(), o.dashes.end());
        if (pattern.size() % 2 == 1) // Qt wants pairs; an odd list repeats
            pattern += pattern;
        pen.setDashPattern(pattern);
    }
    return pen;
}

class Painter {
public:
    Painter(QPainter& p, const RenderOptions& o, QTransform pageToDevice)
        : p_(p), options_(o), pageToDevice_(pageToDevice) {}

    void draw(const Shape& s, const QTransform& parentToPage, bool included) {
        included = included || !options_.shapes ||
                   std::find(options_.shapes->begin(), options_.shapes->end(), s.id) !=
                       options_.shapes->end();
        const QTransform toPage = toQTransform(s.matrix) * parentToPage;
        if (s.type == com::ShapeGroup) {
            for (const Shape& c : s.children)
                draw(c, toPage, included);
            return;
        }
        const QPainterPath path = toPage.map(localPath(s));
        if (included) {
            if (s.type == com::ShapeBitmap)
                drawBitmap(s, toPage);
            else if (QBrush brush = fillBrush(s, toPage); brush.style() != Qt::NoBrush)
                p_.fillPath(path, brush);
        }
        if (!s.powerClip.empty()) {
            p_.save();
            p_.setClipPath(path, Qt::IntersectClip);
            for (const Shape& c : s.powerClip)
                draw(c, toPage, included);
            p_.restore();
        }
        if (included)
            if (QPen pen = outlinePen(s.outline); pen.style() != Qt::NoPen)
                p_.strokePath(path, pen);
    }

private:
    void drawBitmap(const Shape& s, const QTransform& toPage) {
        const QImage image = viewOf(s.bitmap.pixels);
        if (image.isNull())
            return;
        const QRectF b = boxRect(s);
        // Image rows run top first; the box is y-up.
        const QTransform place(b.width() / image.width(), 0, 0, -b.height() / image.height(), b.x(),
                               b.y() + b.height());
        p_.save();
        p_.setTransform(place * toPage * pageToDevice_);
        p_.drawImage(QPointF(0, 0), image);
        p_.restore();
    }

    QPainter& p_;
    const RenderOptions& options_;
    QTransform pageToDevice_;
};

} // namespace

QTransform toQTransform(const Matrix& m) {
    return QTransform(m.m11, m.m12, m.m21, m.m22, m.dx, m.dy);
}

QColor toQColor(const Color& c) {
    auto v = [&](size_t i) {
        return i < c.values.size() ? c.values[i] : 0.0;
    };
    switch (c.model) {
    case com::ColorModelRGB:
        return QColor(channel(v(0)), channel(v(1)), channel(v(2)));
    case com::ColorModelCMYK: {
        auto part = [](double x) {
            return 1 - std::clamp(x, 0.0, 100.0) / 100;
        };
        const double k = part(v(3));
        return QColor(channel(255 * part(v(0)) * k), channel(255 * part(v(1)) * k),
                      channel(255 * part(v(2)) * k));
    }
    case com::ColorModelGray: {
        const int level = channel(v(0));
        return QColor(level, level, level);
    }
    case com::ColorModelRegistration:
        return QColor(0, 0, 0);
    default:
        return QColor(Qt::transparent);
    }
}

QPainterPath localPath(const Shape& s) {
    QPainterPath path;
    switch (s.type) {
    case com::ShapeGroup:
        return path;
    case com::ShapeEllipse:
        ellipse(path, s);
        return path;
    case com::ShapeCurve:
        curve(path, s);
        return path;
    case com::ShapeText:
        return textPath(s);
    case com::ShapeRectangle:
        roundedRect(path, s);
        return path;
    default:
        path.addRect(boxRect(s));
        return path;
    }
}

QPainterPath shapePath(const Shape& s) {
    return toQTransform(s.matrix).map(localPath(s));
}

QSizeF textExtent(const Text& text) {
    const QFontMetricsF metrics(fontOf(text));
    const double k = glyphScale(text);
    double widest = 0;
    const QStringList lines = linesOf(text);
    for (const QString& line : lines)
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return QSizeF(widest * k, lines.size() * metrics.lineSpacing() * k);
}

double textAscent(const Text& text) {
    return QFontMetricsF(fontOf(text)).ascent() * glyphScale(text);
}

double textLineSpacing(const Text& text) {
    return QFontMetricsF(fontOf(text)).lineSpacing() * glyphScale(text);
}

void renderPage(QPainter& painter, const Page& page, const RenderOptions& options) {
    const QRectF area =
        options.area.isEmpty() ? QRectF(page.x, page.y, page.width, page.height) : options.area;
    QRectF target = options.target;
    if (target.isEmpty() && painter.device())
        target = QRectF(0, 0, painter.device()->width(), painter.device()->height());
    if (target.isEmpty() || area.isEmpty())
        return;

    painter.save();
    painter.resetTransform();
    painter.setClipRect(target, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    if (options.background == Background::White)
        painter.fillRect(target, Qt::white);
    painter.setRenderHint(QPainter::Antialiasing, options.antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, options.antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing, options.antialiasing);

    const double sx = target.width() / area.width();
    const double sy = target.height() / area.height();
    const double areaTop = area.y() + area.height();
    const QTransform pageToDevice(sx, 0, 0, -sy, target.x() - area.x() * sx,
                                  target.y() + areaTop * sy);
    painter.setTransform(pageToDevice);

    Painter draw(painter, options, pageToDevice);
    for (const Layer& layer : page.layers) {
        const bool wanted = options.layers
                                ? std::find(options.layers->begin(), options.layers->end(),
                                            layer.id) != options.layers->end()
                                : layer.visible;
        if (!wanted)
            continue;
        for (const Shape& s : layer.shapes)
            draw.draw(s, QTransform(), false);
    }
    painter.restore();
}

QSize pixelSize(const QRectF& area, double dpiX, double dpiY) {
    auto side = [](double millimetres, double dpi) {
        return std::max(1, static_cast<int>(std::lround(millimetres / millimetresPerInch * dpi)));
    };
    return QSize(side(area.width(), dpiX), side(area.height(), dpiY));
}

QImage renderImage(const Page& page, double dpiX, double dpiY, RenderOptions options) {
    if (options.area.isEmpty())
        options.area = QRectF(page.x, page.y, page.width, page.height);
    const QSize size = pixelSize(options.area, dpiX, dpiY);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        throw std::runtime_error("not enough memory for an image of " +
                                 std::to_string(size.width()) + " x " +
                                 std::to_string(size.height()) + " pixels");
    image.fill(Qt::transparent);
    image.setDotsPerMeterX(static_cast<int>(std::lround(dpiX / 0.0254)));
    image.setDotsPerMeterY(static_cast<int>(std::lround(dpiY / 0.0254)));
    options.target = QRectF(QPointF(0, 0), QSizeF(size));
    QPainter painter(&image);
    renderPage(painter, page, options);
    painter.end();
    return image;
}

QImage toQImage(const Pixels& p) {
    return viewOf(p).copy();
}

Pixels fromQImage(const QImage& image) {
    if (image.isNull())
        return Pixels{0, 0, PixelRgba8, {}};
    QImage converted;
    int32_t format;
    if (image.isGrayscale() && !image.hasAlphaChannel()) {
        converted = image.convertToFormat(QImage::Format_Grayscale8);
        format = PixelGray8;
    } else if (!image.hasAlphaChannel()) {
        converted = image.convertToFormat(QImage::Format_RGB888);
        format = PixelRgb8;
    } else {
        converted = image.convertToFormat(QImage::Format_RGBA8888);
        format = PixelRgba8;
    }
    Pixels p = pixels(converted.width(), converted.height(), format);
    const size_t row = static_cast<size_t>(converted.width()) * static_cast<size_t>(format);
    for (int y = 0; y < converted.height(); ++y)
        std::memcpy(p.bytes.data() + row * static_cast<size_t>(y), converted.constScanLine(y), row);
    return p;
}

} // namespace mosvik::host::render
