// The small languages inside SVG attributes: numbers, lengths, colours,
// transform lists and path data. Shared by import and its tests.
//
// Path data is parsed here rather than by a library: libxml2 and Qt Core
// only read the XML around it, and QtSvg's path parser is private API.
//
// Threads: pure functions; any thread.
#pragma once

#include "host/Model.h"

#include <QColor>
#include <QTransform>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mosvik::host::files::svg {

bool isSpace(char c);
std::string_view trimmed(std::string_view s);

// Reads numbers and separators from attribute text, as the SVG grammar
// writes them (no locale: "1.5", never "1,5").
class Scanner {
public:
    explicit Scanner(std::string_view text) : s_(text) {}
    bool atEnd() const { return i_ >= s_.size(); }
    size_t pos() const { return i_; }
    char peek() const { return atEnd() ? '\0' : s_[i_]; }
    void advance() { ++i_; }
    void skipSpaces();
    // Spaces, at most one comma, spaces.
    void skipCommaSpaces();
    // A number at the current position; false (position unchanged) when
    // none is there or it does not fit a double.
    bool number(double& out);
    // An arc flag: the single character 0 or 1.
    bool flag(bool& out);
    std::string_view rest() const { return s_.substr(i_); }

private:
    std::string_view s_;
    size_t i_ = 0;
};

// The whole text as one number (spaces around allowed).
std::optional<double> parseNumber(std::string_view text);
// A list of numbers separated by spaces and/or commas; nullopt when any
// item is not a number.
std::optional<std::vector<double>> parseNumberList(std::string_view text);

struct Length {
    double value = 0;
    std::string unit; // "", "px", "mm", "cm", "in", "pt", "pc", "em", "ex", "%"
};
std::optional<Length> parseLength(std::string_view text);
// CSS pixels (user units) of an absolute unit; nullopt for em, ex and %.
std::optional<double> pixelsPerUnit(const std::string& unit);

// #rgb, #rrggbb, rgb(r, g, b) with numbers or percentages, rgba(), and the
// SVG colour keywords. An alpha part is read and kept.
std::optional<QColor> parseColor(std::string_view text);

// A transform list (matrix, translate, scale, rotate, skewX, skewY) as one
// QTransform mapping the element's space to its parent's; nullopt when it
// does not parse. Empty text is the identity.
std::optional<QTransform> parseTransform(std::string_view text);

// Path data in the element's own coordinates: quadratic Beziers and
// elliptic arcs become cubic Beziers. On broken data it returns the
// subpaths read before the fault and says where it is in `error`.
std::vector<model::Subpath> parsePathData(std::string_view d, std::string* error);

// Appends cubic Beziers approximating the SVG arc from (x1, y1) to (x2, y2)
// (endpoint form, radii corrected as SVG requires) to `path`.
void appendArc(model::Subpath& path, double x1, double y1, double rx, double ry,
               double rotationDegrees, bool largeArc, bool sweep, double x2, double y2);

} // namespace mosvik::host::files::svg
