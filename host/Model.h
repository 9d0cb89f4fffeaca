// The drawing as plain data: values that copy deeply, compare exactly and
// hold no pointers, so an undo step is a copy and a file is a walk over them.
//
// Geometry is in millimetres, whatever unit a document shows through the
// automation interfaces (Units.h converts). The page origin is its
// bottom-left corner and y grows upwards; a shape's (x, y) is the bottom-left
// corner of its box.
//
// Every shape has a matrix mapping its local space to its parent's space
// (the page, the group it is a member of, the container it is clipped to).
// Its own geometry, its group members and its PowerClip contents all live
// in its local space. With the identity matrix local and parent space are
// the same, so (x, y, width, height) is the shape's box on its parent.
//
// Z-order: every shape list (a layer's shapes, a group's members, PowerClip
// contents) and the layer list of a page run back to front, the order of
// painting. The automation collections show them front first, as the host
// does.
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

// Colour models: the codes of com::ColorModel.
//   None 0          no colour, nothing drawn; values empty
//   CMYK 2          C, M, Y, K, 0..100 each
//   Gray 4          one level, 0 black .. 255 white
//   RGB 5           R, G, B, 0..255 each
//   Registration 20 every separation at full strength; values empty
struct Color {
    int32_t model = com::ColorModelNone;
    std::vector<double> values;
    std::u16string name; // a palette name, shown by IVGColor.get_Name
};

// Values a colour of `model` has; -1 for a code the model does not know.
int valueCount(int32_t colorModel);
// Highest value of one component (100 for CMYK, else 255).
double valueLimit(int32_t colorModel);

struct ColorStop {
    double position = 0; // 0..1 from the start point to the end point
    Color color;
};

enum FountainKind : int32_t {
    FountainLinear = 1,
    FountainRadial = 2,
};

// A gradient laid over the shape's local box (the box of its own geometry
// in local space): points are fractions of it, (0, 0) its bottom-left and
// (1, 1) its top-right corner, so the gradient follows when the shape moves
// or is resized. Linear runs from start to end; radial is a circle centred
// on start whose radius reaches end (measured in millimetres of local
// space). Outside its ends the colour of the nearest stop continues.
struct Fountain {
    int32_t kind = FountainLinear;
    double startX = 0;
    double startY = 0.5;
    double endX = 1;
    double endY = 0.5;
    std::vector<ColorStop> stops; // by position
};

struct Fill {
    int32_t type = com::FillNone; // com::FillType
    Color color;                  // the uniform colour
    Fountain fountain;            // with type FillFountain
};

enum LineCap : int32_t {
    CapButt = 0,
    CapRound = 1,
    CapSquare = 2,
};
enum LineJoin : int32_t {
    JoinMiter = 0,
    JoinRound = 1,
    JoinBevel = 2,
};

// The outline's width stays what it says whatever the shape's matrix does.
struct Outline {
    double width = 0; // millimetres; 0 draws no outline
    Color color;
    // Dash and gap lengths in outline widths, alternating, starting with a
    // dash; empty draws a solid line.
    std::vector<double> dashes;
    int32_t cap = CapButt;
    int32_t join = JoinMiter;
};

// Maps a local point (x, y) to (m11 x + m21 y + dx, m12 x + m22 y + dy),
// the layout of QTransform.
struct Matrix {
    double m11 = 1;
    double m12 = 0;
    double m21 = 0;
    double m22 = 1;
    double dx = 0;
    double dy = 0;

    bool isIdentity() const;
    // First this, then `outer`.
    Matrix then(const Matrix& outer) const;
    void map(double x, double y, double& outX, double& outY) const;
};
Matrix translation(double dx, double dy);
Matrix scaling(double sx, double sy);
Matrix rotation(double degrees); // counter-clockwise about the origin

// Corner radii of a rectangle in millimetres of local space. A radius
// larger than half the shorter side counts as half of it.
struct Corners {
    double lowerLeft = 0;
    double lowerRight = 0;
    double upperRight = 0;
    double upperLeft = 0;
};

enum EllipseKind : int32_t {
    EllipseFull = 0,
    EllipseArc = 1, // the open arc from start to end
    EllipsePie = 2, // the arc closed through the centre
};
// Angles in degrees, counter-clockwise from the positive x axis, on the
// ellipse's parameter circle (the point at angle t is centre +
// (width/2 cos t, height/2 sin t)); the arc runs counter-clockwise from
// start to end. Unused by full ellipses.
struct EllipseArcs {
    int32_t kind = EllipseFull;
    double startAngle = 0;
    double endAngle = 360;
};

enum NodeType : int32_t {
    NodeMove = 0,  // the first node of every subpath, and only that one
    NodeLine = 1,  // a straight line from the previous node
    NodeCubic = 2, // a cubic Bezier from the previous node via c1 and c2
};
struct Node {
    int32_t type = NodeLine;
    double x = 0;
    double y = 0;
    double c1x = 0; // control points, with NodeCubic only
    double c1y = 0;
    double c2x = 0;
    double c2y = 0;
};
struct Subpath {
    std::vector<Node> nodes;
    bool closed = false; // a straight line back to the first node closes it
};

// Artistic text: one or more lines (split at '\n'), left-aligned, the first
// line's top at the top of the box. The box is the text's extent
// (render::textExtent measures it). The fill paints the letters, the
// outline strokes them.
struct Text {
    std::u16string text;
    std::u16string font = u"Arial";
    double size = 12; // points (1/72 inch)
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

// Pixel layouts, rows top first, tightly packed (no padding).
enum PixelFormat : int32_t {
    PixelGray8 = 1, // one byte, 0 black .. 255 white
    PixelRgb8 = 3,  // R, G, B
    PixelRgba8 = 4, // R, G, B, A, not premultiplied
};
struct Pixels {
    int32_t width = 0;
    int32_t height = 0;
    int32_t format = PixelRgba8;
    std::vector<uint8_t> bytes; // width * height * format
};

// Image modes: the host's image type codes, also those of bitmap export.
enum ImageMode : int32_t {
    ImageBlackAndWhite = 0,
    ImageGrayscale = 1,
    ImagePaletted = 2,
    Image16Colors = 3,
    ImageRGB = 4,
    ImageCMYK = 5,
    ImageDuotone = 6,
    ImageLab = 7,
    ImageCMYKMultiChannel = 8,
    ImageRGBMultiChannel = 9,
    ImageSpotMultiChannel = 10,
};
// A bitmap is drawn stretched over its box; the resolutions are what the
// host reports (pixels per inch), not what places it.
struct Bitmap {
    Pixels pixels;
    double resolutionX = 300;
    double resolutionY = 300;
    int32_t imageMode = ImageRGB;
};

struct Shape {
    Id id = 0;
    int32_t type = com::ShapeRectangle; // com::ShapeType
    std::u16string name;
    // Bottom-left corner and size of the box in local space: rectangles,
    // ellipses, text and bitmaps. Curves and groups leave them unused.
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    Matrix matrix;
    Fill fill;
    Outline outline;
    // What the type uses; the others stay at their defaults.
    Corners corners;             // rectangles
    EllipseArcs arcs;            // ellipses
    std::vector<Subpath> paths;  // curves
    Text text;                   // text
    Bitmap bitmap;               // bitmaps
    std::vector<Shape> children; // group members, back to front
    // Shapes drawn clipped to this shape's outline, back to front. Any
    // shape but a group may carry them; it keeps its own type.
    std::vector<Shape> powerClip;
};

struct Layer {
    Id id = 0;
    std::u16string name;
    std::vector<Shape> shapes; // back to front
    bool visible = true;
};

// A page shows the area (x, y, width, height) of its coordinates; shapes
// are placed in those coordinates. New pages have x = y = 0.
struct Page {
    Id id = 0;
    std::u16string name;
    double width = 210;
    double height = 297;
    std::vector<Layer> layers; // back to front; at least one
    Id activeLayer = 0;
    double x = 0;
    double y = 0;
};

// Everything an undo step restores.
struct Drawing {
    std::vector<Page> pages;   // at least one
    Id activePage = 0;         // the page shown; undo keeps it while it exists
    std::vector<Id> selection; // in the order the shapes were selected
};

bool operator==(const Color& a, const Color& b);
bool operator==(const ColorStop& a, const ColorStop& b);
bool operator==(const Fountain& a, const Fountain& b);
bool operator==(const Fill& a, const Fill& b);
bool operator==(const Outline& a, const Outline& b);
bool operator==(const Matrix& a, const Matrix& b);
bool operator==(const Corners& a, const Corners& b);
bool operator==(const EllipseArcs& a, const EllipseArcs& b);
bool operator==(const Node& a, const Node& b);
bool operator==(const Subpath& a, const Subpath& b);
bool operator==(const Text& a, const Text& b);
bool operator==(const Pixels& a, const Pixels& b);
bool operator==(const Bitmap& a, const Bitmap& b);
bool operator==(const Shape& a, const Shape& b);
bool operator==(const Layer& a, const Layer& b);
bool operator==(const Page& a, const Page& b);
bool operator==(const Drawing& a, const Drawing& b);
inline bool operator!=(const Color& a, const Color& b) {
    return !(a == b);
}
inline bool operator!=(const ColorStop& a, const ColorStop& b) {
    return !(a == b);
}
inline bool operator!=(const Fountain& a, const Fountain& b) {
    return !(a == b);
}
inline bool operator!=(const Fill& a, const Fill& b) {
    return !(a == b);
}
inline bool operator!=(const Outline& a, const Outline& b) {
    return !(a == b);
}
inline bool operator!=(const Matrix& a, const Matrix& b) {
    return !(a == b);
}
inline bool operator!=(const Corners& a, const Corners& b) {
    return !(a == b);
}
inline bool operator!=(const EllipseArcs& a, const EllipseArcs& b) {
    return !(a == b);
}
inline bool operator!=(const Node& a, const Node& b) {
    return !(a == b);
}
inline bool operator!=(const Subpath& a, const Subpath& b) {
    return !(a == b);
}
inline bool operator!=(const Text& a, const Text& b) {
    return !(a == b);
}
inline bool operator!=(const Pixels& a, const Pixels& b) {
    return !(a == b);
}
inline bool operator!=(const Bitmap& a, const Bitmap& b) {
    return !(a == b);
}
inline bool operator!=(const Shape& a, const Shape& b) {
    return !(a == b);
}
inline bool operator!=(const Layer& a, const Layer& b) {
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
Color gray(double level);
Color registration();
Fill uniform(Color c);
Outline outline(double width, Color c);
// A shape of `type` over the box; a curve gets a closed rectangle path
// around it.
Shape shape(int32_t type, double x, double y, double width, double height);
Shape group(std::vector<Shape> members);
Shape curve(std::vector<Subpath> paths);
Subpath polyline(const std::vector<std::pair<double, double>>& points, bool closed);
Node moveTo(double x, double y);
Node lineTo(double x, double y);
Node cubicTo(double c1x, double c1y, double c2x, double c2y, double x, double y);
Pixels pixels(int32_t width, int32_t height, int32_t format); // all bytes zero
int bytesPerPixel(int32_t pixelFormat);                       // 0 for an unknown code

struct Box {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};
// Box of a shape in its parent's space: of its geometry as transformed by
// its matrix (exact for lines, Bezier curves and elliptic arcs, outline
// widths left out); a group's is the union of its members' (nullopt when
// it has none); PowerClip contents never count, they are clipped to it. A
// curve without nodes has none.
std::optional<Box> bounds(const Shape& s);
// The box of a shape's own geometry in its local space (what a fountain
// fill spans); nullopt for groups and empty curves.
std::optional<Box> localBox(const Shape& s);
std::optional<Box> unite(const std::optional<Box>& a, const std::optional<Box>& b);
// Moves a shape by (dx, dy) of its parent's space, with its members and
// PowerClip contents: an untransformed shape shifts its geometry (so its
// box keeps its meaning), a transformed one its matrix's translation.
void move(Shape& s, double dx, double dy);
// The ids of a shape and of everything inside it (members and PowerClip
// contents, at any depth).
std::vector<Id> idsWithin(const Shape& s);

// Where a shape lives: its page, its layer and the list that holds it (a
// layer's shapes, a group's members or a container's PowerClip contents).
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
