// Toolbar glyphs of the plug-in's items, drawn from vector shapes so that
// every size comes out sharp and nothing depends on installed fonts.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

namespace mosvik::glyphs {

// The two-digit suffixes of the item identities that carry a glyph, in
// toolbar order.
QStringList itemKeys();

// A size x size ARGB32 image of the glyph of the item with that key; a
// transparent background. Without antialiasing the edges stay in the glyph's
// own colours, which the 16-colour icon images need.
QImage render(const QString& key, int size, bool antialias);

} // namespace mosvik::glyphs
