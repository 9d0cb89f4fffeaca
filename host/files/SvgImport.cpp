#include "SvgImport.h"

#include "SvgSyntax.h"
#include "host/render/Renderer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QUrl>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace mosvik::host::files {

namespace {

using namespace svg;

constexpr double millimetresPerPixel = 25.4 / 96.0;
constexpr double pointsPerMillimetre = 72.0 / 25.4;
constexpr double pi = 3.14159265358979323846;
constexpr size_t warningLimit = 200;
constexpr int referenceDepthLimit = 16;

const char* const svgNs = "http://www.w3.org/2000/svg";
const char* const xlinkNs = "http://www.w3.org/1999/xlink";
const char* const inkscapeNs = "http://www.inkscape.org/namespaces/inkscape";
const char* const sodipodiNs = "http://sodipodi.sourceforge.net/DTD/sodipodi-0.dtd";
const char* const xmlNs = "http://www.w3.org/XML/1998/namespace";

// A fault in one element: it is left out and the reason becomes a warning.
class BadElement : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string name(const xmlNode* n) {
    return reinterpret_cast<const char*>(n->name);
}

std::optional<std::string> attr(const xmlNode* n, const char* key, const char* ns = nullptr) {
    xmlChar* v = ns ? xmlGetNsProp(n, BAD_CAST key, BAD_CAST ns) : xmlGetNoNsProp(n, BAD_CAST key);
    if (!v)
        return std::nullopt;
    std::string s(reinterpret_cast<const char*>(v));
    xmlFree(v);
    return s;
}

std::string content(const xmlNode* n) {
    xmlChar* v = xmlNodeGetContent(n);
    if (!v)
        return {};
    std::string s(reinterpret_cast<const char*>(v));
    xmlFree(v);
    return s;
}

std::u16string utf16(const std::string& s) {
    return QString::fromStdString(s).toStdU16String();
}

using Declarations = std::vector<std::pair<std::string, std::string>>;

Declarations parseDeclarations(std::string_view text) {
    Declarations out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view item = text.substr(start, end - start);
        const size_t colon = item.find(':');
        if (colon != std::string_view::npos) {
            std::string key(trimmed(item.substr(0, colon)));
            std::string_view value = trimmed(item.substr(colon + 1));
            const size_t bang = value.find("!important");
            if (bang != std::string_view::npos)
                value = trimmed(value.substr(0, bang));
            std::transform(key.begin(), key.end(), key.begin(),
                           [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; });
            if (!key.empty())
                out.emplace_back(key, std::string(value));
        }
        start = end + 1;
    }
    return out;
}

// A rule of an embedded style sheet with one compound selector
// (tag, #id, .class, or a combination of them).
struct CssRule {
    std::string tag;
    std::string id;
    std::vector<std::string> classes;
    int specificity = 0;
    size_t order = 0;
    Declarations declarations;
};

bool isIdentChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

std::optional<CssRule> parseSelector(std::string_view sel) {
    CssRule rule;
    size_t i = 0;
    auto ident = [&] {
        const size_t start = i;
        while (i < sel.size() && isIdentChar(sel[i]))
            ++i;
        return std::string(sel.substr(start, i - start));
    };
    if (i < sel.size() && sel[i] == '*')
        ++i;
    else
        rule.tag = ident();
    while (i < sel.size()) {
        const char c = sel[i++];
        const std::string part = ident();
        if (part.empty())
            return std::nullopt;
        if (c == '.') {
            rule.classes.push_back(part);
            rule.specificity += 100;
        } else if (c == '#') {
            rule.id = part;
            rule.specificity += 10000;
        } else {
            return std::nullopt;
        }
    }
    if (!rule.tag.empty())
        rule.specificity += 1;
    return rule;
}

struct Paint {
    enum Kind { None, Solid, Current, Url };
    Kind kind = None;
    QColor color;
    std::string url;
    Kind fallback = None; // what a Url without a gradient paints
};

// Properties that children inherit, in user units of the element they
// end up on (SVG lengths are relative to the user space they apply in).
struct Style {
    Paint fill{Paint::Solid, QColor(Qt::black), {}, Paint::None};
    Paint stroke;
    double fillOpacity = 1;
    double strokeOpacity = 1;
    double strokeWidth = 1;
    std::vector<double> dashes; // user units
    int32_t cap = model::CapButt;
    int32_t join = model::JoinMiter;
    QColor color = Qt::black;
    std::u16string font = u"Arial";
    double fontSize = 16;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int anchor = 0; // start, middle, end
    bool visible = true;
    bool preserveSpace = false;
};

// Properties of the element alone.
struct Own {
    bool display = true;
    double opacity = 1;
    std::string clipPath;
    QColor stopColor = Qt::black;
};

struct Viewport {
    double width = 0; // user units, for percentages
    double height = 0;
};

// The mirror from SVG root user space (y down) to page millimetres (y up):
// (x, y) -> (kx x + ox, -ky y + oy).
struct Mirror {
    double kx = millimetresPerPixel;
    double ky = millimetresPerPixel;
    double ox = 0;
    double oy = 0;
    double x(double v) const { return kx * v + ox; }
    double y(double v) const { return -ky * v + oy; }

    // The SVG transform t seen through the mirror: M = F t F^-1, written
    // out so that the identity stays exact.
    model::Matrix conjugate(const QTransform& t) const {
        if (t.isIdentity())
            return {};
        model::Matrix m;
        m.m11 = t.m11();
        m.m21 = -t.m21() * kx / ky;
        m.m12 = -t.m12() * ky / kx;
        m.m22 = t.m22();
        m.dx = -(m.m11 * ox + m.m21 * oy) + kx * t.dx() + ox;
        m.dy = -(m.m12 * ox + m.m22 * oy) - ky * t.dy() + oy;
        return m;
    }
};

bool finiteMatrix(const model::Matrix& m) {
    for (double v : {m.m11, m.m12, m.m21, m.m22, m.dx, m.dy})
        if (!std::isfinite(v))
            return false;
    return true;
}

bool finite(const model::Shape& s) {
    for (double v : {s.x, s.y, s.width, s.height, s.outline.width, s.corners.lowerLeft,
                     s.corners.lowerRight, s.corners.upperLeft, s.corners.upperRight, s.text.size})
        if (!std::isfinite(v))
            return false;
    if (!finiteMatrix(s.matrix))
        return false;
    for (const model::Subpath& p : s.paths)
        for (const model::Node& n : p.nodes)
            for (double v : {n.x, n.y, n.c1x, n.c1y, n.c2x, n.c2y})
                if (!std::isfinite(v))
                    return false;
    for (const auto* list : {&s.children, &s.powerClip})
        for (const model::Shape& c : *list)
            if (!finite(c))
                return false;
    return true;
}

class Importer {
public:
    Importer(QString where, QString baseDir, QStringList* warnings)
        : where_(std::move(where)), baseDir_(std::move(baseDir)), warnings_(warnings) {}

    model::Drawing run(const QByteArray& data);

private:
    // Messages.
    QString at(const xmlNode* n) const {
        return where_ + QStringLiteral(":") + QString::number(xmlGetLineNo(n));
    }
    void warn(const xmlNode* n, const std::string& what) {
        const QString line = at(n) + QStringLiteral(": <") + QString::fromStdString(name(n)) +
                             QStringLiteral(">: ") + QString::fromStdString(what);
        if (seen_.insert(line).second)
            found_.push_back(line);
    }
    [[noreturn]] void fatal(const xmlNode* n, const std::string& what) const {
        throw SvgError((at(n) + QStringLiteral(": ") + QString::fromStdString(what)).toStdString());
    }

    // Element kinds.
    bool isSvgElement(const xmlNode* n) const {
        if (n->type != XML_ELEMENT_NODE)
            return false;
        const char* ns = n->ns ? reinterpret_cast<const char*>(n->ns->href) : nullptr;
        return !ns || rootNs_ == ns || std::string(ns) == svgNs;
    }
    bool isLayer(const xmlNode* n) const {
        return isSvgElement(n) && name(n) == "g" &&
               attr(n, "groupmode", inkscapeNs).value_or("") == "layer";
    }

    void collect(xmlNode* n);
    void readStyleSheet(const std::string& text, const xmlNode* where);

    // Style.
    Declarations declarationsOf(const xmlNode* n) const;
    void computeStyle(const xmlNode* n, Style& s, Own& own);
    void applyProperty(const xmlNode* n, Style& s, Own& own, const std::string& key,
                       const std::string& value);
    std::optional<Paint> parsePaint(const std::string& value) const;

    // Lengths in user units.
    double length(const xmlNode* n, const char* key, double fallback, int axis,
                  const Style& s) const;
    double toUser(const Length& l, int axis, double fontSize) const;

    // Conversion.
    void convertChildren(xmlNode* parent, const Style& style, const QTransform& pending,
                         const QTransform& ctm, std::vector<model::Shape>& out, int depth);
    void convert(xmlNode* n, const Style& parentStyle, const QTransform& pending,
                 const QTransform& parentCtm, std::vector<model::Shape>& out, int depth);
    std::optional<model::Shape> leaf(xmlNode* n, const std::string& kind, const Style& s);
    model::Shape rect(xmlNode* n, const Style& s);
    model::Shape ellipse(xmlNode* n, const std::string& kind, const Style& s);
    std::optional<model::Shape> inkscapeArc(xmlNode* n);
    model::Shape points(xmlNode* n, const std::string& kind, const Style& s);
    model::Shape path(xmlNode* n);
    std::optional<model::Shape> text(xmlNode* n, const Style& s);
    std::optional<model::Shape> image(xmlNode* n, const Style& s);
    QImage loadImage(const std::string& href);
    void paint(model::Shape& shape, xmlNode* n, const Style& s, const QTransform& ctm);
    std::optional<model::Fill> gradientFill(xmlNode* grad, const model::Shape& shape,
                                            const Style& s);
    std::vector<model::ColorStop> stopsOf(xmlNode* grad, int depth);
    std::optional<model::Shape> clipContainer(xmlNode* n, const std::string& ref, int depth);
    xmlNode* target(const std::string& ref) const;
    std::u16string nameOf(const xmlNode* n) const;
    model::Subpath mapped(const model::Subpath& p) const;

    QString where_;
    QString baseDir_;
    QStringList* warnings_;
    QStringList found_;
    std::set<QString> seen_;
    std::string rootNs_;
    std::map<std::string, xmlNode*> ids_;
    std::vector<CssRule> css_;
    std::set<std::string> badSelectors_;
    Mirror mirror_;
    Viewport viewport_;
};

model::Drawing Importer::run(const QByteArray& data) {
    // libxml2 sets up its globals once, before any thread parses.
    static std::once_flag init;
    std::call_once(init, [] { xmlInitParser(); });
    if (data.size() > std::numeric_limits<int>::max())
        throw SvgError((where_ + QStringLiteral(": too large to read")).toStdString());
    // No network, no external entities or DTDs: a file says what it
    // holds, and reading it never fetches anything.
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    std::unique_ptr<xmlParserCtxt, void (*)(xmlParserCtxtPtr)> ctxt(xmlNewParserCtxt(),
                                                                    xmlFreeParserCtxt);
    if (!ctxt)
        throw SvgError((where_ + QStringLiteral(": out of memory")).toStdString());
    std::unique_ptr<xmlDoc, void (*)(xmlDocPtr)> doc(
        xmlCtxtReadMemory(ctxt.get(), data.constData(), static_cast<int>(data.size()), nullptr,
                          nullptr, options),
        xmlFreeDoc);
    if (!doc || !ctxt->wellFormed) {
        const xmlError* e = xmlCtxtGetLastError(ctxt.get());
        QString what = e && e->message ? QString::fromUtf8(e->message).trimmed()
                                       : QStringLiteral("not an XML document");
        const int line = e ? e->line : 0;
        throw SvgError((where_ + QStringLiteral(":") + QString::number(line) +
                        QStringLiteral(": not XML: ") + what)
                           .toStdString());
    }
    xmlNode* root = xmlDocGetRootElement(doc.get());
    if (!root)
        throw SvgError(
            (where_ + QStringLiteral(": the document has no root element")).toStdString());
    if (root->ns)
        rootNs_ = reinterpret_cast<const char*>(root->ns->href);
    if (name(root) != "svg" || !isSvgElement(root))
        fatal(root, "the root element is <" + name(root) + ">, not <svg>");

    collect(root);

    // Page size and the mirror onto it.
    std::optional<std::vector<double>> box;
    if (auto vb = attr(root, "viewBox")) {
        box = parseNumberList(*vb);
        if (!box || box->size() != 4 || (*box)[2] <= 0 || (*box)[3] <= 0)
            fatal(root, "bad viewBox '" + *vb + "'");
    }
    auto side = [&](const char* key) -> std::optional<double> {
        const auto text = attr(root, key);
        if (!text || trimmed(*text) == "auto")
            return std::nullopt;
        const auto l = parseLength(*text);
        if (!l)
            fatal(root, std::string("bad ") + key + " '" + *text + "'");
        if (l->unit == "%")
            return std::nullopt; // of a window the file does not have
        // Straight to millimetres, so that "120mm" is 120, not 120 plus
        // the rounding of a detour through pixels.
        static const std::map<std::string, double> perUnit = {{"mm", 1},
                                                              {"cm", 10},
                                                              {"in", 25.4},
                                                              {"pt", 25.4 / 72},
                                                              {"pc", 25.4 / 6},
                                                              {"px", millimetresPerPixel},
                                                              {"", millimetresPerPixel},
                                                              {"em", 16 * millimetresPerPixel},
                                                              {"ex", 8 * millimetresPerPixel}};
        const double mm = l->value * perUnit.at(l->unit);
        if (!(mm > 0) || !std::isfinite(mm))
            fatal(root, std::string("bad ") + key + " '" + *text + "'");
        return mm;
    };
    std::optional<double> width = side("width"), height = side("height");
    if (box) {
        if (!width && !height) {
            width = (*box)[2] * millimetresPerPixel;
            height = (*box)[3] * millimetresPerPixel;
        } else if (!width) {
            width = *height * (*box)[2] / (*box)[3];
        } else if (!height) {
            height = *width * (*box)[3] / (*box)[2];
        }
    }
    model::Page page;
    page.name = u"Page 1";
    page.width = width.value_or(210);
    page.height = height.value_or(297);
    if (box) {
        const double vx = (*box)[0], vy = (*box)[1], vw = (*box)[2], vh = (*box)[3];
        double kx = page.width / vw, ky = page.height / vh;
        double ax = 0.5, ay = 0.5;
        const std::string aspect =
            std::string(trimmed(attr(root, "preserveAspectRatio").value_or("")));
        if (aspect.rfind("none", 0) != 0) {
            const bool slice = aspect.find("slice") != std::string::npos;
            const double k = slice ? std::max(kx, ky) : std::min(kx, ky);
            kx = ky = k;
            if (aspect.rfind("xMin", 0) == 0)
                ax = 0;
            else if (aspect.rfind("xMax", 0) == 0)
                ax = 1;
            if (aspect.find("YMin") != std::string::npos)
                ay = 0;
            else if (aspect.find("YMax") != std::string::npos)
                ay = 1;
        }
        const double offsetX = (page.width - vw * kx) * ax;
        const double offsetY = (page.height - vh * ky) * ay;
        mirror_ = Mirror{kx, ky, offsetX - kx * vx, page.height - offsetY + ky * vy};
        viewport_ = Viewport{vw, vh};
    } else {
        mirror_ = Mirror{millimetresPerPixel, millimetresPerPixel, 0, page.height};
        viewport_ = Viewport{page.width / millimetresPerPixel, page.height / millimetresPerPixel};
    }

    Style rootStyle;
    Own rootOwn;
    computeStyle(root, rootStyle, rootOwn);
    // Shapes outside Inkscape layers go to layers of their own, between
    // the labelled ones, so the painting order stays.
    std::vector<bool> loose;
    for (xmlNode* c = root->children; c; c = c->next) {
        if (isSvgElement(c) && name(c) == "title" && page.name == u"Page 1") {
            const std::string t(trimmed(content(c)));
            if (!t.empty())
                page.name = utf16(t);
            continue;
        }
        if (isLayer(c)) {
            try {
                Style s = rootStyle;
                Own own;
                computeStyle(c, s, own);
                const auto transform = parseTransform(attr(c, "transform").value_or(""));
                if (!transform)
                    throw BadElement("bad transform '" + *attr(c, "transform") + "'");
                model::Layer layer;
                layer.name = nameOf(c);
                if (layer.name.empty())
                    layer.name =
                        u"Layer " + QString::number(page.layers.size() + 1).toStdU16String();
                layer.visible = own.display;
                // A layer has no matrix of its own: its transform goes to
                // its shapes.
                convertChildren(c, s, *transform, *transform, layer.shapes, 0);
                page.layers.push_back(std::move(layer));
                loose.push_back(false);
            } catch (const BadElement& e) {
                warn(c, e.what());
            }
            continue;
        }
        std::vector<model::Shape> got;
        convert(c, rootStyle, QTransform(), QTransform(), got, 0);
        if (got.empty())
            continue;
        if (loose.empty() || !loose.back()) {
            model::Layer layer;
            layer.name = u"Layer " + QString::number(page.layers.size() + 1).toStdU16String();
            page.layers.push_back(std::move(layer));
            loose.push_back(true);
        }
        for (model::Shape& shape : got)
            page.layers.back().shapes.push_back(std::move(shape));
    }
    if (page.layers.empty())
        page.layers.push_back(model::Layer{0, u"Layer 1", {}, true});

    if (warnings_) {
        const int total = found_.size();
        for (int i = 0; i < total && static_cast<size_t>(i) < warningLimit; ++i)
            warnings_->append(found_[i]);
        if (static_cast<size_t>(total) > warningLimit)
            warnings_->append(where_ + QStringLiteral(": ") +
                              QString::number(total - static_cast<int>(warningLimit)) +
                              QStringLiteral(" more warnings"));
    }
    model::Drawing drawing;
    drawing.pages.push_back(std::move(page));
    return drawing;
}

void Importer::collect(xmlNode* n) {
    for (xmlNode* c = n; c; c = c->next) {
        if (c->type != XML_ELEMENT_NODE)
            continue;
        if (auto id = attr(c, "id"))
            ids_.emplace(*id, c);
        if (isSvgElement(c) && name(c) == "style") {
            const std::string type = attr(c, "type").value_or("text/css");
            if (type == "text/css" || type.empty())
                readStyleSheet(content(c), c);
        }
        collect(c->children);
    }
}

void Importer::readStyleSheet(const std::string& sheet, const xmlNode* where) {
    std::string text;
    for (size_t i = 0; i < sheet.size();) { // comments out
        if (sheet.compare(i, 2, "/*") == 0) {
            const size_t end = sheet.find("*/", i + 2);
            i = end == std::string::npos ? sheet.size() : end + 2;
        } else {
            text += sheet[i++];
        }
    }
    size_t i = 0;
    while (i < text.size()) {
        const size_t open = text.find('{', i);
        if (open == std::string::npos)
            break;
        std::string_view head = trimmed(std::string_view(text).substr(i, open - i));
        // The block, braces nested (at-rules hold rules).
        size_t close = open + 1;
        for (int depth = 1; close < text.size() && depth > 0; ++close)
            depth += text[close] == '{' ? 1 : text[close] == '}' ? -1 : 0;
        const std::string_view body =
            std::string_view(text).substr(open + 1, close > open + 1 ? close - open - 2 : 0);
        i = close;
        // At-rules: @import and @media content is not applied.
        while (!head.empty() && head.front() == '@') {
            const size_t semi = head.find(';');
            if (semi == std::string_view::npos) {
                head = {};
                break;
            }
            head = trimmed(head.substr(semi + 1));
        }
        if (head.empty())
            continue;
        const Declarations decls = parseDeclarations(body);
        size_t start = 0;
        while (start <= head.size()) {
            size_t comma = head.find(',', start);
            if (comma == std::string_view::npos)
                comma = head.size();
            const std::string_view sel = trimmed(head.substr(start, comma - start));
            if (auto rule = parseSelector(sel)) {
                rule->order = css_.size();
                rule->declarations = decls;
                css_.push_back(std::move(*rule));
            } else if (sel.find(':') != std::string_view::npos) {
                // Pseudo-classes (:hover, ...) never apply to a still drawing.
            } else if (badSelectors_.insert(std::string(sel)).second) {
                warn(where, "style rule '" + std::string(sel) + "' is not supported");
            }
            start = comma + 1;
        }
    }
}

Declarations Importer::declarationsOf(const xmlNode* n) const {
    static const char* const properties[] = {
        "fill",           "fill-opacity",    "stroke",
        "stroke-width",   "stroke-opacity",  "stroke-dasharray",
        "stroke-linecap", "stroke-linejoin", "color",
        "opacity",        "display",         "visibility",
        "font-family",    "font-size",       "font-weight",
        "font-style",     "text-decoration", "text-anchor",
        "clip-path",      "stop-color"};
    Declarations out;
    for (const char* p : properties)
        if (auto v = attr(n, p))
            out.emplace_back(p, *v);
    if (!css_.empty()) {
        const std::string tag = name(n);
        const std::string id = attr(n, "id").value_or("");
        std::vector<std::string> classes;
        {
            const std::string cls = attr(n, "class").value_or("");
            size_t s = 0;
            while (s < cls.size()) {
                while (s < cls.size() && isSpace(cls[s]))
                    ++s;
                size_t e = s;
                while (e < cls.size() && !isSpace(cls[e]))
                    ++e;
                if (e > s)
                    classes.push_back(cls.substr(s, e - s));
                s = e;
            }
        }
        std::vector<const CssRule*> matching;
        for (const CssRule& r : css_) {
            if (!r.tag.empty() && r.tag != tag)
                continue;
            if (!r.id.empty() && r.id != id)
                continue;
            if (!std::all_of(r.classes.begin(), r.classes.end(), [&](const std::string& c) {
                    return std::find(classes.begin(), classes.end(), c) != classes.end();
                }))
                continue;
            matching.push_back(&r);
        }
        std::stable_sort(matching.begin(), matching.end(), [](const CssRule* a, const CssRule* b) {
            return a->specificity < b->specificity;
        });
        for (const CssRule* r : matching)
            out.insert(out.end(), r->declarations.begin(), r->declarations.end());
    }
    if (auto style = attr(n, "style")) {
        const Declarations d = parseDeclarations(*style);
        out.insert(out.end(), d.begin(), d.end());
    }
    return out;
}

void Importer::computeStyle(const xmlNode* n, Style& s, Own& own) {
    if (auto space = attr(n, "space", xmlNs))
        s.preserveSpace = *space == "preserve";
    for (const auto& [key, value] : declarationsOf(n))
        applyProperty(n, s, own, key, value);
}

std::optional<Paint> Importer::parsePaint(const std::string& value) const {
    const std::string_view v = trimmed(value);
    if (v == "none")
        return Paint{};
    if (v == "currentColor")
        return Paint{Paint::Current, {}, {}, Paint::None};
    if (v.rfind("url(", 0) == 0) {
        const size_t close = v.find(')');
        if (close == std::string_view::npos)
            return std::nullopt;
        std::string_view ref = trimmed(v.substr(4, close - 4));
        if (ref.size() >= 2 && (ref.front() == '\'' || ref.front() == '"'))
            ref = ref.substr(1, ref.size() - 2);
        if (ref.empty() || ref.front() != '#')
            return std::nullopt;
        Paint p{Paint::Url, {}, std::string(ref.substr(1)), Paint::None};
        const std::string_view rest = trimmed(v.substr(close + 1));
        if (!rest.empty() && rest != "none") {
            const auto fallback = parsePaint(std::string(rest));
            if (fallback && fallback->kind == Paint::Solid) {
                p.fallback = Paint::Solid;
                p.color = fallback->color;
            }
        }
        return p;
    }
    const auto c = parseColor(v);
    if (!c)
        return std::nullopt;
    if (c->alpha() == 0)
        return Paint{};
    return Paint{Paint::Solid, *c, {}, Paint::None};
}

double Importer::toUser(const Length& l, int axis, double fontSize) const {
    if (l.unit == "%") {
        const double ref = axis == 0 ? viewport_.width
                           : axis == 1
                               ? viewport_.height
                               : std::hypot(viewport_.width, viewport_.height) / std::sqrt(2.0);
        return l.value / 100 * ref;
    }
    if (l.unit == "em")
        return l.value * fontSize;
    if (l.unit == "ex")
        return l.value * fontSize / 2;
    return l.value * pixelsPerUnit(l.unit).value_or(1);
}

double Importer::length(const xmlNode* n, const char* key, double fallback, int axis,
                        const Style& s) const {
    const auto text = attr(n, key);
    if (!text)
        return fallback;
    const auto l = parseLength(*text);
    if (!l)
        throw BadElement(std::string("bad ") + key + " '" + *text + "'");
    return toUser(*l, axis, s.fontSize);
}

void Importer::applyProperty(const xmlNode* n, Style& s, Own& own, const std::string& key,
                             const std::string& raw) {
    const std::string value(trimmed(raw));
    if (value == "inherit" || value.empty())
        return;
    auto ignored = [&] {
        warn(n, "ignored " + key + " '" + value + "'");
    };
    auto fraction = [&](double& out) {
        std::string_view v = value;
        double scale = 1;
        if (!v.empty() && v.back() == '%') {
            v.remove_suffix(1);
            scale = 0.01;
        }
        if (const auto x = parseNumber(v))
            out = std::clamp(*x * scale, 0.0, 1.0);
        else
            ignored();
    };
    if (key == "fill" || key == "stroke") {
        if (const auto p = parsePaint(value))
            (key == "fill" ? s.fill : s.stroke) = *p;
        else
            ignored();
    } else if (key == "fill-opacity") {
        fraction(s.fillOpacity);
    } else if (key == "stroke-opacity") {
        fraction(s.strokeOpacity);
    } else if (key == "opacity") {
        fraction(own.opacity);
    } else if (key == "stroke-width") {
        const auto l = parseLength(value);
        if (l && l->value >= 0)
            s.strokeWidth = toUser(*l, 2, s.fontSize);
        else
            ignored();
    } else if (key == "stroke-dasharray") {
        if (value == "none") {
            s.dashes.clear();
            return;
        }
        std::vector<double> dashes;
        Scanner sc(value);
        sc.skipSpaces();
        while (!sc.atEnd()) {
            const size_t start = sc.pos();
            while (!sc.atEnd() && !isSpace(sc.peek()) && sc.peek() != ',')
                sc.advance();
            const auto l = parseLength(value.substr(start, sc.pos() - start));
            if (!l || l->value < 0) {
                ignored();
                return;
            }
            dashes.push_back(toUser(*l, 2, s.fontSize));
            sc.skipCommaSpaces();
        }
        if (std::all_of(dashes.begin(), dashes.end(), [](double d) { return d == 0; }))
            dashes.clear();
        if (dashes.size() % 2 == 1) // an odd list repeats to make pairs
            dashes.insert(dashes.end(), dashes.begin(), dashes.end());
        s.dashes = dashes;
    } else if (key == "stroke-linecap") {
        if (value == "butt")
            s.cap = model::CapButt;
        else if (value == "round")
            s.cap = model::CapRound;
        else if (value == "square")
            s.cap = model::CapSquare;
        else
            ignored();
    } else if (key == "stroke-linejoin") {
        if (value == "miter" || value == "miter-clip" || value == "arcs")
            s.join = model::JoinMiter;
        else if (value == "round")
            s.join = model::JoinRound;
        else if (value == "bevel")
            s.join = model::JoinBevel;
        else
            ignored();
    } else if (key == "color") {
        if (const auto c = parseColor(value))
            s.color = *c;
        else
            ignored();
    } else if (key == "display") {
        own.display = value != "none";
    } else if (key == "visibility") {
        s.visible = value == "visible";
    } else if (key == "font-family") {
        std::string first(trimmed(value.substr(0, value.find(','))));
        if (first.size() >= 2 && (first.front() == '\'' || first.front() == '"'))
            first = first.substr(1, first.size() - 2);
        // Generic families, by the fonts that stand for them on the host.
        if (first == "sans-serif")
            first = "Arial";
        else if (first == "serif")
            first = "Times New Roman";
        else if (first == "monospace")
            first = "Courier New";
        if (!first.empty())
            s.font = utf16(first);
    } else if (key == "font-size") {
        static const std::map<std::string, double> sizes = {
            {"xx-small", 9}, {"x-small", 10}, {"small", 13},   {"medium", 16},
            {"large", 18},   {"x-large", 24}, {"xx-large", 32}};
        if (auto it = sizes.find(value); it != sizes.end()) {
            s.fontSize = it->second;
        } else if (value == "larger" || value == "smaller") {
            s.fontSize *= value == "larger" ? 1.2 : 1 / 1.2;
        } else if (const auto l = parseLength(value); l && l->value > 0) {
            s.fontSize = l->unit == "%" ? s.fontSize * l->value / 100 : toUser(*l, 2, s.fontSize);
        } else {
            ignored();
        }
    } else if (key == "font-weight") {
        if (value == "bold" || value == "bolder")
            s.bold = true;
        else if (value == "normal" || value == "lighter")
            s.bold = false;
        else if (const auto w = parseNumber(value))
            s.bold = *w >= 600;
        else
            ignored();
    } else if (key == "font-style") {
        s.italic = value == "italic" || value == "oblique";
    } else if (key == "text-decoration") {
        s.underline = value.find("underline") != std::string::npos;
    } else if (key == "text-anchor") {
        s.anchor = value == "middle" ? 1 : value == "end" ? 2 : 0;
    } else if (key == "clip-path") {
        own.clipPath = value == "none" ? std::string() : value;
    } else if (key == "stop-color") {
        if (const auto c = parseColor(value))
            own.stopColor = *c;
        else
            ignored();
    }
    // Everything else (fill-rule, filters, markers, ...) has no place in
    // the drawing and is passed over silently: it is in most files.
}

xmlNode* Importer::target(const std::string& ref) const {
    std::string_view r = trimmed(ref);
    if (r.rfind("url(", 0) == 0) {
        r = trimmed(r.substr(4, r.find(')') - 4));
        if (r.size() >= 2 && (r.front() == '\'' || r.front() == '"'))
            r = r.substr(1, r.size() - 2);
    }
    if (r.empty() || r.front() != '#')
        return nullptr;
    auto it = ids_.find(std::string(r.substr(1)));
    return it == ids_.end() ? nullptr : it->second;
}

std::u16string Importer::nameOf(const xmlNode* n) const {
    if (auto label = attr(n, "label", inkscapeNs))
        return utf16(*label);
    return utf16(attr(n, "id").value_or(""));
}

model::Subpath Importer::mapped(const model::Subpath& p) const {
    model::Subpath out = p;
    for (model::Node& n : out.nodes) {
        n.x = mirror_.x(n.x);
        n.y = mirror_.y(n.y);
        if (n.type == model::NodeCubic) {
            n.c1x = mirror_.x(n.c1x);
            n.c1y = mirror_.y(n.c1y);
            n.c2x = mirror_.x(n.c2x);
            n.c2y = mirror_.y(n.c2y);
        }
    }
    return out;
}

void Importer::convertChildren(xmlNode* parent, const Style& style, const QTransform& pending,
                               const QTransform& ctm, std::vector<model::Shape>& out, int depth) {
    for (xmlNode* c = parent->children; c; c = c->next)
        convert(c, style, pending, ctm, out, depth);
}

void Importer::convert(xmlNode* n, const Style& parentStyle, const QTransform& pending,
                       const QTransform& parentCtm, std::vector<model::Shape>& out, int depth) {
    if (!isSvgElement(n))
        return; // text between elements, comments, other vocabularies
    static const std::set<std::string> silent = {"defs",
                                                 "title",
                                                 "desc",
                                                 "metadata",
                                                 "style",
                                                 "script",
                                                 "linearGradient",
                                                 "radialGradient",
                                                 "clipPath",
                                                 "mask",
                                                 "pattern",
                                                 "marker",
                                                 "symbol",
                                                 "filter",
                                                 "font",
                                                 "font-face",
                                                 "cursor",
                                                 "view",
                                                 "animate",
                                                 "animateTransform",
                                                 "animateMotion",
                                                 "animateColor",
                                                 "set",
                                                 "missing-glyph",
                                                 "color-profile"};
    const std::string kind = name(n);
    if (silent.count(kind))
        return;
    try {
        Style s = parentStyle;
        Own own;
        computeStyle(n, s, own);
        if (!own.display || own.opacity == 0)
            return;
        const auto transformText = attr(n, "transform");
        const auto transform = parseTransform(transformText.value_or(""));
        if (!transform)
            throw BadElement("bad transform '" + *transformText + "'");
        const QTransform ctm = *transform * parentCtm;
        const QTransform local = *transform * pending;
        std::vector<model::Shape> made;
        if (kind == "g" || kind == "a") {
            model::Shape g = model::group({});
            convertChildren(n, s, QTransform(), ctm, g.children, depth);
            if (g.children.empty())
                return;
            g.matrix = mirror_.conjugate(local);
            g.name = nameOf(n);
            made.push_back(std::move(g));
        } else if (kind == "switch") {
            for (xmlNode* c = n->children; c; c = c->next)
                if (isSvgElement(c) && name(c) != "foreignObject") {
                    convert(c, s, local, ctm, made, depth);
                    break;
                }
        } else if (kind == "svg") {
            const double x = length(n, "x", 0, 0, s), y = length(n, "y", 0, 1, s);
            QTransform inner = QTransform::fromTranslate(x, y);
            if (auto vb = attr(n, "viewBox")) {
                const auto b = parseNumberList(*vb);
                if (!b || b->size() != 4 || (*b)[2] <= 0 || (*b)[3] <= 0)
                    throw BadElement("bad viewBox '" + *vb + "'");
                const double w = length(n, "width", viewport_.width, 0, s);
                const double h = length(n, "height", viewport_.height, 1, s);
                const double k = std::min(w / (*b)[2], h / (*b)[3]);
                inner =
                    QTransform::fromTranslate(-(*b)[0], -(*b)[1]) * QTransform::fromScale(k, k) *
                    QTransform::fromTranslate(x + (w - k * (*b)[2]) / 2, y + (h - k * (*b)[3]) / 2);
            }
            model::Shape g = model::group({});
            convertChildren(n, s, inner, inner * ctm, g.children, depth);
            if (g.children.empty())
                return;
            g.matrix = mirror_.conjugate(local);
            g.name = nameOf(n);
            made.push_back(std::move(g));
        } else if (kind == "use") {
            auto href = attr(n, "href", xlinkNs);
            if (!href)
                href = attr(n, "href");
            xmlNode* t = href ? target(*href) : nullptr;
            if (!t)
                throw BadElement("refers to nothing ('" + href.value_or("") + "')");
            if (depth >= referenceDepthLimit)
                throw BadElement("references nest too deep");
            const QTransform shift =
                QTransform::fromTranslate(length(n, "x", 0, 0, s), length(n, "y", 0, 1, s));
            if (name(t) == "symbol") {
                model::Shape g = model::group({});
                convertChildren(t, s, QTransform(), shift * ctm, g.children, depth + 1);
                if (g.children.empty())
                    return;
                g.matrix = mirror_.conjugate(shift * local);
                made.push_back(std::move(g));
            } else {
                convert(t, s, shift * local, shift * ctm, made, depth + 1);
            }
            if (!made.empty() && attr(n, "id"))
                made.back().name = nameOf(n);
        } else {
            if (!s.visible)
                return;
            auto shape = leaf(n, kind, s);
            if (!shape)
                return;
            shape->matrix = mirror_.conjugate(local);
            shape->name = nameOf(n);
            paint(*shape, n, s, ctm);
            made.push_back(std::move(*shape));
        }
        if (made.empty())
            return;
        if (!own.clipPath.empty()) {
            if (auto container = clipContainer(n, own.clipPath, depth)) {
                model::Shape& content = made.back();
                // The clip outline lies in the element's user space, after
                // its transform: that transform moves to the container,
                // and the contents keep the clip's inverse.
                const model::Matrix clip = container->matrix;
                const QTransform inverse = render::toQTransform(clip).inverted();
                container->matrix = clip.then(content.matrix);
                content.matrix = model::Matrix{inverse.m11(), inverse.m12(), inverse.m21(),
                                               inverse.m22(), inverse.dx(),  inverse.dy()};
                if (content.type == com::ShapeGroup && content.matrix.isIdentity()) {
                    if (container->name.empty())
                        container->name = content.name;
                    container->powerClip = std::move(content.children);
                } else {
                    container->powerClip.push_back(std::move(content));
                }
                made.back() = std::move(*container);
            }
        }
        for (model::Shape& m : made) {
            if (!finite(m))
                throw BadElement("numbers out of range");
            out.push_back(std::move(m));
        }
    } catch (const BadElement& e) {
        warn(n, e.what());
    }
}

std::optional<model::Shape> Importer::clipContainer(xmlNode* n, const std::string& ref, int depth) {
    xmlNode* clip = target(ref);
    if (!clip || name(clip) != "clipPath") {
        warn(n, "clip-path '" + ref + "' refers to no clipPath; drawn unclipped");
        return std::nullopt;
    }
    if (attr(clip, "clipPathUnits").value_or("") == "objectBoundingBox") {
        warn(n, "clip paths in objectBoundingBox units are not supported; drawn unclipped");
        return std::nullopt;
    }
    if (depth >= referenceDepthLimit)
        return std::nullopt;
    const auto transform = parseTransform(attr(clip, "transform").value_or(""));
    std::vector<model::Shape> shapes;
    Style plain;
    convertChildren(clip, plain, transform.value_or(QTransform()), QTransform(), shapes, depth + 1);
    if (shapes.empty() || shapes.front().type == com::ShapeGroup) {
        warn(n, "clip path '" + ref + "' holds no single outline; drawn unclipped");
        return std::nullopt;
    }
    if (shapes.size() > 1)
        warn(n, "clip path '" + ref + "' holds several outlines; clipped to the first");
    model::Shape container = std::move(shapes.front());
    container.name.clear();
    container.fill = model::Fill{};
    container.outline = model::Outline{};
    container.powerClip.clear();
    if (!QTransform(render::toQTransform(container.matrix)).isInvertible())
        return std::nullopt;
    return container;
}

std::optional<model::Shape> Importer::leaf(xmlNode* n, const std::string& kind, const Style& s) {
    if (kind == "rect")
        return rect(n, s);
    if (kind == "circle" || kind == "ellipse")
        return ellipse(n, kind, s);
    if (kind == "line" || kind == "polyline" || kind == "polygon")
        return points(n, kind, s);
    if (kind == "path") {
        if (attr(n, "type", sodipodiNs).value_or("") == "arc")
            if (auto arc = inkscapeArc(n))
                return arc;
        return path(n);
    }
    if (kind == "text")
        return text(n, s);
    if (kind == "image")
        return image(n, s);
    throw BadElement("element not supported; left out");
}

model::Shape Importer::rect(xmlNode* n, const Style& s) {
    const double x = length(n, "x", 0, 0, s), y = length(n, "y", 0, 1, s);
    const double w = length(n, "width", 0, 0, s), h = length(n, "height", 0, 1, s);
    if (w < 0 || h < 0)
        throw BadElement("negative width or height");
    if (w == 0 || h == 0)
        throw BadElement("empty rectangle; left out");
    const bool hasRx = attr(n, "rx") && trimmed(*attr(n, "rx")) != "auto";
    const bool hasRy = attr(n, "ry") && trimmed(*attr(n, "ry")) != "auto";
    double rx = hasRx ? length(n, "rx", 0, 0, s) : 0;
    double ry = hasRy ? length(n, "ry", 0, 1, s) : 0;
    if (hasRx && !hasRy)
        ry = rx;
    if (hasRy && !hasRx)
        rx = ry;
    rx = std::clamp(rx, 0.0, w / 2);
    ry = std::clamp(ry, 0.0, h / 2);
    const double rxMm = rx * mirror_.kx, ryMm = ry * mirror_.ky;
    model::Shape r = model::shape(com::ShapeRectangle, mirror_.x(x), mirror_.y(y + h),
                                  w * mirror_.kx, h * mirror_.ky);
    if (std::fabs(rxMm - ryMm) <= 1e-9 * std::max(rxMm, ryMm)) {
        r.corners = model::Corners{rxMm, rxMm, rxMm, rxMm};
        return r;
    }
    // Elliptic corners: the rectangle's outline as a curve.
    model::Subpath p;
    p.nodes.push_back(model::moveTo(x + rx, y));
    p.nodes.push_back(model::lineTo(x + w - rx, y));
    appendArc(p, x + w - rx, y, rx, ry, 0, false, true, x + w, y + ry);
    p.nodes.push_back(model::lineTo(x + w, y + h - ry));
    appendArc(p, x + w, y + h - ry, rx, ry, 0, false, true, x + w - rx, y + h);
    p.nodes.push_back(model::lineTo(x + rx, y + h));
    appendArc(p, x + rx, y + h, rx, ry, 0, false, true, x, y + h - ry);
    p.nodes.push_back(model::lineTo(x, y + ry));
    appendArc(p, x, y + ry, rx, ry, 0, false, true, x + rx, y);
    p.closed = true;
    return model::curve({mapped(p)});
}

model::Shape Importer::ellipse(xmlNode* n, const std::string& kind, const Style& s) {
    const double cx = length(n, "cx", 0, 0, s), cy = length(n, "cy", 0, 1, s);
    double rx, ry;
    if (kind == "circle") {
        rx = ry = length(n, "r", 0, 2, s);
    } else {
        const bool autoX = trimmed(attr(n, "rx").value_or("auto")) == "auto";
        const bool autoY = trimmed(attr(n, "ry").value_or("auto")) == "auto";
        rx = autoX ? 0 : length(n, "rx", 0, 0, s);
        ry = autoY ? 0 : length(n, "ry", 0, 1, s);
        if (autoX)
            rx = ry;
        if (autoY)
            ry = rx;
    }
    if (rx < 0 || ry < 0)
        throw BadElement("negative radius");
    if (rx == 0 || ry == 0)
        throw BadElement("empty ellipse; left out");
    return model::shape(com::ShapeEllipse, mirror_.x(cx - rx), mirror_.y(cy + ry),
                        2 * rx * mirror_.kx, 2 * ry * mirror_.ky);
}

// Inkscape keeps the ellipse an arc was drawn from next to its path data;
// reading it keeps the arc an ellipse instead of a curve.
std::optional<model::Shape> Importer::inkscapeArc(xmlNode* n) {
    auto number = [&](const char* key) -> std::optional<double> {
        const auto t = attr(n, key, sodipodiNs);
        return t ? parseNumber(*t) : std::nullopt;
    };
    const auto cx = number("cx"), cy = number("cy"), rx = number("rx"), ry = number("ry");
    const auto start = number("start"), end = number("end");
    if (!cx || !cy || !rx || !ry || !start || !end || *rx <= 0 || *ry <= 0)
        return std::nullopt;
    const std::string type = attr(n, "arc-type", sodipodiNs).value_or("");
    const bool open = attr(n, "open", sodipodiNs).value_or("") == "true";
    int32_t kind;
    if (type == "arc" || (type.empty() && open))
        kind = model::EllipseArc;
    else if (type == "slice" || (type.empty() && !open))
        kind = model::EllipsePie;
    else
        return std::nullopt; // a chord: the path data has it
    model::Shape e = model::shape(com::ShapeEllipse, mirror_.x(*cx - *rx), mirror_.y(*cy + *ry),
                                  2 * *rx * mirror_.kx, 2 * *ry * mirror_.ky);
    // Inkscape runs clockwise on the screen from start to end (radians, y
    // down); the drawing counter-clockwise, so the ends swap and flip.
    auto degrees = [](double radians) {
        double d = std::fmod(-radians * 180 / pi, 360.0);
        return d < 0 ? d + 360 : d;
    };
    e.arcs = model::EllipseArcs{kind, degrees(*end), degrees(*start)};
    return e;
}

model::Shape Importer::points(xmlNode* n, const std::string& kind, const Style& s) {
    model::Subpath p;
    if (kind == "line") {
        p.nodes = {model::moveTo(length(n, "x1", 0, 0, s), length(n, "y1", 0, 1, s)),
                   model::lineTo(length(n, "x2", 0, 0, s), length(n, "y2", 0, 1, s))};
    } else {
        const std::string text = attr(n, "points").value_or("");
        Scanner sc(text);
        std::vector<double> v;
        sc.skipSpaces();
        while (!sc.atEnd()) {
            double x = 0;
            if (!sc.number(x))
                break;
            v.push_back(x);
            sc.skipCommaSpaces();
        }
        if (!sc.atEnd())
            warn(n, "points broken at character " + std::to_string(sc.pos() + 1) +
                        "; the points before it are read");
        if (v.size() % 2 == 1) {
            warn(n, "odd number of coordinates; the last is left out");
            v.pop_back();
        }
        if (v.size() < 4)
            throw BadElement("fewer than two points; left out");
        for (size_t i = 0; i < v.size(); i += 2)
            p.nodes.push_back(i == 0 ? model::moveTo(v[0], v[1]) : model::lineTo(v[i], v[i + 1]));
        p.closed = kind == "polygon";
    }
    return model::curve({mapped(p)});
}

model::Shape Importer::path(xmlNode* n) {
    const std::string d = attr(n, "d").value_or("");
    std::string error;
    const std::vector<model::Subpath> parsed = parsePathData(d, &error);
    std::vector<model::Subpath> paths;
    for (const model::Subpath& p : parsed)
        if (p.nodes.size() > 1)
            paths.push_back(mapped(p));
    if (paths.empty())
        throw BadElement(error.empty() ? "no path data; left out" : "path data: " + error);
    if (!error.empty())
        warn(n, "path data: " + error + "; the part before it is read");
    return model::curve(std::move(paths));
}

std::optional<model::Shape> Importer::text(xmlNode* n, const Style& s) {
    struct Line {
        std::string text;
        std::optional<double> y;
    };
    std::vector<Line> lines(1);
    std::optional<double> x, y;
    auto first = [&](const xmlNode* e, const char* key, int axis) -> std::optional<double> {
        const auto t = attr(e, key);
        if (!t)
            return std::nullopt;
        std::string_view v = trimmed(*t);
        v = v.substr(0, std::min(v.find(' '), v.find(',')));
        const auto l = parseLength(v);
        if (!l)
            throw BadElement(std::string("bad ") + key + " '" + *t + "'");
        return toUser(*l, axis, s.fontSize);
    };
    x = first(n, "x", 0);
    y = first(n, "y", 1);
    lines[0].y = y;
    // Lines: a tspan that moves down (its own y, or a dy) starts one;
    // tspans that only move along the line continue it.
    bool begun = false;
    std::function<void(const xmlNode*, bool)> walk = [&](const xmlNode* e, bool preserve) {
        for (const xmlNode* c = e->children; c; c = c->next) {
            if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE ||
                c->type == XML_ENTITY_REF_NODE) {
                std::string t = content(c);
                for (char& ch : t)
                    if (ch == '\n' || ch == '\r' || ch == '\t')
                        ch = preserve || ch == '\t' ? ' ' : '\x01';
                t.erase(std::remove(t.begin(), t.end(), '\x01'), t.end());
                lines.back().text += t;
                begun = begun || !trimmed(t).empty();
            } else if (isSvgElement(c) &&
                       (name(c) == "tspan" || name(c) == "textPath" || name(c) == "a")) {
                const auto tx = first(c, "x", 0);
                const auto ty = first(c, "y", 1);
                const auto dy = first(c, "dy", 1);
                if (!begun) {
                    // The first line is where its first part is.
                    if (tx)
                        x = tx;
                    if (ty)
                        y = ty;
                    if (dy)
                        y = y.value_or(0) + *dy;
                    lines.back().y = y;
                } else if ((ty && (!lines.back().y || *ty != *lines.back().y)) ||
                           (dy && *dy != 0)) {
                    lines.push_back(Line{
                        {}, ty ? ty : std::optional<double>(lines.back().y.value_or(0) + *dy)});
                }
                begun = true;
                const auto space = attr(c, "space", xmlNs);
                walk(c, space ? *space == "preserve" : preserve);
            }
        }
    };
    walk(n, s.preserveSpace);
    std::u16string joined;
    bool any = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string t = lines[i].text;
        if (!s.preserveSpace) {
            std::string collapsed;
            for (char ch : t)
                if (!(ch == ' ' && (collapsed.empty() || collapsed.back() == ' ')))
                    collapsed += ch;
            t = std::string(trimmed(collapsed));
        }
        any = any || !t.empty();
        if (i)
            joined += u'\n';
        joined += utf16(t);
    }
    if (!any)
        return std::nullopt;
    model::Text t;
    t.text = joined;
    t.font = s.font;
    t.size = s.fontSize * mirror_.ky * pointsPerMillimetre;
    t.bold = s.bold;
    t.italic = s.italic;
    t.underline = s.underline;
    const QSizeF extent = render::textExtent(t);
    double left = mirror_.x(x.value_or(0));
    left -= s.anchor == 1 ? extent.width() / 2 : s.anchor == 2 ? extent.width() : 0;
    const double top = mirror_.y(y.value_or(0)) + render::textAscent(t);
    model::Shape shape =
        model::shape(com::ShapeText, left, top - extent.height(), extent.width(), extent.height());
    shape.text = t;
    return shape;
}

QImage Importer::loadImage(const std::string& href) {
    const std::string_view h = trimmed(href);
    if (h.rfind("data:", 0) == 0) {
        const size_t comma = h.find(',');
        if (comma == std::string_view::npos)
            throw BadElement("broken data URI");
        const std::string_view head = h.substr(5, comma - 5);
        const QByteArray payload = QByteArray::fromRawData(
            h.data() + comma + 1, static_cast<qsizetype>(h.size() - comma - 1));
        const QByteArray bytes = head.find(";base64") != std::string_view::npos
                                     ? QByteArray::fromBase64(payload)
                                     : QByteArray::fromPercentEncoding(payload);
        QImage img;
        if (!img.loadFromData(bytes))
            throw BadElement("image data that cannot be read (" + std::string(head) + ")");
        return img;
    }
    const QUrl url(QString::fromStdString(std::string(h)));
    if (!url.scheme().isEmpty() && url.scheme() != QStringLiteral("file") &&
        url.scheme().size() > 1) // a drive letter is no scheme
        throw BadElement("image '" + std::string(h) + "' is not in the file; left out");
    if (baseDir_.isEmpty())
        throw BadElement("image '" + std::string(h) + "' refers to a file; left out");
    const QString file =
        url.isLocalFile() ? url.toLocalFile()
                          : QDir(baseDir_).absoluteFilePath(QString::fromStdString(std::string(h)));
    QImage img(file);
    if (img.isNull())
        throw BadElement("image file '" + file.toStdString() + "' cannot be read");
    return img;
}

std::optional<model::Shape> Importer::image(xmlNode* n, const Style& s) {
    auto href = attr(n, "href", xlinkNs);
    if (!href)
        href = attr(n, "href");
    if (!href)
        throw BadElement("no image given");
    const QImage img = loadImage(*href);
    const double x = length(n, "x", 0, 0, s), y = length(n, "y", 0, 1, s);
    double w = length(n, "width", img.width(), 0, s), h = length(n, "height", img.height(), 1, s);
    if (w <= 0 || h <= 0)
        throw BadElement("empty image; left out");
    double left = x, top = y;
    const std::string aspect = std::string(trimmed(attr(n, "preserveAspectRatio").value_or("")));
    if (aspect.rfind("none", 0) != 0) {
        if (aspect.find("slice") != std::string::npos)
            warn(n, "preserveAspectRatio slice is drawn as meet");
        const double k = std::min(w / img.width(), h / img.height());
        const double ax = aspect.rfind("xMin", 0) == 0 ? 0 : aspect.rfind("xMax", 0) == 0 ? 1 : 0.5;
        const double ay = aspect.find("YMin") != std::string::npos   ? 0
                          : aspect.find("YMax") != std::string::npos ? 1
                                                                     : 0.5;
        left += (w - k * img.width()) * ax;
        top += (h - k * img.height()) * ay;
        w = k * img.width();
        h = k * img.height();
    }
    model::Shape b = model::shape(com::ShapeBitmap, mirror_.x(left), mirror_.y(top + h),
                                  w * mirror_.kx, h * mirror_.ky);
    b.bitmap.pixels = render::fromQImage(img);
    b.bitmap.resolutionX = img.width() / (b.width / 25.4);
    b.bitmap.resolutionY = img.height() / (b.height / 25.4);
    b.bitmap.imageMode =
        b.bitmap.pixels.format == model::PixelGray8 ? model::ImageGrayscale : model::ImageRGB;
    return b;
}

std::vector<model::ColorStop> Importer::stopsOf(xmlNode* grad, int depth) {
    std::vector<model::ColorStop> stops;
    double last = 0;
    for (xmlNode* c = grad->children; c; c = c->next) {
        if (!isSvgElement(c) || name(c) != "stop")
            continue;
        Style s;
        Own own;
        computeStyle(c, s, own);
        double offset = 0;
        if (auto o = attr(c, "offset")) {
            std::string_view v = trimmed(*o);
            double scale = 1;
            if (!v.empty() && v.back() == '%') {
                v.remove_suffix(1);
                scale = 0.01;
            }
            const auto x = parseNumber(v);
            if (!x)
                warn(c, "bad offset '" + *o + "'");
            offset = x ? *x * scale : 0;
        }
        offset = std::max(last, std::clamp(offset, 0.0, 1.0));
        last = offset;
        const QColor col = own.stopColor;
        stops.push_back(model::ColorStop{offset, model::rgb(col.red(), col.green(), col.blue())});
    }
    if (stops.empty() && depth < referenceDepthLimit) {
        auto href = attr(grad, "href", xlinkNs);
        if (!href)
            href = attr(grad, "href");
        if (href)
            if (xmlNode* t = target(*href))
                return stopsOf(t, depth + 1);
    }
    return stops;
}

std::optional<model::Fill> Importer::gradientFill(xmlNode* grad, const model::Shape& shape,
                                                  const Style& s) {
    const std::string kind = name(grad);
    const std::vector<model::ColorStop> stops = stopsOf(grad, 0);
    if (stops.empty())
        return model::Fill{}; // a gradient without stops paints nothing
    if (stops.size() == 1)
        return model::uniform(stops[0].color);
    // Attributes along the chain of references, the nearest first.
    auto inherited = [&](const char* key) -> std::optional<std::string> {
        xmlNode* g = grad;
        for (int i = 0; g && i < referenceDepthLimit; ++i) {
            if (auto v = attr(g, key))
                return v;
            auto href = attr(g, "href", xlinkNs);
            if (!href)
                href = attr(g, "href");
            g = href ? target(*href) : nullptr;
        }
        return std::nullopt;
    };
    const bool userSpace = inherited("gradientUnits").value_or("") == "userSpaceOnUse";
    const auto gt = parseTransform(inherited("gradientTransform").value_or(""));
    if (!gt)
        throw BadElement("bad gradientTransform in '" + attr(grad, "id").value_or("") + "'");
    auto value = [&](const char* key, const char* fallback, int axis) {
        const std::string text = inherited(key).value_or(fallback);
        const auto l = parseLength(text);
        if (!l)
            throw BadElement(std::string("bad ") + key + " '" + text + "' in gradient");
        if (!userSpace)
            return l->unit == "%" ? l->value / 100 : l->value;
        return toUser(*l, axis, s.fontSize);
    };
    const auto box = model::localBox(shape);
    if (!box || box->width <= 0 || box->height <= 0)
        return model::uniform(stops[0].color);
    // Points in model fractions of the local box.
    auto place = [&](double px, double py, double& fx, double& fy) {
        const QPointF p = gt->map(QPointF(px, py));
        if (userSpace) {
            fx = (mirror_.x(p.x()) - box->x) / box->width;
            fy = (mirror_.y(p.y()) - box->y) / box->height;
        } else {
            fx = p.x();
            fy = 1 - p.y();
        }
    };
    model::Fill f;
    f.type = com::FillFountain;
    f.fountain.stops = stops;
    if (kind == "linearGradient") {
        f.fountain.kind = model::FountainLinear;
        place(value("x1", "0%", 0), value("y1", "0%", 1), f.fountain.startX, f.fountain.startY);
        place(value("x2", "100%", 0), value("y2", "0%", 1), f.fountain.endX, f.fountain.endY);
    } else {
        f.fountain.kind = model::FountainRadial;
        const double cx = value("cx", "50%", 0), cy = value("cy", "50%", 1);
        const double r = value("r", "50%", 2);
        place(cx, cy, f.fountain.startX, f.fountain.startY);
        place(cx + r, cy, f.fountain.endX, f.fountain.endY);
        if (!userSpace) {
            // A fraction of a box that is not square: the drawing's circle
            // takes the radius along x.
            f.fountain.endY = f.fountain.startY;
        }
    }
    return f;
}

void Importer::paint(model::Shape& shape, xmlNode* n, const Style& s, const QTransform& ctm) {
    if (shape.type == com::ShapeBitmap || shape.type == com::ShapeGroup)
        return;
    auto solid = [](const QColor& c) {
        return model::rgb(c.red(), c.green(), c.blue());
    };
    auto resolve = [&](const Paint& p, bool forFill) -> std::optional<model::Fill> {
        switch (p.kind) {
        case Paint::None:
            return model::Fill{};
        case Paint::Solid:
            return model::uniform(solid(p.color));
        case Paint::Current:
            return model::uniform(solid(s.color));
        case Paint::Url:
            break;
        }
        xmlNode* g = target("#" + p.url);
        if (g && (name(g) == "linearGradient" || name(g) == "radialGradient")) {
            auto f = gradientFill(g, shape, s);
            if (f && !forFill && f->type == com::FillFountain)
                return model::uniform(f->fountain.stops.front().color);
            return f;
        }
        if (p.fallback == Paint::Solid)
            return model::uniform(solid(p.color));
        warn(n, g ? "paint '" + p.url + "' is not a gradient; painted with nothing"
                  : "paint '" + p.url + "' refers to nothing; painted with nothing");
        return model::Fill{};
    };
    const bool isLine = shape.type == com::ShapeCurve && shape.paths.size() == 1 &&
                        !shape.paths[0].closed && name(n) == "line";
    if (!isLine && s.fillOpacity > 0)
        if (auto f = resolve(s.fill, true))
            shape.fill = *f;
    if (s.strokeOpacity > 0 && s.strokeWidth > 0) {
        const auto f = resolve(s.stroke, false);
        if (f && f->type == com::FillUniform) {
            // Outline widths stay as they are whatever the matrix does;
            // SVG strokes scale with the transforms, so the width takes
            // their (mean) scale.
            const double scale = std::sqrt(std::fabs(ctm.determinant()) * mirror_.kx * mirror_.ky);
            shape.outline.width = s.strokeWidth * scale;
            shape.outline.color = f->color;
            shape.outline.cap = s.cap;
            shape.outline.join = s.join;
            for (double d : s.dashes)
                shape.outline.dashes.push_back(d / s.strokeWidth);
        }
    }
}

} // namespace

model::Drawing svgFromBytes(const QByteArray& data, const QString& where, QStringList* warnings,
                            const QString& baseDir) {
    Importer importer(where.isEmpty() ? QStringLiteral("SVG data") : where, baseDir, warnings);
    return importer.run(data);
}

model::Drawing loadSvg(const QString& path, QStringList* warnings) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw SvgError(
            (path + QStringLiteral(": cannot be read: ") + file.errorString()).toStdString());
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw SvgError(
            (path + QStringLiteral(": cannot be read: ") + file.errorString()).toStdString());
    return svgFromBytes(data, path, warnings, QFileInfo(path).absolutePath());
}

} // namespace mosvik::host::files
