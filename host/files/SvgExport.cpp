#include "SvgExport.h"

#include "SvgImport.h"
#include "host/render/Renderer.h"

#include <QBuffer>
#include <QImage>
#include <QSaveFile>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace mosvik::host::files {

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double millimetresPerPoint = 25.4 / 72.0;

QString num(double v) {
    if (!std::isfinite(v))
        throw SvgError("the drawing holds a number that is not finite");
    // Twelve digits keep a micrometre on a page of a kilometre and drop
    // the noise of the last bits ("50.000000000000014").
    const QString text = QString::number(v, 'g', 12);
    return text == QStringLiteral("-0") ? QStringLiteral("0") : text;
}

QString point(double x, double y) {
    return num(x) + QLatin1Char(',') + num(y);
}

bool isNameStart(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c >= 0xC0;
}

bool isNameChar(char16_t c) {
    return isNameStart(c) || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.' || c == 0xB7;
}

// An XML id (an NCName), so the name can stand as the element's id.
bool validId(const std::u16string& s) {
    return !s.empty() && isNameStart(s[0]) && std::all_of(s.begin(), s.end(), isNameChar);
}

void countNames(const std::vector<model::Shape>& shapes, std::map<std::u16string, int>& counts) {
    for (const model::Shape& s : shapes) {
        ++counts[s.name];
        countNames(s.children, counts);
        countNames(s.powerClip, counts);
    }
}

double scaleOf(const model::Matrix& m) {
    return std::sqrt(std::fabs(m.m11 * m.m22 - m.m12 * m.m21));
}

class Exporter {
public:
    Exporter(QXmlStreamWriter& w, const model::Page& page)
        : w_(w), page_(page), top_(page.y + page.height) {
        for (const model::Layer& l : page.layers)
            countNames(l.shapes, names_);
        for (const auto& [name, count] : names_)
            if (count == 1 && validId(name))
                used_.insert(QString::fromStdU16String(name));
    }

    void page() {
        w_.writeStartElement(QStringLiteral("svg"));
        w_.writeAttribute(QStringLiteral("xmlns"), QStringLiteral("http://www.w3.org/2000/svg"));
        w_.writeAttribute(QStringLiteral("xmlns:xlink"),
                          QStringLiteral("http://www.w3.org/1999/xlink"));
        w_.writeAttribute(QStringLiteral("xmlns:inkscape"),
                          QStringLiteral("http://www.inkscape.org/namespaces/inkscape"));
        w_.writeAttribute(QStringLiteral("xmlns:sodipodi"),
                          QStringLiteral("http://sodipodi.sourceforge.net/DTD/sodipodi-0.dtd"));
        w_.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
        w_.writeAttribute(QStringLiteral("width"), num(page_.width) + QStringLiteral("mm"));
        w_.writeAttribute(QStringLiteral("height"), num(page_.height) + QStringLiteral("mm"));
        w_.writeAttribute(QStringLiteral("viewBox"), QStringLiteral("0 0 ") + num(page_.width) +
                                                         QLatin1Char(' ') + num(page_.height));
        if (!page_.name.empty())
            w_.writeTextElement(QStringLiteral("title"), QString::fromStdU16String(page_.name));
        for (const model::Layer& l : page_.layers) {
            w_.writeStartElement(QStringLiteral("g"));
            w_.writeAttribute(QStringLiteral("id"), fresh(QStringLiteral("layer")));
            w_.writeAttribute(QStringLiteral("inkscape:groupmode"), QStringLiteral("layer"));
            w_.writeAttribute(QStringLiteral("inkscape:label"), QString::fromStdU16String(l.name));
            if (!l.visible)
                w_.writeAttribute(QStringLiteral("style"), QStringLiteral("display:none"));
            for (const model::Shape& s : l.shapes)
                shape(s, 1);
            w_.writeEndElement();
        }
        w_.writeEndElement();
    }

private:
    // Page millimetres (y up) to user units of the file (y down).
    double X(double x) const { return x - page_.x; }
    double Y(double y) const { return top_ - y; }

    QString fresh(const QString& stem) {
        for (int i = 1;; ++i) {
            const QString id = stem + QString::number(i);
            if (used_.insert(id).second)
                return id;
        }
    }

    void writeName(const model::Shape& s) {
        if (s.name.empty())
            return;
        auto it = names_.find(s.name);
        if (it != names_.end() && it->second == 1 && validId(s.name))
            w_.writeAttribute(QStringLiteral("id"), QString::fromStdU16String(s.name));
        else
            w_.writeAttribute(QStringLiteral("inkscape:label"), QString::fromStdU16String(s.name));
    }

    // The matrix seen through the mirror of the page: F M F^-1 with
    // F(x, y) = (x - page.x, top - y).
    void writeTransform(const model::Matrix& m) {
        if (m.isIdentity())
            return;
        const double ox = -page_.x, oy = top_;
        const double a = m.m11, b = -m.m12, c = -m.m21, d = m.m22;
        const double e = -(a * ox + c * oy) + m.dx + ox;
        const double f = -(b * ox + d * oy) - m.dy + oy;
        w_.writeAttribute(QStringLiteral("transform"),
                          QStringLiteral("matrix(") + num(a) + QLatin1Char(' ') + num(b) +
                              QLatin1Char(' ') + num(c) + QLatin1Char(' ') + num(d) +
                              QLatin1Char(' ') + num(e) + QLatin1Char(' ') + num(f) +
                              QLatin1Char(')'));
    }

    static QString color(const model::Color& c) {
        const QColor q = render::toQColor(c);
        return q.alpha() == 0 ? QStringLiteral("none") : q.name(QColor::HexRgb);
    }

    // A gradient in the user space of the shape (defs just before it).
    QString gradient(const model::Shape& s) {
        const model::Fountain& f = s.fill.fountain;
        const model::Box box = model::localBox(s).value_or(model::Box{});
        const double sx = box.x + f.startX * box.width, sy = box.y + f.startY * box.height;
        const double ex = box.x + f.endX * box.width, ey = box.y + f.endY * box.height;
        const QString id = fresh(QStringLiteral("gradient"));
        w_.writeStartElement(QStringLiteral("defs"));
        const bool radial = f.kind == model::FountainRadial;
        w_.writeStartElement(radial ? QStringLiteral("radialGradient")
                                    : QStringLiteral("linearGradient"));
        w_.writeAttribute(QStringLiteral("id"), id);
        w_.writeAttribute(QStringLiteral("gradientUnits"), QStringLiteral("userSpaceOnUse"));
        if (radial) {
            w_.writeAttribute(QStringLiteral("cx"), num(X(sx)));
            w_.writeAttribute(QStringLiteral("cy"), num(Y(sy)));
            w_.writeAttribute(QStringLiteral("r"), num(std::hypot(ex - sx, ey - sy)));
        } else {
            w_.writeAttribute(QStringLiteral("x1"), num(X(sx)));
            w_.writeAttribute(QStringLiteral("y1"), num(Y(sy)));
            w_.writeAttribute(QStringLiteral("x2"), num(X(ex)));
            w_.writeAttribute(QStringLiteral("y2"), num(Y(ey)));
        }
        std::vector<model::ColorStop> stops = f.stops;
        std::stable_sort(stops.begin(), stops.end(),
                         [](const auto& a, const auto& b) { return a.position < b.position; });
        for (const model::ColorStop& stop : stops) {
            w_.writeEmptyElement(QStringLiteral("stop"));
            w_.writeAttribute(QStringLiteral("offset"), num(std::clamp(stop.position, 0.0, 1.0)));
            const QString c = color(stop.color);
            w_.writeAttribute(QStringLiteral("stop-color"),
                              c == QStringLiteral("none") ? QStringLiteral("#000000") : c);
            if (c == QStringLiteral("none"))
                w_.writeAttribute(QStringLiteral("stop-opacity"), QStringLiteral("0"));
        }
        w_.writeEndElement();
        w_.writeEndElement();
        return id;
    }

    void writePaint(const model::Shape& s, bool fill, bool stroke, const QString& gradientId,
                    double scale) {
        QString f = QStringLiteral("none");
        if (fill && s.fill.type == com::FillUniform)
            f = color(s.fill.color);
        else if (fill && !gradientId.isEmpty())
            f = QStringLiteral("url(#") + gradientId + QLatin1Char(')');
        w_.writeAttribute(QStringLiteral("fill"), f);
        const model::Outline& o = s.outline;
        const QString c = color(o.color);
        if (!stroke || o.width <= 0 || c == QStringLiteral("none")) {
            w_.writeAttribute(QStringLiteral("stroke"), QStringLiteral("none"));
            return;
        }
        // The outline keeps its width on the page whatever the matrices
        // do; SVG scales strokes with the transforms, so the width is
        // divided by their scale.
        const double width = scale > 0 ? o.width / scale : o.width;
        w_.writeAttribute(QStringLiteral("stroke"), c);
        w_.writeAttribute(QStringLiteral("stroke-width"), num(width));
        if (!o.dashes.empty()) {
            QStringList dashes;
            for (double d : o.dashes)
                dashes << num(d * width);
            w_.writeAttribute(QStringLiteral("stroke-dasharray"), dashes.join(QLatin1Char(' ')));
        }
        if (o.cap != model::CapButt)
            w_.writeAttribute(QStringLiteral("stroke-linecap"), o.cap == model::CapRound
                                                                    ? QStringLiteral("round")
                                                                    : QStringLiteral("square"));
        if (o.join != model::JoinMiter)
            w_.writeAttribute(QStringLiteral("stroke-linejoin"), o.join == model::JoinRound
                                                                     ? QStringLiteral("round")
                                                                     : QStringLiteral("bevel"));
    }

    void shape(const model::Shape& s, double parentScale) {
        const double scale = parentScale * scaleOf(s.matrix);
        if (s.type == com::ShapeGroup) {
            w_.writeStartElement(QStringLiteral("g"));
            writeName(s);
            writeTransform(s.matrix);
            for (const model::Shape& c : s.children)
                shape(c, scale);
            w_.writeEndElement();
            return;
        }
        if (s.powerClip.empty()) {
            element(s, true, true, true, true, scale);
            return;
        }
        // Fill below the contents, the outline above them, as the host
        // paints a container.
        const bool filled = s.type == com::ShapeBitmap || s.fill.type != com::FillNone;
        if (filled)
            element(s, true, false, true, false, scale);
        const QString clipId = fresh(QStringLiteral("clip"));
        w_.writeStartElement(QStringLiteral("defs"));
        w_.writeStartElement(QStringLiteral("clipPath"));
        w_.writeAttribute(QStringLiteral("id"), clipId);
        model::Shape outline = s;
        outline.matrix = model::Matrix{};
        outline.powerClip.clear();
        outline.name.clear();
        if (outline.type == com::ShapeBitmap) // its box clips, not its pixels
            outline.type = com::ShapeRectangle;
        element(outline, false, false, false, false, 1);
        w_.writeEndElement();
        w_.writeEndElement();
        w_.writeStartElement(QStringLiteral("g"));
        writeName(s);
        writeTransform(s.matrix);
        w_.writeAttribute(QStringLiteral("clip-path"),
                          QStringLiteral("url(#") + clipId + QLatin1Char(')'));
        for (const model::Shape& c : s.powerClip)
            shape(c, scale);
        w_.writeEndElement();
        if (s.outline.width > 0 && render::toQColor(s.outline.color).alpha() > 0) {
            model::Shape edge = s;
            edge.powerClip.clear();
            if (edge.type == com::ShapeBitmap)
                edge.type = com::ShapeRectangle;
            element(edge, false, true, true, false, scale);
        }
    }

    void startElement(const QString& tag, const model::Shape& s, bool fill, bool stroke,
                      bool transform, bool named, double scale, bool painted) {
        QString gradientId;
        if (painted && fill && s.fill.type == com::FillFountain && !s.fill.fountain.stops.empty())
            gradientId = gradient(s);
        w_.writeStartElement(tag);
        if (named)
            writeName(s);
        if (transform)
            writeTransform(s.matrix);
        if (painted)
            writePaint(s, fill, stroke, gradientId, scale);
    }

    // One shape's own element (not its contents). Without paint it is an
    // outline for a clip path.
    void element(const model::Shape& s, bool fill, bool stroke, bool transform, bool named,
                 double scale) {
        const bool painted = fill || stroke || transform;
        const QRectF b = QRectF(s.x, s.y, s.width, s.height).normalized();
        const double left = X(b.left()), top = Y(b.bottom()), w = b.width(), h = b.height();
        switch (s.type) {
        case com::ShapeEllipse:
            if (s.arcs.kind == model::EllipseFull) {
                startElement(QStringLiteral("ellipse"), s, fill, stroke, transform, named, scale,
                             painted);
                w_.writeAttribute(QStringLiteral("cx"), num(left + w / 2));
                w_.writeAttribute(QStringLiteral("cy"), num(top + h / 2));
                w_.writeAttribute(QStringLiteral("rx"), num(w / 2));
                w_.writeAttribute(QStringLiteral("ry"), num(h / 2));
            } else {
                startElement(QStringLiteral("path"), s, fill, stroke, transform, named, scale,
                             painted);
                arc(s, left + w / 2, top + h / 2, w / 2, h / 2);
            }
            break;
        case com::ShapeCurve:
            startElement(QStringLiteral("path"), s, fill, stroke, transform, named, scale, painted);
            w_.writeAttribute(QStringLiteral("d"), curveData(s));
            // The host fills curves even-odd.
            w_.writeAttribute(painted ? QStringLiteral("fill-rule") : QStringLiteral("clip-rule"),
                              QStringLiteral("evenodd"));
            break;
        case com::ShapeText:
            startElement(QStringLiteral("text"), s, fill, stroke, transform, named, scale, painted);
            text(s, b);
            return;
        case com::ShapeBitmap:
            startElement(QStringLiteral("image"), s, false, false, transform, named, scale, false);
            image(s, left, top, w, h);
            w_.writeEndElement();
            if (stroke && s.outline.width > 0 && render::toQColor(s.outline.color).alpha() > 0) {
                model::Shape edge = s;
                edge.type = com::ShapeRectangle;
                edge.corners = model::Corners{};
                element(edge, false, true, transform, false, scale);
            }
            return;
        default: {
            const model::Corners& c = s.corners;
            const double half = std::min(w, h) / 2;
            auto r = [&](double v) {
                return std::clamp(v, 0.0, half);
            };
            const bool even = c.lowerLeft == c.lowerRight && c.lowerLeft == c.upperLeft &&
                              c.lowerLeft == c.upperRight;
            if (s.type != com::ShapeRectangle || even) {
                startElement(QStringLiteral("rect"), s, fill, stroke, transform, named, scale,
                             painted);
                w_.writeAttribute(QStringLiteral("x"), num(left));
                w_.writeAttribute(QStringLiteral("y"), num(top));
                w_.writeAttribute(QStringLiteral("width"), num(w));
                w_.writeAttribute(QStringLiteral("height"), num(h));
                if (s.type == com::ShapeRectangle && r(c.lowerLeft) > 0)
                    w_.writeAttribute(QStringLiteral("rx"), num(r(c.lowerLeft)));
            } else {
                startElement(QStringLiteral("path"), s, fill, stroke, transform, named, scale,
                             painted);
                const double ll = r(c.lowerLeft), lr = r(c.lowerRight), ur = r(c.upperRight),
                             ul = r(c.upperLeft);
                const double right = left + w, bottom = top + h;
                auto corner = [&](double radius, double x, double y) {
                    return radius > 0 ? QStringLiteral(" A") + num(radius) + QLatin1Char(',') +
                                            num(radius) + QStringLiteral(" 0 0 0 ") + point(x, y)
                                      : QString();
                };
                // Round the box counter-clockwise on the screen from the
                // lower-left corner, as the host draws it.
                QString d = QStringLiteral("M") + point(left + ll, bottom) + QStringLiteral(" H") +
                            num(right - lr) + corner(lr, right, bottom - lr) +
                            QStringLiteral(" V") + num(top + ur) + corner(ur, right - ur, top) +
                            QStringLiteral(" H") + num(left + ul) + corner(ul, left, top + ul) +
                            QStringLiteral(" V") + num(bottom - ll) +
                            corner(ll, left + ll, bottom) + QStringLiteral(" Z");
                w_.writeAttribute(QStringLiteral("d"), d);
            }
            break;
        }
        }
        w_.writeEndElement();
    }

    // Elliptic arcs and pies as path data, with the ellipse they come from
    // in Inkscape's attributes so that they are read back as ellipses.
    void arc(const model::Shape& s, double cx, double cy, double rx, double ry) {
        double sweep = std::fmod(s.arcs.endAngle - s.arcs.startAngle, 360.0);
        if (sweep <= 0)
            sweep += 360;
        auto at = [&](double degrees) {
            const double t = degrees * pi / 180;
            // Counter-clockwise on the page is decreasing angles in the
            // file's y-down space.
            return point(cx + rx * std::cos(t), cy - ry * std::sin(t));
        };
        const int pieces = sweep > 180 ? 2 : 1;
        QString d;
        if (s.arcs.kind == model::EllipsePie)
            d = QStringLiteral("M") + point(cx, cy) + QStringLiteral(" L") + at(s.arcs.startAngle);
        else
            d = QStringLiteral("M") + at(s.arcs.startAngle);
        for (int i = 1; i <= pieces; ++i)
            d += QStringLiteral(" A") + num(rx) + QLatin1Char(',') + num(ry) +
                 QStringLiteral(" 0 0 0 ") + at(s.arcs.startAngle + sweep * i / pieces);
        if (s.arcs.kind == model::EllipsePie)
            d += QStringLiteral(" Z");
        auto radians = [](double degrees) {
            double r = std::fmod(-degrees * pi / 180, 2 * pi);
            return r < 0 ? r + 2 * pi : r;
        };
        w_.writeAttribute(QStringLiteral("sodipodi:type"), QStringLiteral("arc"));
        w_.writeAttribute(QStringLiteral("sodipodi:cx"), num(cx));
        w_.writeAttribute(QStringLiteral("sodipodi:cy"), num(cy));
        w_.writeAttribute(QStringLiteral("sodipodi:rx"), num(rx));
        w_.writeAttribute(QStringLiteral("sodipodi:ry"), num(ry));
        w_.writeAttribute(QStringLiteral("sodipodi:start"), num(radians(s.arcs.endAngle)));
        w_.writeAttribute(QStringLiteral("sodipodi:end"), num(radians(s.arcs.startAngle)));
        const bool open = s.arcs.kind == model::EllipseArc;
        w_.writeAttribute(QStringLiteral("sodipodi:arc-type"),
                          open ? QStringLiteral("arc") : QStringLiteral("slice"));
        if (open)
            w_.writeAttribute(QStringLiteral("sodipodi:open"), QStringLiteral("true"));
        w_.writeAttribute(QStringLiteral("d"), d);
    }

    QString curveData(const model::Shape& s) const {
        QString d;
        for (const model::Subpath& p : s.paths) {
            for (const model::Node& n : p.nodes) {
                if (!d.isEmpty())
                    d += QLatin1Char(' ');
                if (n.type == model::NodeMove)
                    d += QStringLiteral("M") + point(X(n.x), Y(n.y));
                else if (n.type == model::NodeCubic)
                    d += QStringLiteral("C") + point(X(n.c1x), Y(n.c1y)) + QLatin1Char(' ') +
                         point(X(n.c2x), Y(n.c2y)) + QLatin1Char(' ') + point(X(n.x), Y(n.y));
                else
                    d += QStringLiteral("L") + point(X(n.x), Y(n.y));
            }
            if (p.closed && !p.nodes.empty())
                d += QStringLiteral(" Z");
        }
        return d;
    }

    // Attributes and content of a text element, and its end.
    void text(const model::Shape& s, const QRectF& b) {
        const model::Text& t = s.text;
        w_.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
        QString font = QString::fromStdU16String(t.font);
        if (font.contains(QLatin1Char(' ')) || font.contains(QLatin1Char(',')))
            font = QLatin1Char('\'') + font + QLatin1Char('\'');
        w_.writeAttribute(QStringLiteral("font-family"), font);
        w_.writeAttribute(QStringLiteral("font-size"), num(t.size * millimetresPerPoint));
        if (t.bold)
            w_.writeAttribute(QStringLiteral("font-weight"), QStringLiteral("bold"));
        if (t.italic)
            w_.writeAttribute(QStringLiteral("font-style"), QStringLiteral("italic"));
        if (t.underline)
            w_.writeAttribute(QStringLiteral("text-decoration"), QStringLiteral("underline"));
        const double left = X(b.left());
        const double baseline = Y(b.bottom()) + render::textAscent(t);
        const double spacing = render::textLineSpacing(t);
        w_.writeAttribute(QStringLiteral("x"), num(left));
        w_.writeAttribute(QStringLiteral("y"), num(baseline));
        const QStringList lines = QString::fromStdU16String(t.text).split(QLatin1Char('\n'));
        // Indenting would put spaces into the text.
        const bool formatting = w_.autoFormatting();
        w_.setAutoFormatting(false);
        if (lines.size() == 1) {
            w_.writeCharacters(lines[0]);
        } else {
            for (int i = 0; i < lines.size(); ++i) {
                w_.writeStartElement(QStringLiteral("tspan"));
                w_.writeAttribute(QStringLiteral("x"), num(left));
                w_.writeAttribute(QStringLiteral("y"), num(baseline + i * spacing));
                w_.writeCharacters(lines[i]);
                w_.writeEndElement();
            }
        }
        w_.writeEndElement();
        w_.setAutoFormatting(formatting);
    }

    void image(const model::Shape& s, double left, double top, double w, double h) {
        const QImage img = render::toQImage(s.bitmap.pixels);
        if (img.isNull())
            throw SvgError("a bitmap's pixels do not match its size");
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!img.save(&buffer, "PNG"))
            throw SvgError("a bitmap cannot be encoded as PNG");
        w_.writeAttribute(QStringLiteral("x"), num(left));
        w_.writeAttribute(QStringLiteral("y"), num(top));
        w_.writeAttribute(QStringLiteral("width"), num(w));
        w_.writeAttribute(QStringLiteral("height"), num(h));
        w_.writeAttribute(QStringLiteral("preserveAspectRatio"), QStringLiteral("none"));
        w_.writeAttribute(QStringLiteral("xlink:href"), QStringLiteral("data:image/png;base64,") +
                                                            QString::fromLatin1(png.toBase64()));
    }

    QXmlStreamWriter& w_;
    const model::Page& page_;
    double top_;
    std::map<std::u16string, int> names_;
    std::set<QString> used_;
};

const model::Page& pageOf(const model::Drawing& d, model::Id id) {
    if (id) {
        if (const model::Page* p = model::findPage(d, id))
            return *p;
        throw SvgError("the drawing has no page " + std::to_string(id));
    }
    if (const model::Page* p = model::findPage(d, d.activePage))
        return *p;
    if (d.pages.empty())
        throw SvgError("the drawing has no page");
    return d.pages.front();
}

} // namespace

QByteArray toSvg(const model::Drawing& drawing, model::Id page) {
    const model::Page& p = pageOf(drawing, page);
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(1);
    w.writeStartDocument();
    Exporter(w, p).page();
    w.writeEndDocument();
    return out;
}

void saveSvg(const model::Drawing& drawing, const QString& path, model::Id page) {
    const QByteArray data = toSvg(drawing, page);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw SvgError(
            (path + QStringLiteral(": cannot be written: ") + file.errorString()).toStdString());
    file.write(data);
    if (!file.commit())
        throw SvgError(
            (path + QStringLiteral(": cannot be written: ") + file.errorString()).toStdString());
}

} // namespace mosvik::host::files
