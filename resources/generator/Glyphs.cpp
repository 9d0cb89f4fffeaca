#include "Glyphs.h"

#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>
#include <stdexcept>

namespace mosvik::glyphs {
namespace {

// Colours close to entries of the 16-colour system palette, so the 4-bit
// icon images keep the glyph's look.
const QColor kInk(0x20, 0x20, 0x20);
const QColor kBlue(0x10, 0x50, 0xd0);
const QColor kSky(0xa0, 0xd0, 0xff);
const QColor kGreen(0x10, 0x90, 0x30);
const QColor kRed(0xe0, 0x20, 0x20);
const QColor kOrange(0xf0, 0xa0, 0x00);
const QColor kPaper(0xff, 0xff, 0xff);
const QColor kSilver(0xb0, 0xb0, 0xb0);

// Every glyph is designed on a 24 x 24 grid; a stroke of this width still
// covers one whole pixel at 16 px.
constexpr qreal kStroke = 1.6;

QPen inkPen(const QColor& colour = kInk, qreal width = kStroke) {
    return QPen(colour, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
}

// A filled arrow head whose tip lies `length` beyond `base` along `dir`.
QPolygonF arrowHead(QPointF base, QPointF dir, qreal length, qreal halfWidth) {
    const qreal norm = std::hypot(dir.x(), dir.y());
    const QPointF d(dir.x() / norm, dir.y() / norm);
    const QPointF n(-d.y(), d.x());
    return QPolygonF({base + d * length, base + n * halfWidth, base - n * halfWidth});
}

void exportImage(QPainter& p) {
    // A picture with a mountain and sun, and an arrow leaving it.
    p.setPen(inkPen());
    p.setBrush(kSky);
    p.drawRect(QRectF(1.5, 2.5, 15, 12));
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawPolygon(QPolygonF({{2.3, 13.7}, {7, 7.5}, {10, 11}, {12, 9}, {15.7, 13.7}}));
    p.setBrush(kOrange);
    p.drawEllipse(QPointF(12.5, 6), 1.8, 1.8);
    p.setPen(inkPen(kInk, 1.0));
    p.setBrush(kRed);
    p.drawPolygon(QPolygonF(
        {{9.5, 16.5}, {16, 16.5}, {16, 13.5}, {22.5, 18.75}, {16, 24}, {16, 21}, {9.5, 21}}));
}

void convert(QPainter& p) {
    // Two opposed arrows: one thing turned into another.
    p.setPen(inkPen(kInk, 1.0));
    p.setBrush(kBlue);
    p.drawPolygon(
        QPolygonF({{1.5, 5}, {14, 5}, {14, 1.5}, {22.5, 7}, {14, 12.5}, {14, 9}, {1.5, 9}}));
    p.setBrush(kGreen);
    p.drawPolygon(
        QPolygonF({{22.5, 15}, {10, 15}, {10, 11.5}, {1.5, 17}, {10, 22.5}, {10, 19}, {22.5, 19}}));
}

void photoshopBrush(QPainter& p) {
    // A paint brush laying down a stroke.
    p.setPen(QPen(kOrange, 3.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(21, 3), QPointF(13.5, 10.5));
    p.setPen(QPen(kSilver, 4.6, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(13.8, 10.2), QPointF(11, 13));
    QPainterPath bristles;
    bristles.moveTo(12.5, 14.5);
    bristles.cubicTo(11, 17.5, 8, 19.5, 3, 21.5);
    bristles.cubicTo(4, 17, 6, 13, 9.5, 11.5);
    bristles.closeSubpath();
    p.setPen(inkPen(kInk, 1.0));
    p.setBrush(kBlue);
    p.drawPath(bristles);
    p.setPen(QPen(kBlue, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3, 23), QPointF(12, 23));
}

void cropMarks(QPainter& p) {
    // A sheet with a crop mark pair beyond each corner.
    p.setPen(inkPen(kBlue, 1.0));
    p.setBrush(kSky);
    p.drawRect(QRectF(7, 7, 10, 10));
    p.setPen(inkPen());
    const qreal a = 7, b = 17, out = 1, in = 5;
    for (qreal x : {a, b}) {
        p.drawLine(QPointF(x, out), QPointF(x, in));
        p.drawLine(QPointF(x, 24 - in), QPointF(x, 24 - out));
    }
    for (qreal y : {a, b}) {
        p.drawLine(QPointF(out, y), QPointF(in, y));
        p.drawLine(QPointF(24 - in, y), QPointF(24 - out, y));
    }
}

void qrCode(QPainter& p, int size) {
    // Drawn on a whole-pixel module grid: QR modules must stay crisp squares.
    p.resetTransform();
    const int module = size / 8;
    const int offset = (size - module * 8) / 2;
    auto cell = [&](int x, int y, int w, int h, const QColor& c) {
        p.fillRect(QRect(offset + x * module, offset + y * module, w * module, h * module), c);
    };
    // The light ground stops a pixel short of the edge, so the glyph still
    // shows the toolbar through it at every size.
    p.fillRect(QRect(offset + 1, offset + 1, 8 * module - 2, 8 * module - 2), kPaper);
    for (auto [fx, fy] : {std::pair{0, 0}, {5, 0}, {0, 5}}) {
        cell(fx, fy, 3, 3, kInk);
        cell(fx + 1, fy + 1, 1, 1, kPaper);
    }
    for (auto [x, y] : {std::pair{4, 1},
                        {3, 3},
                        {5, 4},
                        {7, 4},
                        {4, 5},
                        {6, 5},
                        {5, 6},
                        {7, 7},
                        {4, 7},
                        {6, 7},
                        {1, 4},
                        {3, 6}})
        cell(x, y, 1, 1, kInk);
}

void selectSimilar(QPainter& p) {
    // Two alike shapes, the second one picked by the cursor.
    p.setPen(inkPen(kInk, 1.0));
    p.setBrush(kBlue);
    p.drawEllipse(QRectF(1.5, 2, 9, 9));
    p.drawEllipse(QRectF(12.5, 2, 9, 9));
    QPolygonF cursor({{0, 0}, {0, 15}, {3.6, 11.6}, {6.2, 17}, {8.6, 16}, {6, 10.6}, {10.6, 10.6}});
    cursor.translate(10.5, 6.5);
    p.setPen(inkPen(kInk, 1.0));
    p.setBrush(kPaper);
    p.drawPolygon(cursor);
}

void fontLetter(QPainter& p) {
    // The letter A as an outline, its counter cut out.
    QPainterPath a;
    a.setFillRule(Qt::OddEvenFill);
    a.addPolygon(QPolygonF(
        {{2, 22}, {9.5, 2}, {14.5, 2}, {22, 22}, {17.5, 22}, {15.8, 17}, {8.2, 17}, {6.5, 22}}));
    a.closeSubpath();
    a.addPolygon(QPolygonF({{9.4, 13.5}, {14.6, 13.5}, {12, 6}}));
    a.closeSubpath();
    p.setPen(inkPen(kInk, 1.0));
    p.setBrush(kBlue);
    p.drawPath(a);
}

void curvedArrow(QPainter& p, const QColor& colour) {
    // An arrow that turns back to the left (undo); redo is its mirror image.
    const QPointF start(18.5, 21), c1(22, 10), c2(12, 4), end(7.5, 9.5);
    QPainterPath curve(start);
    curve.cubicTo(c1, c2, end);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kInk, 5.2, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(curve);
    p.setPen(QPen(colour, 3.2, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(curve);
    p.setPen(inkPen(kInk, 1.0));
    p.setBrush(colour);
    p.drawPolygon(arrowHead(end, end - c2, 6, 5.5));
}

} // namespace

QStringList itemKeys() {
    return {"01", "02", "03", "04", "07", "08", "09", "98", "99"};
}

QImage render(const QString& key, int size, bool antialias) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, antialias);
    p.scale(size / 24.0, size / 24.0);
    if (key == "01")
        exportImage(p);
    else if (key == "02")
        convert(p);
    else if (key == "03")
        photoshopBrush(p);
    else if (key == "04")
        cropMarks(p);
    else if (key == "07")
        qrCode(p, size);
    else if (key == "08")
        selectSimilar(p);
    else if (key == "09")
        fontLetter(p);
    else if (key == "98")
        curvedArrow(p, kBlue);
    else if (key == "99") {
        p.translate(24, 0);
        p.scale(-1, 1);
        curvedArrow(p, kGreen);
    } else
        throw std::invalid_argument("no glyph for item " + key.toStdString());
    p.end();
    return image;
}

} // namespace mosvik::glyphs
