// Painting of the canvas layers: paper, shapes (through the host's renderer,
// so the canvas shows what export writes), selection handles and drag
// feedback, each in canvas pixels through a Viewport.
//
// Threads: any thread that owns the QPainter.
#pragma once

#include "app/window/Viewport.h"
#include "host/Model.h"

#include <QPainter>

#include <vector>

namespace mosvik::app {

void paintPaper(QPainter& p, const Viewport& view);
void paintShapes(QPainter& p, const Viewport& view, const host::model::Page& page);
// Eight square handles around `box` and a cross at its centre.
void paintSelectionHandles(QPainter& p, const Viewport& view, const host::model::Box& box);
// Dashed outlines of `shapes` moved by `offset` millimetres.
void paintMovePreview(QPainter& p, const Viewport& view, const host::model::Drawing& drawing,
                      const std::vector<host::model::Id>& shapes, QPointF offset);
void paintBand(QPainter& p, const Viewport& view, const QRectF& pageBox);

} // namespace mosvik::app
