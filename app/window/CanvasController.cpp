#include "CanvasController.h"

#include "app/window/HitTest.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace mosvik::app {

namespace model = host::model;

void CanvasController::setTool(Tool tool) {
    cancel();
    tool_ = tool;
}

void CanvasController::press(host::DocumentId doc, QPointF canvas, bool shift,
                             const Viewport& view) {
    cancel();
    if (!doc)
        return;
    doc_ = doc;
    shift_ = shift;
    pressCanvas_ = canvas;
    pressPage_ = currentPage_ = view.toPage(canvas);
    state_ = State::Pressed;
    canMove_ = false;
    onShape_ = false;
    if (tool_ != Tool::Pick)
        return;

    const model::Drawing drawing = host_.drawing(doc);
    const Id hit = shapeAt(drawing, pressPage_, view.toMillimetres(PickTolerance));
    if (!hit)
        return;
    onShape_ = true;
    std::vector<Id> selection = drawing.selection;
    const auto found = std::find(selection.begin(), selection.end(), hit);
    const bool wasSelected = found != selection.end();
    if (shift) {
        if (wasSelected)
            selection.erase(found);
        else
            selection.push_back(hit);
        canMove_ = !wasSelected;
    } else {
        if (!wasSelected)
            selection = {hit};
        canMove_ = true;
    }
    if (selection != drawing.selection)
        host_.setSelection(doc, selection);
}

void CanvasController::drag(QPointF canvas, const Viewport& view) {
    if (state_ == State::Idle)
        return;
    currentPage_ = view.toPage(canvas);
    if (state_ == State::Pressed) {
        const QPointF d = canvas - pressCanvas_;
        if (std::hypot(d.x(), d.y()) < DragThreshold)
            return;
        if (tool_ != Tool::Pick)
            state_ = State::Drawing;
        else
            state_ = canMove_ ? State::Moving : State::Banding;
    }
    if (state_ == State::Moving)
        offset_ = currentPage_ - pressPage_;
}

void CanvasController::release(QPointF canvas, const Viewport& view) {
    if (state_ == State::Idle)
        return;
    drag(canvas, view);
    const State state = state_;
    const host::DocumentId doc = doc_;
    const QPointF offset = offset_;
    const auto band = rubberBand();
    const auto outline = shapeOutline();
    cancel();

    switch (state) {
    case State::Moving:
        moveSelection(doc, offset.x(), offset.y());
        break;
    case State::Banding: {
        const model::Drawing drawing = host_.drawing(doc);
        std::vector<Id> selection = shift_ ? drawing.selection : std::vector<Id>{};
        for (Id id : shapesInside(drawing, *band))
            if (std::find(selection.begin(), selection.end(), id) == selection.end())
                selection.push_back(id);
        host_.setSelection(doc, selection);
        break;
    }
    case State::Drawing: {
        auto s = model::shape(tool_ == Tool::Ellipse ? com::ShapeEllipse : com::ShapeRectangle,
                              outline->x(), outline->y(), outline->width(), outline->height());
        s.outline.width = 0.2;
        s.outline.color = model::cmyk(0, 0, 0, 100);
        const Id id = host_.addShape(doc, s);
        host_.setSelection(doc, {id});
        break;
    }
    case State::Pressed:
        // A click on empty paper (no shift) lets go of the selection.
        if (tool_ == Tool::Pick && !shift_ && !onShape_ && !host_.drawing(doc).selection.empty())
            host_.setSelection(doc, {});
        break;
    case State::Idle:
        break;
    }
}

void CanvasController::cancel() {
    state_ = State::Idle;
    offset_ = QPointF();
}

std::optional<QRectF> CanvasController::rubberBand() const {
    if (state_ != State::Banding)
        return std::nullopt;
    return QRectF(pressPage_, currentPage_).normalized();
}

std::optional<QRectF> CanvasController::shapeOutline() const {
    if (state_ != State::Drawing)
        return std::nullopt;
    return QRectF(pressPage_, currentPage_).normalized();
}

bool CanvasController::deleteSelection(host::DocumentId doc) {
    if (!doc || host_.drawing(doc).selection.empty())
        return false;
    host_.edit(doc, u"删除", [](model::Drawing& d) {
        for (Id id : d.selection)
            if (auto at = model::locate(d, id)) // absent when inside one deleted before
                at->siblings->erase(at->siblings->begin() + static_cast<long>(at->index));
        d.selection.clear();
    });
    return true;
}

bool CanvasController::selectAll(host::DocumentId doc) {
    if (!doc)
        return false;
    const model::Drawing drawing = host_.drawing(doc);
    const model::Page* page = activePage(drawing);
    if (!page)
        return false;
    host_.setSelection(doc, model::pageShapesFrontFirst(*page));
    return true;
}

bool CanvasController::moveSelection(host::DocumentId doc, double dx, double dy) {
    if (!doc || (dx == 0 && dy == 0))
        return false;
    const model::Drawing drawing = host_.drawing(doc);
    if (drawing.selection.empty())
        return false;
    // A member selected together with its group moves once, with the group.
    std::set<Id> inner;
    for (Id id : drawing.selection)
        if (const model::Shape* s = model::findShape(drawing, id)) {
            const auto within = model::idsWithin(*s);
            inner.insert(within.begin() + 1, within.end());
        }
    host_.edit(doc, u"移动", [&](model::Drawing& d) {
        for (Id id : d.selection)
            if (!inner.count(id))
                if (auto at = model::locate(d, id))
                    model::move(at->shape(), dx, dy);
    });
    return true;
}

} // namespace mosvik::app
