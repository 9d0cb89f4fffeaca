// What the pointer does on the canvas, without a widget: picking, shift
// toggling, rubber-band selection, moving the selection by dragging, and
// drawing rectangles and ellipses. Positions come in as canvas pixels with
// the viewport that maps them to the page.
//
// Every change goes through the host as a user's action would: selections
// through setSelection (the host raises SelectionChange), a move as one undo
// step "移动", a deletion as one step "删除", a new shape as the host's
// "Create" step.
//
// Threads: user-interface thread.
#pragma once

#include "app/window/Viewport.h"
#include "host/Application.h"

#include <QPointF>
#include <QRectF>

#include <optional>
#include <vector>

namespace mosvik::app {

enum class Tool { Pick, Rectangle, Ellipse };

class CanvasController {
public:
    // Pixels the pointer must travel before a press becomes a drag, and the
    // pick tolerance around shapes.
    static constexpr double DragThreshold = 3.0;
    static constexpr double PickTolerance = 2.0;

    explicit CanvasController(host::Application& host) : host_(host) {}

    Tool tool() const { return tool_; }
    void setTool(Tool tool);

    void press(host::DocumentId doc, QPointF canvas, bool shift, const Viewport& view);
    void drag(QPointF canvas, const Viewport& view);
    void release(QPointF canvas, const Viewport& view);
    void cancel();

    // Feedback while the pointer is down, in page millimetres.
    bool moving() const { return state_ == State::Moving; }
    QPointF moveOffset() const { return offset_; }
    std::optional<QRectF> rubberBand() const;   // x, y bottom-left
    std::optional<QRectF> shapeOutline() const; // the shape being drawn

    // False when there is nothing to act on.
    bool deleteSelection(host::DocumentId doc);
    bool selectAll(host::DocumentId doc);
    // Moves the selection by (dx, dy) millimetres as one "移动" step.
    bool moveSelection(host::DocumentId doc, double dx, double dy);

private:
    enum class State { Idle, Pressed, Moving, Banding, Drawing };

    host::Application& host_;
    Tool tool_ = Tool::Pick;
    State state_ = State::Idle;
    host::DocumentId doc_ = 0;
    bool shift_ = false;
    bool onShape_ = false;
    bool canMove_ = false; // the press left a shape selected under the pointer
    QPointF pressCanvas_;
    QPointF pressPage_;
    QPointF currentPage_;
    QPointF offset_;
};

} // namespace mosvik::app
