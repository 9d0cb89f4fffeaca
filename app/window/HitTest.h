// Which shapes of a page lie under a point or inside a rectangle, and the
// box around a selection. Everything is in page millimetres.
//
// Picking works on the page's top-level shapes of visible layers (a click on
// a group member picks the group) and treats every shape as filled: a click
// inside an unfilled rectangle picks it, as the host's "treat all objects as
// filled" option does. Shapes are picked inside their geometry (the
// renderer's outline path), text and bitmaps inside their box. `tolerance`
// widens every shape by that many millimetres so that hairlines and open
// curves can be hit.
//
// Threads: plain functions over values.
#pragma once

#include "host/Model.h"

#include <QPointF>
#include <QRectF>

#include <optional>
#include <vector>

namespace mosvik::app {

using host::model::Id;

// The front-most shape of the active page under `point`; 0 when none.
Id shapeAt(const host::model::Drawing& drawing, QPointF point, double tolerance = 0);
// Shapes of the active page lying wholly inside `area` (x, y bottom-left),
// front first: a rubber band selects only what it fully encloses.
std::vector<Id> shapesInside(const host::model::Drawing& drawing, const QRectF& area);
// The box around the given shapes (nullopt when none has one).
std::optional<host::model::Box> boundsOf(const host::model::Drawing& drawing,
                                         const std::vector<Id>& shapes);
const host::model::Page* activePage(const host::model::Drawing& drawing);

} // namespace mosvik::app
