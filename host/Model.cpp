#include "Model.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

namespace mosvik::host::model {

namespace {
constexpr double pi = 3.14159265358979323846;
}

int valueCount(int32_t colorModel) {
    switch (colorModel) {
    case com::ColorModelNone:
    case com::ColorModelRegistration:
        return 0;
    case com::ColorModelCMYK:
        return 4;
    case com::ColorModelGray:
        return 1;
    case com::ColorModelRGB:
        return 3;
    default:
        return -1;
    }
}

double valueLimit(int32_t colorModel) {
    return colorModel == com::ColorModelCMYK ? 100.0 : 255.0;
}

bool operator==(const Color& a, const Color& b) {
    return std::tie(a.model, a.values, a.name) == std::tie(b.model, b.values, b.name);
}

bool operator==(const ColorStop& a, const ColorStop& b) {
    return a.position == b.position && a.color == b.color;
}

bool operator==(const Fountain& a, const Fountain& b) {
    return std::tie(a.kind, a.startX, a.startY, a.endX, a.endY, a.stops) ==
           std::tie(b.kind, b.startX, b.startY, b.endX, b.endY, b.stops);
}

bool operator==(const Fill& a, const Fill& b) {
    return a.type == b.type && a.color == b.color && a.fountain == b.fountain;
}

bool operator==(const Outline& a, const Outline& b) {
    return std::tie(a.width, a.color, a.dashes, a.cap, a.join) ==
           std::tie(b.width, b.color, b.dashes, b.cap, b.join);
}

bool operator==(const Matrix& a, const Matrix& b) {
    return std::tie(a.m11, a.m12, a.m21, a.m22, a.dx, a.dy) ==
           std::tie(b.m11, b.m12, b.m21, b.m22, b.dx, b.dy);
}

bool operator==(const Corners& a, const Corners& b) {
    return std::tie(a.lowerLeft, a.lowerRight, a.upperRight, a.upperLeft) ==
           std::tie(b.lowerLeft, b.lowerRight, b.upperRight, b.upperLeft);
}

bool operator==(const EllipseArcs& a, const EllipseArcs& b) {
    return std::tie(a.kind, a.startAngle, a.endAngle) == std::tie(b.kind, b.startAngle, b.endAngle);
}

bool operator==(const Node& a, const Node& b) {
    return std::tie(a.type, a.x, a.y, a.c1x, a.c1y, a.c2x, a.c2y) ==
           std::tie(b.type, b.x, b.y, b.c1x, b.c1y, b.c2x, b.c2y);
}

bool operator==(const Subpath& a, const Subpath& b) {
    return a.nodes == b.nodes && a.closed == b.closed;
}

bool operator==(const Text& a, const Text& b) {
    return std::tie(a.text, a.font, a.size, a.bold, a.italic, a.underline) ==
           std::tie(b.text, b.font, b.size, b.bold, b.italic, b.underline);
}

bool operator==(const Pixels& a, const Pixels& b) {
    return std::tie(a.width, a.height, a.format, a.bytes) ==
           std::tie(b.width, b.height, b.format, b.bytes);
}

bool operator==(const Bitmap& a, const Bitmap& b) {
    return std::tie(a.pixels, a.resolutionX, a.resolutionY, a.imageMode) ==
           std::tie(b.pixels, b.resolutionX, b.resolutionY, b.imageMode);
}

bool operator==(const Shape& a, const Shape& b) {
    return std::tie(a.id, a.type, a.name, a.x, a.y, a.width, a.height, a.matrix, a.fill, a.outline,
                    a.corners, a.arcs, a.paths, a.text, a.bitmap, a.children, a.powerClip) ==
           std::tie(b.id, b.type, b.name, b.x, b.y, b.width, b.height, b.matrix, b.fill, b.outline,
                    b.corners, b.arcs, b.paths, b.text, b.bitmap, b.children, b.powerClip);
}

bool operator==(const Layer& a, const Layer& b) {
    return std::tie(a.id, a.name, a.shapes, a.visible) ==
           std::tie(b.id, b.name, b.shapes, b.visible);
}

bool operator==(const Page& a, const Page& b) {
    return std::tie(a.id, a.name, a.width, a.height, a.layers, a.activeLayer, a.x, a.y) ==
           std::tie(b.id, b.name, b.width, b.height, b.layers, b.activeLayer, b.x, b.y);
}

bool operator==(const Drawing& a, const Drawing& b) {
    return a.pages == b.pages && a.activePage == b.activePage && a.selection == b.selection;
}

bool Matrix::isIdentity() const {
    return *this == Matrix{};
}

Matrix Matrix::then(const Matrix& o) const {
    Matrix r;
    r.m11 = m11 * o.m11 + m12 * o.m21;
    r.m12 = m11 * o.m12 + m12 * o.m22;
    r.m21 = m21 * o.m11 + m22 * o.m21;
    r.m22 = m21 * o.m12 + m22 * o.m22;
    r.dx = dx * o.m11 + dy * o.m21 + o.dx;
    r.dy = dx * o.m12 + dy * o.m22 + o.dy;
    return r;
}

void Matrix::map(double x, double y, double& outX, double& outY) const {
    outX = m11 * x + m21 * y + dx;
    outY = m12 * x + m22 * y + dy;
}

Matrix translation(double dx, double dy) {
    return Matrix{1, 0, 0, 1, dx, dy};
}

Matrix scaling(double sx, double sy) {
    return Matrix{sx, 0, 0, sy, 0, 0};
}

Matrix rotation(double degrees) {
    const double r = degrees * pi / 180.0;
    const double c = std::cos(r);
    const double s = std::sin(r);
    return Matrix{c, s, -s, c, 0, 0};
}

Color rgb(int r, int g, int b) {
    return Color{com::ColorModelRGB,
                 {static_cast<double>(r), static_cast<double>(g), static_cast<double>(b)},
                 {}};
}

Color cmyk(double c, double m, double y, double k) {
    return Color{com::ColorModelCMYK, {c, m, y, k}, {}};
}

Color gray(double level) {
    return Color{com::ColorModelGray, {level}, {}};
}

Color registration() {
    return Color{com::ColorModelRegistration, {}, u"Registration"};
}

Fill uniform(Color c) {
    Fill f;
    f.type = com::FillUniform;
    f.color = std::move(c);
    return f;
}

Outline outline(double width, Color c) {
    Outline o;
    o.width = width;
    o.color = std::move(c);
    return o;
}

Shape shape(int32_t type, double x, double y, double width, double height) {
    Shape s;
    s.type = type;
    if (type == com::ShapeCurve) {
        s.paths.push_back(
            polyline({{x, y}, {x + width, y}, {x + width, y + height}, {x, y + height}}, true));
        return s;
    }
    s.x = x;
    s.y = y;
    s.width = width;
    s.height = height;
    return s;
}

Shape group(std::vector<Shape> members) {
    Shape g;
    g.type = com::ShapeGroup;
    g.children = std::move(members);
    return g;
}

Shape curve(std::vector<Subpath> paths) {
    Shape s;
    s.type = com::ShapeCurve;
    s.paths = std::move(paths);
    return s;
}

Subpath polyline(const std::vector<std::pair<double, double>>& points, bool closed) {
    Subpath p;
    p.closed = closed;
    for (size_t i = 0; i < points.size(); ++i)
        p.nodes.push_back(i == 0 ? moveTo(points[i].first, points[i].second)
                                 : lineTo(points[i].first, points[i].second));
    return p;
}

Node moveTo(double x, double y) {
    return Node{NodeMove, x, y, 0, 0, 0, 0};
}

Node lineTo(double x, double y) {
    return Node{NodeLine, x, y, 0, 0, 0, 0};
}

Node cubicTo(double c1x, double c1y, double c2x, double c2y, double x, double y) {
    return Node{NodeCubic, x, y, c1x, c1y, c2x, c2y};
}

int bytesPerPixel(int32_t pixelFormat) {
    switch (pixelFormat) {
    case PixelGray8:
    case PixelRgb8:
    case PixelRgba8:
        return pixelFormat;
    default:
        return 0;
    }
}

Pixels pixels(int32_t width, int32_t height, int32_t format) {
    Pixels p;
    p.width = width;
    p.height = height;
    p.format = format;
    p.bytes.assign(static_cast<size_t>(width) * static_cast<size_t>(height) *
                       static_cast<size_t>(bytesPerPixel(format)),
                   0);
    return p;
}

std::optional<Box> unite(const std::optional<Box>& a, const std::optional<Box>& b) {
    if (!a)
        return b;
    if (!b)
        return a;
    const double left = std::min(a->x, b->x);
    const double bottom = std::min(a->y, b->y);
    const double right = std::max(a->x + a->width, b->x + b->width);
    const double top = std::max(a->y + a->height, b->y + b->height);
    return Box{left, bottom, right - left, top - bottom};
}

namespace {

bool usesBox(int32_t type) {
    return type != com::ShapeGroup && type != com::ShapeCurve;
}

Box normalised(double x, double y, double w, double h) {
    if (w < 0) {
        x += w;
        w = -w;
    }
    if (h < 0) {
        y += h;
        h = -h;
    }
    return Box{x, y, w, h};
}

// The extent of geometry mapped through one matrix.
class Extent {
public:
    explicit Extent(const Matrix& m) : m_(m) {}

    void point(double x, double y) {
        double px, py;
        m_.map(x, y, px, py);
        add(px, py);
    }

    // The arc of the ellipse around (cx, cy) with radii rx, ry from angle
    // t0 over `sweep` (radians, counter-clockwise).
    void arc(double cx, double cy, double rx, double ry, double t0, double sweep) {
        double mx, my;
        m_.map(cx, cy, mx, my);
        const double ux = m_.m11 * rx, uy = m_.m12 * rx;
        const double vx = m_.m21 * ry, vy = m_.m22 * ry;
        auto at = [&](double t) {
            add(mx + ux * std::cos(t) + vx * std::sin(t), my + uy * std::cos(t) + vy * std::sin(t));
        };
        at(t0);
        at(t0 + sweep);
        for (double base : {std::atan2(vx, ux), std::atan2(vy, uy)})
            for (double t : {base, base + pi}) {
                double offset = std::fmod(t - t0, 2 * pi);
                if (offset < 0)
                    offset += 2 * pi;
                if (offset <= sweep)
                    at(t0 + offset);
            }
    }

    void cubic(double x0, double y0, double x1, double y1, double x2, double y2, double x3,
               double y3) {
        double p[4][2];
        m_.map(x0, y0, p[0][0], p[0][1]);
        m_.map(x1, y1, p[1][0], p[1][1]);
        m_.map(x2, y2, p[2][0], p[2][1]);
        m_.map(x3, y3, p[3][0], p[3][1]);
        add(p[0][0], p[0][1]);
        add(p[3][0], p[3][1]);
        auto eval = [&](double t, int axis) {
            const double u = 1 - t;
            return u * u * u * p[0][axis] + 3 * u * u * t * p[1][axis] +
                   3 * u * t * t * p[2][axis] + t * t * t * p[3][axis];
        };
        for (int axis = 0; axis < 2; ++axis) {
            // Zeros of the derivative, a t^2 + b t + c.
            const double a = -p[0][axis] + 3 * p[1][axis] - 3 * p[2][axis] + p[3][axis];
            const double b = 2 * (p[0][axis] - 2 * p[1][axis] + p[2][axis]);
            const double c = p[1][axis] - p[0][axis];
            std::vector<double> roots;
            if (std::abs(a) < 1e-12) {
                if (std::abs(b) > 1e-12)
                    roots.push_back(-c / b);
            } else {
                const double disc = b * b - 4 * a * c;
                if (disc >= 0) {
                    const double sq = std::sqrt(disc);
                    roots.push_back((-b + sq) / (2 * a));
                    roots.push_back((-b - sq) / (2 * a));
                }
            }
            for (double t : roots)
                if (t > 0 && t < 1)
                    add(eval(t, 0), eval(t, 1));
        }
    }

    std::optional<Box> box() const {
        if (!any_)
            return std::nullopt;
        return Box{left_, bottom_, right_ - left_, top_ - bottom_};
    }

private:
    void add(double x, double y) {
        if (!any_) {
            left_ = right_ = x;
            bottom_ = top_ = y;
            any_ = true;
            return;
        }
        left_ = std::min(left_, x);
        right_ = std::max(right_, x);
        bottom_ = std::min(bottom_, y);
        top_ = std::max(top_, y);
    }

    Matrix m_;
    bool any_ = false;
    double left_ = 0, right_ = 0, bottom_ = 0, top_ = 0;
};

double sweepOf(const EllipseArcs& a) {
    if (a.kind == EllipseFull)
        return 360;
    double sweep = std::fmod(a.endAngle - a.startAngle, 360.0);
    if (sweep <= 0)
        sweep += 360;
    return sweep;
}

void extendOwn(Extent& e, const Shape& s) {
    if (s.type == com::ShapeCurve) {
        for (const Subpath& p : s.paths) {
            double lastX = 0, lastY = 0;
            for (const Node& n : p.nodes) {
                if (n.type == NodeCubic)
                    e.cubic(lastX, lastY, n.c1x, n.c1y, n.c2x, n.c2y, n.x, n.y);
                else
                    e.point(n.x, n.y);
                lastX = n.x;
                lastY = n.y;
            }
        }
        return;
    }
    const Box b = normalised(s.x, s.y, s.width, s.height);
    if (s.type == com::ShapeEllipse) {
        const double cx = b.x + b.width / 2, cy = b.y + b.height / 2;
        const double start = s.arcs.kind == EllipseFull ? 0 : s.arcs.startAngle * pi / 180;
        e.arc(cx, cy, b.width / 2, b.height / 2, start, sweepOf(s.arcs) * pi / 180);
        if (s.arcs.kind == EllipsePie)
            e.point(cx, cy);
        return;
    }
    const double half = std::min(b.width, b.height) / 2;
    auto radius = [&](double r) {
        return std::clamp(r, 0.0, half);
    };
    const bool rounded = s.type == com::ShapeRectangle;
    const double r[4] = {
        rounded ? radius(s.corners.lowerLeft) : 0, rounded ? radius(s.corners.lowerRight) : 0,
        rounded ? radius(s.corners.upperRight) : 0, rounded ? radius(s.corners.upperLeft) : 0};
    const double cx[4] = {b.x + r[0], b.x + b.width - r[1], b.x + b.width - r[2], b.x + r[3]};
    const double cy[4] = {b.y + r[0], b.y + r[1], b.y + b.height - r[2], b.y + b.height - r[3]};
    const double from[4] = {pi, 1.5 * pi, 0, 0.5 * pi};
    for (int i = 0; i < 4; ++i) {
        if (r[i] > 0)
            e.arc(cx[i], cy[i], r[i], r[i], from[i], pi / 2);
        else
            e.point(cx[i], cy[i]);
    }
}

// The box in the space that `toTarget` maps the shape's local space into.
std::optional<Box> boundsUnder(const Shape& s, const Matrix& toTarget) {
    if (s.type == com::ShapeGroup) {
        std::optional<Box> box;
        for (const Shape& c : s.children)
            box = unite(box, boundsUnder(c, c.matrix.then(toTarget)));
        return box;
    }
    const bool fullBox = s.type != com::ShapeEllipse || s.arcs.kind == EllipseFull;
    if (usesBox(s.type) && fullBox && toTarget.isIdentity())
        return normalised(s.x, s.y, s.width, s.height);
    Extent e(toTarget);
    extendOwn(e, s);
    return e.box();
}

} // namespace

std::optional<Box> bounds(const Shape& s) {
    return boundsUnder(s, s.matrix);
}

std::optional<Box> localBox(const Shape& s) {
    if (s.type == com::ShapeGroup)
        return std::nullopt;
    if (usesBox(s.type))
        return normalised(s.x, s.y, s.width, s.height);
    Extent e{Matrix{}};
    extendOwn(e, s);
    return e.box();
}

void move(Shape& s, double dx, double dy) {
    if (!s.matrix.isIdentity()) {
        s.matrix.dx += dx;
        s.matrix.dy += dy;
        return;
    }
    if (usesBox(s.type)) {
        s.x += dx;
        s.y += dy;
    }
    for (Subpath& p : s.paths)
        for (Node& n : p.nodes) {
            n.x += dx;
            n.y += dy;
            if (n.type != NodeCubic)
                continue;
            n.c1x += dx;
            n.c1y += dy;
            n.c2x += dx;
            n.c2y += dy;
        }
    for (Shape& c : s.children)
        move(c, dx, dy);
    for (Shape& c : s.powerClip)
        move(c, dx, dy);
}

std::vector<Id> idsWithin(const Shape& s) {
    std::vector<Id> ids{s.id};
    for (const auto* list : {&s.children, &s.powerClip})
        for (const Shape& c : *list) {
            auto inner = idsWithin(c);
            ids.insert(ids.end(), inner.begin(), inner.end());
        }
    return ids;
}

namespace {

std::optional<Location> locateIn(Page& page, Layer& layer, std::vector<Shape>& list, Id id) {
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].id == id)
            return Location{&page, &layer, &list, i};
        for (auto* inner : {&list[i].children, &list[i].powerClip})
            if (auto found = locateIn(page, layer, *inner, id))
                return found;
    }
    return std::nullopt;
}

} // namespace

std::optional<Location> locate(Drawing& d, Id shape) {
    for (Page& p : d.pages)
        for (Layer& l : p.layers)
            if (auto loc = locateIn(p, l, l.shapes, shape))
                return loc;
    return std::nullopt;
}

const Shape* findShape(const Drawing& d, Id shape) {
    auto loc = locate(const_cast<Drawing&>(d), shape);
    return loc ? &loc->shape() : nullptr;
}

Page* findPage(Drawing& d, Id page) {
    for (Page& p : d.pages)
        if (p.id == page)
            return &p;
    return nullptr;
}

const Page* findPage(const Drawing& d, Id page) {
    return findPage(const_cast<Drawing&>(d), page);
}

Layer* findLayer(Page& p, Id layer) {
    for (Layer& l : p.layers)
        if (l.id == layer)
            return &l;
    return nullptr;
}

const Layer* findLayer(const Page& p, Id layer) {
    return findLayer(const_cast<Page&>(p), layer);
}

std::vector<Id> frontFirst(const std::vector<Shape>& backToFront) {
    std::vector<Id> ids;
    ids.reserve(backToFront.size());
    for (auto it = backToFront.rbegin(); it != backToFront.rend(); ++it)
        ids.push_back(it->id);
    return ids;
}

std::vector<Id> pageShapesFrontFirst(const Page& p) {
    std::vector<Id> ids;
    for (auto layer = p.layers.rbegin(); layer != p.layers.rend(); ++layer) {
        auto some = frontFirst(layer->shapes);
        ids.insert(ids.end(), some.begin(), some.end());
    }
    return ids;
}

} // namespace mosvik::host::model
