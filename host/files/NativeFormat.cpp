#include "NativeFormat.h"

#include "host/render/Renderer.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QSaveFile>

#include <nlohmann/json.hpp>

#include <cmath>
#include <limits>

namespace mosvik::host::files {

using Json = nlohmann::ordered_json;
using namespace model;

namespace {

constexpr const char* formatName = "mosvik1-drawing";

std::string utf8(const std::u16string& s) {
    return QString::fromStdU16String(s).toStdString();
}

std::string join(const std::string& at, const std::string& key) {
    return at.empty() ? key : at + "/" + key;
}

std::string join(const std::string& at, size_t index) {
    return join(at, std::to_string(index));
}

// ---------------------------------------------------------------- writing

class Writer {
public:
    Json drawing(const Drawing& d) {
        Json j;
        j["format"] = formatName;
        j["version"] = nativeFormatVersion;
        j["activePage"] = d.activePage;
        j["selection"] = d.selection;
        Json pages = Json::array();
        for (size_t i = 0; i < d.pages.size(); ++i)
            pages.push_back(page(d.pages[i], join("pages", i)));
        j["pages"] = std::move(pages);
        return j;
    }

private:
    [[noreturn]] static void fail(const std::string& at, const std::string& what) {
        throw NativeFormatError("cannot save the drawing: " + at + ": " + what);
    }

    static double num(double v, const std::string& at) {
        if (!std::isfinite(v))
            fail(at, "the number is not finite");
        return v;
    }

    static Json nums(const std::vector<double>& vs, const std::string& at) {
        Json j = Json::array();
        for (size_t i = 0; i < vs.size(); ++i)
            j.push_back(num(vs[i], join(at, i)));
        return j;
    }

    Json page(const Page& p, const std::string& at) {
        Json j;
        j["id"] = p.id;
        j["name"] = utf8(p.name);
        j["x"] = num(p.x, join(at, "x"));
        j["y"] = num(p.y, join(at, "y"));
        j["width"] = num(p.width, join(at, "width"));
        j["height"] = num(p.height, join(at, "height"));
        j["activeLayer"] = p.activeLayer;
        Json layers = Json::array();
        for (size_t i = 0; i < p.layers.size(); ++i) {
            const Layer& l = p.layers[i];
            const std::string la = join(join(at, "layers"), i);
            Json lj;
            lj["id"] = l.id;
            lj["name"] = utf8(l.name);
            lj["visible"] = l.visible;
            lj["shapes"] = shapes(l.shapes, join(la, "shapes"));
            layers.push_back(std::move(lj));
        }
        j["layers"] = std::move(layers);
        return j;
    }

    Json shapes(const std::vector<Shape>& list, const std::string& at) {
        Json j = Json::array();
        for (size_t i = 0; i < list.size(); ++i)
            j.push_back(shape(list[i], join(at, i)));
        return j;
    }

    Json color(const Color& c, const std::string& at) {
        Json j;
        j["model"] = c.model;
        j["values"] = nums(c.values, join(at, "values"));
        if (!c.name.empty())
            j["name"] = utf8(c.name);
        return j;
    }

    Json fill(const Fill& f, const std::string& at) {
        Json j;
        j["type"] = f.type;
        if (f.type == com::FillUniform || f.color != Color{})
            j["color"] = color(f.color, join(at, "color"));
        if (f.type == com::FillFountain || f.fountain != Fountain{}) {
            const Fountain& fo = f.fountain;
            const std::string fa = join(at, "fountain");
            Json fj;
            fj["kind"] = fo.kind;
            fj["start"] = nums({fo.startX, fo.startY}, join(fa, "start"));
            fj["end"] = nums({fo.endX, fo.endY}, join(fa, "end"));
            Json stops = Json::array();
            for (size_t i = 0; i < fo.stops.size(); ++i) {
                const std::string sa = join(join(fa, "stops"), i);
                stops.push_back(Json{{"position", num(fo.stops[i].position, join(sa, "position"))},
                                     {"color", color(fo.stops[i].color, join(sa, "color"))}});
            }
            fj["stops"] = std::move(stops);
            j["fountain"] = std::move(fj);
        }
        return j;
    }

    Json outline(const Outline& o, const std::string& at) {
        Json j;
        j["width"] = num(o.width, join(at, "width"));
        j["color"] = color(o.color, join(at, "color"));
        j["dashes"] = nums(o.dashes, join(at, "dashes"));
        j["cap"] = o.cap;
        j["join"] = o.join;
        return j;
    }

    Json pixels(const Pixels& p, const std::string& at) {
        const int bpp = bytesPerPixel(p.format);
        if (bpp == 0)
            fail(join(at, "format"), "unknown pixel format " + std::to_string(p.format));
        if (p.width < 0 || p.height < 0 ||
            p.bytes.size() != static_cast<size_t>(p.width) * static_cast<size_t>(p.height) *
                                  static_cast<size_t>(bpp))
            fail(at, "the pixel bytes do not match the width, height and format");
        Json j;
        j["width"] = p.width;
        j["height"] = p.height;
        j["format"] = p.format;
        QByteArray png;
        if (p.width > 0 && p.height > 0) {
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            if (!render::toQImage(p).save(&buffer, "PNG"))
                fail(at, "the pixels cannot be encoded as PNG");
        }
        j["png"] = png.toBase64().toStdString();
        return j;
    }

    Json shape(const Shape& s, const std::string& at) {
        Json j;
        j["id"] = s.id;
        j["type"] = s.type;
        j["name"] = utf8(s.name);
        j["x"] = num(s.x, join(at, "x"));
        j["y"] = num(s.y, join(at, "y"));
        j["width"] = num(s.width, join(at, "width"));
        j["height"] = num(s.height, join(at, "height"));
        const Matrix& m = s.matrix;
        j["matrix"] = nums({m.m11, m.m12, m.m21, m.m22, m.dx, m.dy}, join(at, "matrix"));
        j["fill"] = fill(s.fill, join(at, "fill"));
        j["outline"] = outline(s.outline, join(at, "outline"));
        if (s.type == com::ShapeRectangle || s.corners != Corners{}) {
            const Corners& c = s.corners;
            j["corners"] =
                nums({c.lowerLeft, c.lowerRight, c.upperRight, c.upperLeft}, join(at, "corners"));
        }
        if (s.type == com::ShapeEllipse || s.arcs != EllipseArcs{}) {
            const std::string aa = join(at, "arcs");
            j["arcs"] = Json{{"kind", s.arcs.kind},
                             {"startAngle", num(s.arcs.startAngle, join(aa, "startAngle"))},
                             {"endAngle", num(s.arcs.endAngle, join(aa, "endAngle"))}};
        }
        if (s.type == com::ShapeCurve || !s.paths.empty()) {
            Json paths = Json::array();
            for (size_t i = 0; i < s.paths.size(); ++i) {
                const std::string pa = join(join(at, "paths"), i);
                Json nodes = Json::array();
                for (size_t k = 0; k < s.paths[i].nodes.size(); ++k) {
                    const Node& n = s.paths[i].nodes[k];
                    const std::string na = join(join(pa, "nodes"), k);
                    Json nj;
                    nj["type"] = n.type;
                    nj["x"] = num(n.x, join(na, "x"));
                    nj["y"] = num(n.y, join(na, "y"));
                    if (n.type == NodeCubic || n.c1x != 0 || n.c1y != 0 || n.c2x != 0 ||
                        n.c2y != 0) {
                        nj["c1"] = nums({n.c1x, n.c1y}, join(na, "c1"));
                        nj["c2"] = nums({n.c2x, n.c2y}, join(na, "c2"));
                    }
                    nodes.push_back(std::move(nj));
                }
                paths.push_back(Json{{"closed", s.paths[i].closed}, {"nodes", std::move(nodes)}});
            }
            j["paths"] = std::move(paths);
        }
        if (s.type == com::ShapeText || s.text != Text{}) {
            const Text& t = s.text;
            j["text"] = Json{{"text", utf8(t.text)},
                             {"font", utf8(t.font)},
                             {"size", num(t.size, join(join(at, "text"), "size"))},
                             {"bold", t.bold},
                             {"italic", t.italic},
                             {"underline", t.underline}};
        }
        if (s.type == com::ShapeBitmap || s.bitmap != Bitmap{}) {
            const Bitmap& b = s.bitmap;
            const std::string ba = join(at, "bitmap");
            j["bitmap"] = Json{{"resolutionX", num(b.resolutionX, join(ba, "resolutionX"))},
                               {"resolutionY", num(b.resolutionY, join(ba, "resolutionY"))},
                               {"imageMode", b.imageMode},
                               {"pixels", pixels(b.pixels, join(ba, "pixels"))}};
        }
        if (s.type == com::ShapeGroup || !s.children.empty())
            j["children"] = shapes(s.children, join(at, "children"));
        if (!s.powerClip.empty())
            j["powerClip"] = shapes(s.powerClip, join(at, "powerClip"));
        return j;
    }
};

// ---------------------------------------------------------------- reading

class Reader {
public:
    explicit Reader(QString where) : where_(std::move(where)) {}

    Drawing drawing(const Json& j) {
        object(j, "");
        const std::string format = text8(member(j, "format", ""), "format");
        if (format != formatName)
            fail("format", "not a drawing of this program (format \"" + format + "\")");
        const int version = integer(member(j, "version", ""), "version");
        if (version < 1 || version > nativeFormatVersion)
            fail("version", "version " + std::to_string(version) +
                                " is not one this program reads (it reads 1 to " +
                                std::to_string(nativeFormatVersion) + ")");
        Drawing d;
        if (const Json* v = optional(j, "activePage"))
            d.activePage = id(*v, "activePage");
        if (const Json* v = optional(j, "selection"))
            d.selection = ids(*v, "selection");
        const Json& pages = array(member(j, "pages", ""), "pages");
        if (pages.empty())
            fail("pages", "a drawing needs at least one page");
        for (size_t i = 0; i < pages.size(); ++i)
            d.pages.push_back(page(pages[i], join("pages", i)));
        return d;
    }

    [[noreturn]] void fail(const std::string& at, const std::string& what) const {
        std::string message = where_.toStdString();
        if (!at.empty())
            message += (message.empty() ? "" : ": ") + at;
        throw NativeFormatError(message + (message.empty() ? "" : ": ") + what);
    }

private:
    void object(const Json& j, const std::string& at) const {
        if (!j.is_object())
            fail(at, "expected an object");
    }

    const Json& array(const Json& j, const std::string& at) const {
        if (!j.is_array())
            fail(at, "expected an array");
        return j;
    }

    const Json& member(const Json& j, const char* key, const std::string& at) const {
        object(j, at);
        auto it = j.find(key);
        if (it == j.end())
            fail(at, std::string("the field \"") + key + "\" is missing");
        return *it;
    }

    const Json* optional(const Json& j, const char* key) const {
        auto it = j.find(key);
        return it == j.end() ? nullptr : &*it;
    }

    double number(const Json& j, const std::string& at) const {
        if (!j.is_number())
            fail(at, "expected a number");
        const double v = j.get<double>();
        if (!std::isfinite(v))
            fail(at, "the number is not finite");
        return v;
    }

    int32_t integer(const Json& j, const std::string& at) const {
        if (!j.is_number_integer())
            fail(at, "expected a whole number");
        const int64_t v = j.get<int64_t>();
        if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max() ||
            (j.is_number_unsigned() && j.get<uint64_t>() > uint64_t(INT32_MAX)))
            fail(at, "the number is out of range");
        return static_cast<int32_t>(v);
    }

    Id id(const Json& j, const std::string& at) const {
        if (!j.is_number_unsigned())
            fail(at, "expected an id (a whole number, 0 or more)");
        return j.get<Id>();
    }

    std::vector<Id> ids(const Json& j, const std::string& at) const {
        std::vector<Id> out;
        for (size_t i = 0; i < array(j, at).size(); ++i)
            out.push_back(id(j[i], join(at, i)));
        return out;
    }

    bool boolean(const Json& j, const std::string& at) const {
        if (!j.is_boolean())
            fail(at, "expected true or false");
        return j.get<bool>();
    }

    std::string text8(const Json& j, const std::string& at) const {
        if (!j.is_string())
            fail(at, "expected a text");
        return j.get<std::string>();
    }

    std::u16string text(const Json& j, const std::string& at) const {
        return QString::fromStdString(text8(j, at)).toStdU16String();
    }

    std::vector<double> numbers(const Json& j, const std::string& at, size_t count = 0) const {
        array(j, at);
        if (count && j.size() != count)
            fail(at, "expected " + std::to_string(count) + " numbers");
        std::vector<double> out;
        for (size_t i = 0; i < j.size(); ++i)
            out.push_back(number(j[i], join(at, i)));
        return out;
    }

    int32_t code(const Json& j, const std::string& at, int32_t low, int32_t high) const {
        const int32_t v = integer(j, at);
        if (v < low || v > high)
            fail(at, "unknown code " + std::to_string(v));
        return v;
    }

    // Reads an optional field into `out` when present.
    template <class F> void maybe(const Json& j, const char* key, const std::string& at, F read) {
        if (const Json* v = optional(j, key))
            read(*v, join(at, key));
    }

    Page page(const Json& j, const std::string& at) {
        object(j, at);
        Page p;
        maybe(j, "id", at, [&](const Json& v, const std::string& a) { p.id = id(v, a); });
        maybe(j, "name", at, [&](const Json& v, const std::string& a) { p.name = text(v, a); });
        maybe(j, "x", at, [&](const Json& v, const std::string& a) { p.x = number(v, a); });
        maybe(j, "y", at, [&](const Json& v, const std::string& a) { p.y = number(v, a); });
        p.width = number(member(j, "width", at), join(at, "width"));
        p.height = number(member(j, "height", at), join(at, "height"));
        if (p.width <= 0 || p.height <= 0)
            fail(at, "the page's width and height must be more than 0");
        maybe(j, "activeLayer", at,
              [&](const Json& v, const std::string& a) { p.activeLayer = id(v, a); });
        const std::string la = join(at, "layers");
        const Json& layers = array(member(j, "layers", at), la);
        if (layers.empty())
            fail(la, "a page needs at least one layer");
        for (size_t i = 0; i < layers.size(); ++i) {
            const std::string a = join(la, i);
            object(layers[i], a);
            Layer l;
            maybe(layers[i], "id", a,
                  [&](const Json& v, const std::string& b) { l.id = id(v, b); });
            maybe(layers[i], "name", a,
                  [&](const Json& v, const std::string& b) { l.name = text(v, b); });
            maybe(layers[i], "visible", a,
                  [&](const Json& v, const std::string& b) { l.visible = boolean(v, b); });
            l.shapes = shapes(member(layers[i], "shapes", a), join(a, "shapes"));
            p.layers.push_back(std::move(l));
        }
        return p;
    }

    std::vector<Shape> shapes(const Json& j, const std::string& at) {
        std::vector<Shape> out;
        for (size_t i = 0; i < array(j, at).size(); ++i)
            out.push_back(shape(j[i], join(at, i)));
        return out;
    }

    Color color(const Json& j, const std::string& at) {
        object(j, at);
        Color c;
        c.model = integer(member(j, "model", at), join(at, "model"));
        const int count = valueCount(c.model);
        if (count < 0)
            fail(join(at, "model"), "unknown colour model " + std::to_string(c.model));
        c.values = numbers(member(j, "values", at), join(at, "values"));
        if (c.values.size() != static_cast<size_t>(count))
            fail(join(at, "values"), "colour model " + std::to_string(c.model) + " has " +
                                         std::to_string(count) + " values");
        maybe(j, "name", at, [&](const Json& v, const std::string& a) { c.name = text(v, a); });
        return c;
    }

    Fill fill(const Json& j, const std::string& at) {
        object(j, at);
        Fill f;
        f.type = code(member(j, "type", at), join(at, "type"), com::FillNone, com::FillFountain);
        maybe(j, "color", at, [&](const Json& v, const std::string& a) { f.color = color(v, a); });
        if (f.type == com::FillUniform && !optional(j, "color"))
            fail(at, "a uniform fill needs its \"color\"");
        maybe(j, "fountain", at, [&](const Json& v, const std::string& a) {
            object(v, a);
            Fountain& fo = f.fountain;
            fo.kind = code(member(v, "kind", a), join(a, "kind"), FountainLinear, FountainRadial);
            const auto start = numbers(member(v, "start", a), join(a, "start"), 2);
            const auto end = numbers(member(v, "end", a), join(a, "end"), 2);
            fo.startX = start[0];
            fo.startY = start[1];
            fo.endX = end[0];
            fo.endY = end[1];
            const std::string sa = join(a, "stops");
            const Json& stops = array(member(v, "stops", a), sa);
            for (size_t i = 0; i < stops.size(); ++i) {
                const std::string b = join(sa, i);
                ColorStop stop;
                stop.position = number(member(stops[i], "position", b), join(b, "position"));
                if (stop.position < 0 || stop.position > 1)
                    fail(join(b, "position"), "a stop's position lies from 0 to 1");
                stop.color = color(member(stops[i], "color", b), join(b, "color"));
                fo.stops.push_back(std::move(stop));
            }
        });
        if (f.type == com::FillFountain && !optional(j, "fountain"))
            fail(at, "a fountain fill needs its \"fountain\"");
        return f;
    }

    Outline outline(const Json& j, const std::string& at) {
        object(j, at);
        Outline o;
        o.width = number(member(j, "width", at), join(at, "width"));
        if (o.width < 0)
            fail(join(at, "width"), "an outline width is 0 or more");
        maybe(j, "color", at, [&](const Json& v, const std::string& a) { o.color = color(v, a); });
        maybe(j, "dashes", at,
              [&](const Json& v, const std::string& a) { o.dashes = numbers(v, a); });
        for (size_t i = 0; i < o.dashes.size(); ++i)
            if (o.dashes[i] < 0)
                fail(join(join(at, "dashes"), i), "a dash or gap length is 0 or more");
        maybe(j, "cap", at,
              [&](const Json& v, const std::string& a) { o.cap = code(v, a, CapButt, CapSquare); });
        maybe(j, "join", at, [&](const Json& v, const std::string& a) {
            o.join = code(v, a, JoinMiter, JoinBevel);
        });
        return o;
    }

    Pixels pixels(const Json& j, const std::string& at) {
        object(j, at);
        const int32_t width = integer(member(j, "width", at), join(at, "width"));
        const int32_t height = integer(member(j, "height", at), join(at, "height"));
        const int32_t format = integer(member(j, "format", at), join(at, "format"));
        if (width < 0 || height < 0)
            fail(at, "the pixel width and height are 0 or more");
        if (bytesPerPixel(format) == 0)
            fail(join(at, "format"), "unknown pixel format " + std::to_string(format));
        const std::string pa = join(at, "png");
        const std::string encoded = text8(member(j, "png", at), pa);
        auto decoded = QByteArray::fromBase64Encoding(QByteArray::fromStdString(encoded),
                                                      QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            fail(pa, "not valid base64");
        if (width == 0 || height == 0) {
            if (!decoded.decoded.isEmpty())
                fail(pa, "an empty bitmap has no PNG data");
            return model::pixels(width, height, format);
        }
        QImage image;
        if (!image.loadFromData(decoded.decoded, "PNG"))
            fail(pa, "not a readable PNG image");
        if (image.width() != width || image.height() != height)
            fail(pa, "the PNG image is " + std::to_string(image.width()) + " x " +
                         std::to_string(image.height()) + " pixels, not " + std::to_string(width) +
                         " x " + std::to_string(height));
        Pixels p = render::fromQImage(
            image.convertToFormat(format == PixelGray8  ? QImage::Format_Grayscale8
                                  : format == PixelRgb8 ? QImage::Format_RGB888
                                                        : QImage::Format_RGBA8888));
        // fromQImage picks the layout from the content; keep the declared one.
        if (p.format != format) {
            QImage exact = render::toQImage(p).convertToFormat(
                format == PixelGray8  ? QImage::Format_Grayscale8
                : format == PixelRgb8 ? QImage::Format_RGB888
                                      : QImage::Format_RGBA8888);
            p = model::pixels(width, height, format);
            const size_t row = static_cast<size_t>(width) * static_cast<size_t>(format);
            for (int y = 0; y < height; ++y)
                std::copy_n(exact.constScanLine(y), row,
                            p.bytes.begin() + static_cast<std::ptrdiff_t>(row * y));
        }
        return p;
    }

    Shape shape(const Json& j, const std::string& at) {
        object(j, at);
        Shape s;
        s.type =
            code(member(j, "type", at), join(at, "type"), com::ShapeRectangle, com::ShapePowerClip);
        maybe(j, "id", at, [&](const Json& v, const std::string& a) { s.id = id(v, a); });
        maybe(j, "name", at, [&](const Json& v, const std::string& a) { s.name = text(v, a); });
        maybe(j, "x", at, [&](const Json& v, const std::string& a) { s.x = number(v, a); });
        maybe(j, "y", at, [&](const Json& v, const std::string& a) { s.y = number(v, a); });
        maybe(j, "width", at, [&](const Json& v, const std::string& a) { s.width = number(v, a); });
        maybe(j, "height", at,
              [&](const Json& v, const std::string& a) { s.height = number(v, a); });
        maybe(j, "matrix", at, [&](const Json& v, const std::string& a) {
            const auto m = numbers(v, a, 6);
            s.matrix = Matrix{m[0], m[1], m[2], m[3], m[4], m[5]};
        });
        maybe(j, "fill", at, [&](const Json& v, const std::string& a) { s.fill = fill(v, a); });
        maybe(j, "outline", at,
              [&](const Json& v, const std::string& a) { s.outline = outline(v, a); });
        maybe(j, "corners", at, [&](const Json& v, const std::string& a) {
            const auto c = numbers(v, a, 4);
            s.corners = Corners{c[0], c[1], c[2], c[3]};
        });
        maybe(j, "arcs", at, [&](const Json& v, const std::string& a) {
            object(v, a);
            s.arcs.kind = code(member(v, "kind", a), join(a, "kind"), EllipseFull, EllipsePie);
            s.arcs.startAngle = number(member(v, "startAngle", a), join(a, "startAngle"));
            s.arcs.endAngle = number(member(v, "endAngle", a), join(a, "endAngle"));
        });
        maybe(j, "paths", at, [&](const Json& v, const std::string& a) {
            for (size_t i = 0; i < array(v, a).size(); ++i)
                s.paths.push_back(subpath(v[i], join(a, i)));
        });
        maybe(j, "text", at, [&](const Json& v, const std::string& a) {
            object(v, a);
            Text& t = s.text;
            t.text = text(member(v, "text", a), join(a, "text"));
            maybe(v, "font", a, [&](const Json& w, const std::string& b) { t.font = text(w, b); });
            maybe(v, "size", a,
                  [&](const Json& w, const std::string& b) { t.size = number(w, b); });
            maybe(v, "bold", a,
                  [&](const Json& w, const std::string& b) { t.bold = boolean(w, b); });
            maybe(v, "italic", a,
                  [&](const Json& w, const std::string& b) { t.italic = boolean(w, b); });
            maybe(v, "underline", a,
                  [&](const Json& w, const std::string& b) { t.underline = boolean(w, b); });
            if (t.size <= 0)
                fail(join(a, "size"), "a text size is more than 0");
        });
        maybe(j, "bitmap", at, [&](const Json& v, const std::string& a) {
            object(v, a);
            Bitmap& b = s.bitmap;
            maybe(v, "resolutionX", a,
                  [&](const Json& w, const std::string& c) { b.resolutionX = number(w, c); });
            maybe(v, "resolutionY", a,
                  [&](const Json& w, const std::string& c) { b.resolutionY = number(w, c); });
            maybe(v, "imageMode", a, [&](const Json& w, const std::string& c) {
                b.imageMode = code(w, c, ImageBlackAndWhite, ImageSpotMultiChannel);
            });
            b.pixels = pixels(member(v, "pixels", a), join(a, "pixels"));
        });
        maybe(j, "children", at,
              [&](const Json& v, const std::string& a) { s.children = shapes(v, a); });
        maybe(j, "powerClip", at,
              [&](const Json& v, const std::string& a) { s.powerClip = shapes(v, a); });
        return s;
    }

    Subpath subpath(const Json& j, const std::string& at) {
        object(j, at);
        Subpath p;
        maybe(j, "closed", at,
              [&](const Json& v, const std::string& a) { p.closed = boolean(v, a); });
        const std::string na = join(at, "nodes");
        const Json& nodes = array(member(j, "nodes", at), na);
        for (size_t i = 0; i < nodes.size(); ++i) {
            const std::string a = join(na, i);
            object(nodes[i], a);
            Node n;
            n.type = code(member(nodes[i], "type", a), join(a, "type"), NodeMove, NodeCubic);
            if ((i == 0) != (n.type == NodeMove))
                fail(join(a, "type"), "a subpath starts with its one move node");
            n.x = number(member(nodes[i], "x", a), join(a, "x"));
            n.y = number(member(nodes[i], "y", a), join(a, "y"));
            if (n.type == NodeCubic || optional(nodes[i], "c1") || optional(nodes[i], "c2")) {
                const auto c1 = numbers(member(nodes[i], "c1", a), join(a, "c1"), 2);
                const auto c2 = numbers(member(nodes[i], "c2", a), join(a, "c2"), 2);
                n.c1x = c1[0];
                n.c1y = c1[1];
                n.c2x = c2[0];
                n.c2y = c2[1];
            }
            p.nodes.push_back(n);
        }
        return p;
    }

    QString where_;
};

} // namespace

std::string toNativeJson(const Drawing& drawing) {
    return Writer().drawing(drawing).dump(1, '\t');
}

Drawing fromNativeJson(const std::string& json, const QString& where) {
    Reader reader(where);
    Json j;
    try {
        j = Json::parse(json);
    } catch (const nlohmann::json::parse_error& e) {
        // e.what() starts with the library's own tag; the rest says where.
        std::string what = e.what();
        if (auto cut = what.find("] "); cut != std::string::npos)
            what = what.substr(cut + 2);
        reader.fail("", "not valid JSON: " + what);
    }
    return reader.drawing(j);
}

void saveNative(const Drawing& drawing, const QString& path) {
    const std::string text = toNativeJson(drawing);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw NativeFormatError(path.toStdString() + ": cannot write (" +
                                file.errorString().toStdString() + ")");
    if (file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.commit())
        throw NativeFormatError(path.toStdString() + ": cannot write (" +
                                file.errorString().toStdString() + ")");
}

Drawing loadNative(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw NativeFormatError(path.toStdString() + ": cannot read (" +
                                file.errorString().toStdString() + ")");
    const QByteArray bytes = file.readAll();
    return fromNativeJson(bytes.toStdString(), path);
}

} // namespace mosvik::host::files
