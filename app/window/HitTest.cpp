#include "HitTest.h"

#include "host/render/Renderer.h"

#include <QPainterPathStroker>

#include <algorithm>

namespace mosvik::app {

namespace model = host::model;

const model::Page* activePage(const model::Drawing& drawing) {
    if (const model::Page* page = model::findPage(drawing, drawing.activePage))
        return page;
    return drawing.pages.empty() ? nullptr : &drawing.pages.front();
}

namespace {

bool inBox(const model::Shape& s, QPointF p, double tol) {
    const auto box = model::bounds(s);
    return box && QRectF(box->x, box->y, box->width, box->height)
                      .normalized()
                      .adjusted(-tol, -tol, tol, tol)
                      .contains(p);
}

bool hits(const model::Shape& s, QPointF p, double tol) {
    if (s.type == com::ShapeGroup) {
        return std::any_of(s.children.begin(), s.children.end(),
                           [&](const model::Shape& c) { return hits(c, p, tol); });
    }
    // Text is picked by its box, not between its letters; a bitmap is its box.
    if (s.type == com::ShapeText || s.type == com::ShapeBitmap)
        return inBox(s, p, tol);
    const QPainterPath path = host::render::shapePath(s);
    if (path.isEmpty())
        return inBox(s, p, tol);
    if (path.contains(p))
        return true;
    if (tol <= 0)
        return false;
    QPainterPathStroker stroker;
    stroker.setWidth(2 * tol);
    return stroker.createStroke(path).contains(p);
}

} // namespace

Id shapeAt(const model::Drawing& drawing, QPointF point, double tolerance) {
    const model::Page* page = activePage(drawing);
    if (!page)
        return 0;
    for (auto layer = page->layers.rbegin(); layer != page->layers.rend(); ++layer)
        for (auto s = layer->shapes.rbegin(); layer->visible && s != layer->shapes.rend(); ++s)
            if (hits(*s, point, tolerance))
                return s->id;
    return 0;
}

std::vector<Id> shapesInside(const model::Drawing& drawing, const QRectF& area) {
    std::vector<Id> inside;
    const model::Page* page = activePage(drawing);
    if (!page)
        return inside;
    const QRectF band = area.normalized();
    for (auto layer = page->layers.rbegin(); layer != page->layers.rend(); ++layer)
        for (auto s = layer->shapes.rbegin(); layer->visible && s != layer->shapes.rend(); ++s) {
            const auto box = model::bounds(*s);
            if (!box)
                continue;
            const QRectF r = QRectF(box->x, box->y, box->width, box->height).normalized();
            if (band.left() <= r.left() && r.right() <= band.right() && band.top() <= r.top() &&
                r.bottom() <= band.bottom())
                inside.push_back(s->id);
        }
    return inside;
}

std::optional<model::Box> boundsOf(const model::Drawing& drawing, const std::vector<Id>& shapes) {
    std::optional<model::Box> box;
    for (Id id : shapes)
        if (const model::Shape* s = model::findShape(drawing, id))
            box = model::unite(box, model::bounds(*s));
    return box;
}

} // namespace mosvik::app
