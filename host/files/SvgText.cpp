#include "SvgText.h"

#include <QFont>
#include <QFontMetricsF>
#include <QString>

namespace mosvik::host::files {

namespace {

// The renderer takes glyph outlines at this pixel size without hinting and
// scales them down; metrics taken any other way differ by rounding, and
// text would not land where the renderer draws it.
constexpr int glyphPixels = 1000;
constexpr double millimetresPerPoint = 25.4 / 72.0;

QFontMetricsF metricsOf(const model::Text& t) {
    QFont f(QString::fromStdU16String(t.font));
    f.setPixelSize(glyphPixels);
    f.setBold(t.bold);
    f.setItalic(t.italic);
    f.setUnderline(t.underline);
    f.setHintingPreference(QFont::PreferNoHinting);
    return QFontMetricsF(f);
}

double scaleOf(const model::Text& t) {
    return t.size * millimetresPerPoint / glyphPixels;
}

} // namespace

double textAscent(const model::Text& text) {
    return metricsOf(text).ascent() * scaleOf(text);
}

double textLineSpacing(const model::Text& text) {
    return metricsOf(text).lineSpacing() * scaleOf(text);
}

} // namespace mosvik::host::files
