#include "SvgSyntax.h"

#include <QString>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace mosvik::host::files::svg {

namespace {

constexpr double pi = 3.14159265358979323846;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    return out;
}

// One colour component of rgb(): a number 0..255 or a percentage.
std::optional<int> component(std::string_view text, bool alpha) {
    text = trimmed(text);
    bool percent = false;
    if (!text.empty() && text.back() == '%') {
        percent = true;
        text.remove_suffix(1);
    }
    const auto v = parseNumber(text);
    if (!v)
        return std::nullopt;
    const double limit = alpha && !percent ? 1.0 : percent ? 100.0 : 255.0;
    return static_cast<int>(std::lround(std::clamp(*v, 0.0, limit) / limit * 255));
}

std::optional<QColor> functionalColor(std::string_view args, bool withAlpha) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    const bool commas = args.find(',') != std::string_view::npos;
    if (commas) {
        for (size_t i = 0; i <= args.size(); ++i)
            if (i == args.size() || args[i] == ',') {
                parts.push_back(trimmed(args.substr(start, i - start)));
                start = i + 1;
            }
    } else {
        // The newer space-separated form, "r g b / a".
        std::string_view rest = args;
        while (!(rest = trimmed(rest)).empty()) {
            size_t end = 0;
            while (end < rest.size() && !isSpace(rest[end]) && rest[end] != '/')
                ++end;
            if (end == 0) { // the slash before alpha
                rest.remove_prefix(1);
                continue;
            }
            parts.push_back(rest.substr(0, end));
            rest.remove_prefix(end);
        }
    }
    if (parts.size() != 3 && !(parts.size() == 4 && (withAlpha || !commas)))
        return std::nullopt;
    int v[4] = {0, 0, 0, 255};
    for (size_t i = 0; i < parts.size(); ++i) {
        const auto c = component(parts[i], i == 3);
        if (!c)
            return std::nullopt;
        v[i] = *c;
    }
    return QColor(v[0], v[1], v[2], v[3]);
}

int hexDigit(char c) {
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

void Scanner::skipSpaces() {
    while (!atEnd() && isSpace(s_[i_]))
        ++i_;
}

void Scanner::skipCommaSpaces() {
    skipSpaces();
    if (peek() == ',') {
        ++i_;
        skipSpaces();
    }
}

bool Scanner::number(double& out) {
    size_t j = i_;
    const size_t n = s_.size();
    if (j < n && (s_[j] == '+' || s_[j] == '-'))
        ++j;
    const size_t intStart = j;
    while (j < n && isDigit(s_[j]))
        ++j;
    const bool intDigits = j > intStart;
    bool fracDigits = false;
    if (j < n && s_[j] == '.') {
        size_t k = j + 1;
        while (k < n && isDigit(s_[k]))
            ++k;
        fracDigits = k > j + 1;
        if (fracDigits || intDigits)
            j = k;
    }
    if (!intDigits && !fracDigits)
        return false;
    if (j < n && (s_[j] == 'e' || s_[j] == 'E')) {
        size_t k = j + 1;
        if (k < n && (s_[k] == '+' || s_[k] == '-'))
            ++k;
        if (k < n && isDigit(s_[k])) {
            while (k < n && isDigit(s_[k]))
                ++k;
            j = k;
        }
    }
    size_t from = i_;
    if (s_[from] == '+')
        ++from;
    double v = 0;
    const auto result = std::from_chars(s_.data() + from, s_.data() + j, v);
    if (result.ec != std::errc() || result.ptr != s_.data() + j || !std::isfinite(v))
        return false;
    out = v;
    i_ = j;
    return true;
}

bool Scanner::flag(bool& out) {
    if (peek() != '0' && peek() != '1')
        return false;
    out = peek() == '1';
    ++i_;
    return true;
}

std::optional<double> parseNumber(std::string_view text) {
    Scanner sc(trimmed(text));
    double v = 0;
    if (!sc.number(v) || !sc.atEnd())
        return std::nullopt;
    return v;
}

std::optional<std::vector<double>> parseNumberList(std::string_view text) {
    std::vector<double> out;
    Scanner sc(text);
    sc.skipSpaces();
    while (!sc.atEnd()) {
        double v = 0;
        if (!sc.number(v))
            return std::nullopt;
        out.push_back(v);
        sc.skipCommaSpaces();
    }
    return out;
}

std::optional<Length> parseLength(std::string_view text) {
    Scanner sc(trimmed(text));
    Length l;
    if (!sc.number(l.value))
        return std::nullopt;
    l.unit = lower(sc.rest());
    static const char* const units[] = {"", "px", "mm", "cm", "in", "pt", "pc", "em", "ex", "%"};
    for (const char* u : units)
        if (l.unit == u)
            return l;
    return std::nullopt;
}

std::optional<double> pixelsPerUnit(const std::string& unit) {
    if (unit.empty() || unit == "px")
        return 1.0;
    if (unit == "in")
        return 96.0;
    if (unit == "mm")
        return 96.0 / 25.4;
    if (unit == "cm")
        return 96.0 / 2.54;
    if (unit == "pt")
        return 96.0 / 72.0;
    if (unit == "pc")
        return 16.0;
    return std::nullopt;
}

std::optional<QColor> parseColor(std::string_view text) {
    const std::string t = lower(trimmed(text));
    if (t.empty())
        return std::nullopt;
    if (t[0] == '#') {
        const std::string_view hex = std::string_view(t).substr(1);
        for (char c : hex)
            if (hexDigit(c) < 0)
                return std::nullopt;
        auto at = [&](size_t i) {
            return hexDigit(hex[i]);
        };
        if (hex.size() == 3 || hex.size() == 4)
            return QColor(at(0) * 17, at(1) * 17, at(2) * 17, hex.size() == 4 ? at(3) * 17 : 255);
        if (hex.size() == 6 || hex.size() == 8)
            return QColor(at(0) * 16 + at(1), at(2) * 16 + at(3), at(4) * 16 + at(5),
                          hex.size() == 8 ? at(6) * 16 + at(7) : 255);
        return std::nullopt;
    }
    for (const char* fn : {"rgba(", "rgb("}) {
        const std::string_view prefix(fn);
        if (t.size() > prefix.size() && t.compare(0, prefix.size(), prefix) == 0 && t.back() == ')')
            return functionalColor(
                std::string_view(t).substr(prefix.size(), t.size() - prefix.size() - 1),
                prefix.size() == 5);
    }
    if (!std::all_of(t.begin(), t.end(), isAlpha))
        return std::nullopt;
    // Qt knows the SVG colour keywords (and "transparent").
    const QColor named(QString::fromStdString(t));
    if (!named.isValid())
        return std::nullopt;
    return named;
}

std::optional<QTransform> parseTransform(std::string_view text) {
    QTransform total;
    Scanner sc(text);
    sc.skipSpaces();
    while (!sc.atEnd()) {
        std::string name;
        while (isAlpha(sc.peek())) {
            name += sc.peek();
            sc.advance();
        }
        sc.skipSpaces();
        if (name.empty() || sc.peek() != '(')
            return std::nullopt;
        sc.advance();
        std::vector<double> a;
        sc.skipSpaces();
        while (sc.peek() != ')') {
            double v = 0;
            if (!sc.number(v))
                return std::nullopt;
            a.push_back(v);
            sc.skipCommaSpaces();
        }
        sc.advance();
        QTransform t;
        const size_t n = a.size();
        if (name == "matrix" && n == 6) {
            t = QTransform(a[0], a[1], a[2], a[3], a[4], a[5]);
        } else if (name == "translate" && (n == 1 || n == 2)) {
            t = QTransform::fromTranslate(a[0], n == 2 ? a[1] : 0);
        } else if (name == "scale" && (n == 1 || n == 2)) {
            t = QTransform::fromScale(a[0], n == 2 ? a[1] : a[0]);
        } else if (name == "rotate" && (n == 1 || n == 3)) {
            const double cx = n == 3 ? a[1] : 0, cy = n == 3 ? a[2] : 0;
            t = QTransform::fromTranslate(-cx, -cy) * QTransform().rotate(a[0]) *
                QTransform::fromTranslate(cx, cy);
        } else if (name == "skewX" && n == 1) {
            t = QTransform(1, 0, std::tan(a[0] * pi / 180), 1, 0, 0);
        } else if (name == "skewY" && n == 1) {
            t = QTransform(1, std::tan(a[0] * pi / 180), 0, 1, 0, 0);
        } else {
            return std::nullopt;
        }
        // QTransform composes row vectors: the later item of the list
        // applies first.
        total = t * total;
        sc.skipCommaSpaces();
    }
    return total;
}

void appendArc(model::Subpath& path, double x1, double y1, double rx, double ry,
               double rotationDegrees, bool largeArc, bool sweep, double x2, double y2) {
    if (x1 == x2 && y1 == y2)
        return;
    rx = std::fabs(rx);
    ry = std::fabs(ry);
    if (rx == 0 || ry == 0) {
        path.nodes.push_back(model::lineTo(x2, y2));
        return;
    }
    const double phi = rotationDegrees * pi / 180;
    const double cosPhi = std::cos(phi), sinPhi = std::sin(phi);
    const double dx2 = (x1 - x2) / 2, dy2 = (y1 - y2) / 2;
    const double x1p = cosPhi * dx2 + sinPhi * dy2;
    const double y1p = -sinPhi * dx2 + cosPhi * dy2;
    const double lambda = (x1p * x1p) / (rx * rx) + (y1p * y1p) / (ry * ry);
    if (lambda > 1) {
        rx *= std::sqrt(lambda);
        ry *= std::sqrt(lambda);
    }
    const double num = rx * rx * ry * ry - rx * rx * y1p * y1p - ry * ry * x1p * x1p;
    const double den = rx * rx * y1p * y1p + ry * ry * x1p * x1p;
    double coef = den == 0 ? 0 : std::sqrt(std::max(0.0, num / den));
    if (largeArc == sweep)
        coef = -coef;
    const double cxp = coef * rx * y1p / ry;
    const double cyp = -coef * ry * x1p / rx;
    const double cx = cosPhi * cxp - sinPhi * cyp + (x1 + x2) / 2;
    const double cy = sinPhi * cxp + cosPhi * cyp + (y1 + y2) / 2;
    auto angle = [](double ux, double uy, double vx, double vy) {
        return std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
    };
    const double ux = (x1p - cxp) / rx, uy = (y1p - cyp) / ry;
    const double vx = (-x1p - cxp) / rx, vy = (-y1p - cyp) / ry;
    const double theta1 = angle(1, 0, ux, uy);
    double delta = angle(ux, uy, vx, vy);
    if (!sweep && delta > 0)
        delta -= 2 * pi;
    else if (sweep && delta < 0)
        delta += 2 * pi;
    const int segments =
        std::max(1, static_cast<int>(std::ceil(std::fabs(delta) / (pi / 2) - 1e-9)));
    const double step = delta / segments;
    const double k = 4.0 / 3.0 * std::tan(step / 4);
    auto point = [&](double t, double& x, double& y) {
        const double ex = rx * std::cos(t), ey = ry * std::sin(t);
        x = cx + cosPhi * ex - sinPhi * ey;
        y = cy + sinPhi * ex + cosPhi * ey;
    };
    auto tangent = [&](double t, double& x, double& y) {
        const double ex = -rx * std::sin(t), ey = ry * std::cos(t);
        x = cosPhi * ex - sinPhi * ey;
        y = sinPhi * ex + cosPhi * ey;
    };
    for (int i = 0; i < segments; ++i) {
        const double a1 = theta1 + i * step, a2 = a1 + step;
        double p1x, p1y, p2x, p2y, t1x, t1y, t2x, t2y;
        point(a1, p1x, p1y);
        point(a2, p2x, p2y);
        tangent(a1, t1x, t1y);
        tangent(a2, t2x, t2y);
        if (i == segments - 1) { // land exactly on the given end point
            p2x = x2;
            p2y = y2;
        }
        path.nodes.push_back(
            model::cubicTo(p1x + k * t1x, p1y + k * t1y, p2x - k * t2x, p2y - k * t2y, p2x, p2y));
    }
}

std::vector<model::Subpath> parsePathData(std::string_view d, std::string* error) {
    std::vector<model::Subpath> out;
    Scanner sc(d);
    double cx = 0, cy = 0;         // current point
    double sx = 0, sy = 0;         // start of the subpath
    double lastCx = 0, lastCy = 0; // last control point, for S and T
    char cmd = 0, previous = 0;
    bool open = false; // a subpath takes further segments
    auto fail = [&](const std::string& what) {
        if (error)
            *error = what + " at character " + std::to_string(sc.pos() + 1);
    };
    auto ensureSubpath = [&] {
        if (!open) {
            out.push_back(model::Subpath{{model::moveTo(cx, cy)}, false});
            open = true;
        }
    };
    sc.skipSpaces();
    while (!sc.atEnd()) {
        const char c = sc.peek();
        if (isAlpha(c)) {
            if (std::string_view("MmZzLlHhVvCcSsQqTtAa").find(c) == std::string_view::npos) {
                fail(std::string("unknown command '") + c + "'");
                return out;
            }
            cmd = c;
            sc.advance();
        } else if (cmd == 0 || cmd == 'Z' || cmd == 'z') {
            fail("expected a command");
            return out;
        } else if (cmd == 'M') {
            cmd = 'L'; // coordinates after a moveto are lines
        } else if (cmd == 'm') {
            cmd = 'l';
        }
        if (out.empty() && cmd != 'M' && cmd != 'm') {
            fail("path data must start with a moveto");
            return out;
        }
        const bool rel = cmd >= 'a';
        const char upper = rel ? char(cmd - 'a' + 'A') : cmd;
        int count = 0;
        switch (upper) {
        case 'Z':
            count = 0;
            break;
        case 'H':
        case 'V':
            count = 1;
            break;
        case 'M':
        case 'L':
        case 'T':
            count = 2;
            break;
        case 'S':
        case 'Q':
            count = 4;
            break;
        case 'C':
            count = 6;
            break;
        case 'A':
            count = 7;
            break;
        }
        double a[7] = {};
        sc.skipSpaces();
        for (int i = 0; i < count; ++i) {
            bool ok;
            if (upper == 'A' && (i == 3 || i == 4)) {
                bool f = false;
                ok = sc.flag(f);
                a[i] = f ? 1 : 0;
            } else {
                ok = sc.number(a[i]);
            }
            if (!ok) {
                fail(std::string("bad or missing number after '") + cmd + "'");
                return out;
            }
            sc.skipCommaSpaces();
        }
        const double ox = rel ? cx : 0, oy = rel ? cy : 0;
        const bool smoothCubic = previous == 'C' || previous == 'S';
        const bool smoothQuad = previous == 'Q' || previous == 'T';
        switch (upper) {
        case 'M':
            cx = a[0] + ox;
            cy = a[1] + oy;
            out.push_back(model::Subpath{{model::moveTo(cx, cy)}, false});
            open = true;
            sx = cx;
            sy = cy;
            break;
        case 'Z':
            if (!out.empty())
                out.back().closed = true;
            cx = sx;
            cy = sy;
            open = false;
            break;
        case 'L':
        case 'H':
        case 'V': {
            ensureSubpath();
            if (upper == 'L') {
                cx = a[0] + ox;
                cy = a[1] + oy;
            } else if (upper == 'H') {
                cx = a[0] + ox;
            } else {
                cy = a[0] + oy;
            }
            out.back().nodes.push_back(model::lineTo(cx, cy));
            break;
        }
        case 'C':
        case 'S': {
            ensureSubpath();
            double c1x, c1y, c2x, c2y, x, y;
            if (upper == 'C') {
                c1x = a[0] + ox, c1y = a[1] + oy, c2x = a[2] + ox, c2y = a[3] + oy;
                x = a[4] + ox, y = a[5] + oy;
            } else {
                c1x = smoothCubic ? 2 * cx - lastCx : cx;
                c1y = smoothCubic ? 2 * cy - lastCy : cy;
                c2x = a[0] + ox, c2y = a[1] + oy, x = a[2] + ox, y = a[3] + oy;
            }
            out.back().nodes.push_back(model::cubicTo(c1x, c1y, c2x, c2y, x, y));
            lastCx = c2x;
            lastCy = c2y;
            cx = x;
            cy = y;
            break;
        }
        case 'Q':
        case 'T': {
            ensureSubpath();
            double qx, qy, x, y;
            if (upper == 'Q') {
                qx = a[0] + ox, qy = a[1] + oy, x = a[2] + ox, y = a[3] + oy;
            } else {
                qx = smoothQuad ? 2 * cx - lastCx : cx;
                qy = smoothQuad ? 2 * cy - lastCy : cy;
                x = a[0] + ox, y = a[1] + oy;
            }
            // The cubic with the same curve: controls two thirds of the
            // way from each end to the quadratic control.
            out.back().nodes.push_back(
                model::cubicTo(cx + 2.0 / 3 * (qx - cx), cy + 2.0 / 3 * (qy - cy),
                               x + 2.0 / 3 * (qx - x), y + 2.0 / 3 * (qy - y), x, y));
            lastCx = qx;
            lastCy = qy;
            cx = x;
            cy = y;
            break;
        }
        case 'A': {
            ensureSubpath();
            const double x = a[5] + ox, y = a[6] + oy;
            appendArc(out.back(), cx, cy, a[0], a[1], a[2], a[3] != 0, a[4] != 0, x, y);
            cx = x;
            cy = y;
            break;
        }
        }
        previous = upper;
    }
    return out;
}

} // namespace mosvik::host::files::svg
