#include "Model.h"

#include <algorithm>

namespace mosvik::host::model {

bool operator==(const Color& a, const Color& b) {
    return a.model == b.model && a.values == b.values && a.name == b.name;
}

bool operator==(const Fill& a, const Fill& b) {
    return a.type == b.type && a.color == b.color;
}

bool operator==(const Outline& a, const Outline& b) {
    return a.width == b.width && a.color == b.color;
}

bool operator==(const Shape& a, const Shape& b) {
    return a.id == b.id && a.type == b.type && a.name == b.name && a.x == b.x && a.y == b.y &&
           a.width == b.width && a.height == b.height && a.fill == b.fill &&
           a.outline == b.outline && a.children == b.children;
}

bool operator==(const Layer& a, const Layer& b) {
    return a.id == b.id && a.name == b.name && a.shapes == b.shapes;
}

bool operator==(const Page& a, const Page& b) {
    return a.id == b.id && a.name == b.name && a.width == b.width && a.height == b.height &&
           a.layers == b.layers && a.activeLayer == b.activeLayer;
}

bool operator==(const Drawing& a, const Drawing& b) {
    return a.pages == b.pages && a.activePage == b.activePage && a.selection == b.selection;
}

Color rgb(int r, int g, int b) {
    return Color{com::ColorModelRGB,
                 {static_cast<double>(r), static_cast<double>(g), static_cast<double>(b)},
                 {}};
}

Color cmyk(double c, double m, double y, double k) {
    return Color{com::ColorModelCMYK, {c, m, y, k}, {}};
}

Shape shape(int32_t type, double x, double y, double width, double height) {
    Shape s;
    s.type = type;
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

std::optional<Box> bounds(const Shape& s) {
    if (s.type != com::ShapeGroup)
        return Box{s.x, s.y, s.width, s.height};
    std::optional<Box> box;
    for (const Shape& c : s.children)
        box = unite(box, bounds(c));
    return box;
}

void move(Shape& s, double dx, double dy) {
    if (s.type != com::ShapeGroup) {
        s.x += dx;
        s.y += dy;
    }
    for (Shape& c : s.children)
        move(c, dx, dy);
}

std::vector<Id> idsWithin(const Shape& s) {
    std::vector<Id> ids{s.id};
    for (const Shape& c : s.children) {
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
        if (auto inner = locateIn(page, layer, list[i].children, id))
            return inner;
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
