// The drawing as plain data: values that copy deeply, compare exactly and
// hold no pointers, so an undo step is a copy and a file is a walk over them.
//
// Geometry is in millimetres, whatever unit a document shows through the
// automation interfaces (Units.h converts). The page origin is its
// bottom-left corner and y grows upwards; a shape's (x, y) is the bottom-left
// corner of its box.
//
// Z-order: every shape list (a layer's shapes, a group's members) and the
// layer list of a page run back to front, the order of painting. The
// automation collections show them front first, as the host does.
//
// Ids are unique within one Application and never reused, so an id that an
// undo step removed cannot come back as a different object.
//
// Threads: plain values, no synchronisation of their own.
#pragma once

#include "core/host/VGCore.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mosvik::host::model {

using Id = uint64_t;

struct Color {
    int32_t model = com::ColorModelNone;
    // RGB 0..255 each; CMYK 0..100 each; gray 0..255.
    std::vector<double> values;
    std::u16string name;
};

struct Fill {
    int32_t type = com::FillNone;
    Color color; // the uniform colour
};

struct Outline {
    double width = 0; // millimetres; 0 draws no outline
    Color color;
};

struct Shape {
    Id id = 0;
    int32_t type = com::ShapeRectangle;
    std::u16string name;
    // Bottom-left corner and size of the box; a group takes its box from its
    // members and leaves these unused.
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    Fill fill;
    Outline outline;
    std::vector<Shape> children; // group members, back to front
};

struct Layer {
    Id id = 0;
    std::u16string name;
    std::vector<Shape> shapes; // back to front
};

struct Page {
    Id id = 0;
    std::u16string name;
    double width = 210;
    double height = 297;
    std::vector<Layer> layers; // back to front; at least one
    Id activeLayer = 0;
};

// Everything an undo step restores.
struct Drawing {
    std::vector<Page> pages;   // at least one
    Id activePage = 0;         // the page shown; undo keeps it while it exists
    std::vector<Id> selection; // in the order the shapes were selected
};

bool operator==(const Color& a, const Color& b);
bool operator==(const Fill& a, const Fill& b);
bool operator==(const Outline& a, const Outline& b);
bool operator==(const Shape& a, const Shape& b);
bool operator==(const Layer& a, const Layer& b);
bool operator==(const Page& a, const Page& b);
bool operator==(const Drawing& a, const Drawing& b);
inline bool operator!=(const Shape& a, const Shape& b) {
    return !(a == b);
}
inline bool operator!=(const Page& a, const Page& b) {
    return !(a == b);
}
inline bool operator!=(const Drawing& a, const Drawing& b) {
    return !(a == b);
}

Color rgb(int r, int g, int b);
Color cmyk(double c, double m, double y, double k);
Shape shape(int32_t type, double x, double y, double width, double height);
Shape group(std::vector<Shape> members);

struct Box {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};
// Box of a shape; a group's is the union of its members' (nullopt when it
// has none).
std::optional<Box> bounds(const Shape& s);
std::optional<Box> unite(const std::optional<Box>& a, const std::optional<Box>& b);
// Moves a shape, a group with all its members.
void move(Shape& s, double dx, double dy);
// The ids of a shape and of everything inside it.
std::vector<Id> idsWithin(const Shape& s);

// Where a shape lives: its page, its layer and the list that holds it.
struct Location {
    Page* page = nullptr;
    Layer* layer = nullptr;
    std::vector<Shape>* siblings = nullptr;
    size_t index = 0;
    Shape& shape() const { return (*siblings)[index]; }
};
std::optional<Location> locate(Drawing& d, Id shape);
const Shape* findShape(const Drawing& d, Id shape);
Page* findPage(Drawing& d, Id page);
const Page* findPage(const Drawing& d, Id page);
Layer* findLayer(Page& p, Id layer);
const Layer* findLayer(const Page& p, Id layer);

// A page's shapes across its layers, front first (the automation order).
std::vector<Id> pageShapesFrontFirst(const Page& p);
std::vector<Id> frontFirst(const std::vector<Shape>& backToFront);

} // namespace mosvik::host::model
