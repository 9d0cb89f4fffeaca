// The one painter of drawings: the host window's canvas and bitmap export
// both draw pages through it, so what is shown is what is exported.
//
// Coordinates: a page area is a rectangle of page coordinates in
// millimetres with y growing upwards; it is mapped onto a rectangle of
// device pixels (y downwards), so the area's top-left corner lands on the
// target's top-left corner.
//
// Colours on screen: RGB as it is; gray as that level of R, G and B;
// CMYK 0..100 through R = 255 (1 - C/100)(1 - K/100), G = 255 (1 - M/100)
// (1 - K/100), B = 255 (1 - Y/100)(1 - K/100); registration as full black;
// no colour draws nothing.
//
// Threads: pure functions of their arguments; any thread may paint onto its
// own device (fonts need a QGuiApplication).
#pragma once

#include "host/Model.h"

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <QSizeF>
#include <QTransform>

#include <optional>
#include <vector>

class QPainter;

namespace mosvik::host::render {

enum class Background {
    Transparent, // the target is left as it is outside the shapes
    White,       // the target rectangle is painted white first
};

struct RenderOptions {
    // The page area to draw, in millimetres of page coordinates (y up);
    // empty means the page itself (x, y, width, height).
    QRectF area;
    // Where it goes, in device pixels of the painter (before the painter's
    // own transform, which is replaced while painting and restored after);
    // empty means the whole device. A target larger than the device draws
    // only what falls on it, so a large output can be painted in bands by
    // moving the target up band after band.
    QRectF target;
    bool antialiasing = true;
    Background background = Background::Transparent;
    // Only these layers (by id), in the page's order; nullopt draws every
    // visible layer. A listed layer is drawn even when hidden.
    std::optional<std::vector<model::Id>> layers;
    // Only these shapes and what lies inside them (any depth); nullopt
    // draws every shape of the drawn layers.
    std::optional<std::vector<model::Id>> shapes;
};

// Draws the page's area into the target. The painter comes back in the
// state it was given.
void renderPage(QPainter& painter, const model::Page& page, const RenderOptions& options);

// Pixel size of `area` (millimetres) at the resolutions (pixels per inch),
// each side rounded to the nearest pixel and at least 1.
QSize pixelSize(const QRectF& area, double dpiX, double dpiY);
// Renders `options.area` (the page when empty) into a new ARGB32
// premultiplied image of pixelSize() at the resolutions, which carries them
// as its dots per metre. options.target is ignored.
QImage renderImage(const model::Page& page, double dpiX, double dpiY, RenderOptions options = {});

// The colour as the screen shows it (see above); transparent for none.
QColor toQColor(const model::Color& c);

// The outline of one shape's own geometry (not its members or contents) in
// its parent's space, millimetres, y up: what is filled and stroked and
// what a container clips to. Text gives its letters. Empty for groups.
QPainterPath shapePath(const model::Shape& s);
// The same in the shape's local space, before its matrix.
QPainterPath localPath(const model::Shape& s);
QTransform toQTransform(const model::Matrix& m);

// Width and height in millimetres that a text takes: the widest line's
// advance, and the lines' count times the line spacing.
QSizeF textExtent(const model::Text& text);
// Millimetres from the top of a text's box down to its first baseline, and
// from one baseline to the next, as lines are placed when drawn.
double textAscent(const model::Text& text);
double textLineSpacing(const model::Text& text);

// Pixels to and from images. toQImage gives Grayscale8, RGB888 or
// RGBA8888 (a deep copy); fromQImage keeps gray images gray, opaque images
// RGB and the rest RGBA (not premultiplied). A null image gives no pixels.
QImage toQImage(const model::Pixels& p);
model::Pixels fromQImage(const QImage& image);

} // namespace mosvik::host::render
