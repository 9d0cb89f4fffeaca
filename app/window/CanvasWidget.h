// The drawing area: the active page of one document on a grey desk, with
// scroll bars, wheel zoom (Ctrl), wheel scrolling (Shift: sideways), middle
// button panning, the selection's handles and the feedback of a drag. The
// pointer logic lives in CanvasController, the zoom and scroll maths in
// Viewport; this widget only forwards events and paints.
//
// Threads: user-interface thread.
#pragma once

#include "app/window/CanvasController.h"
#include "app/window/Viewport.h"
#include "host/Application.h"

#include <QAbstractScrollArea>

namespace mosvik::app {

class CanvasWidget : public QAbstractScrollArea {
    Q_OBJECT
public:
    CanvasWidget(host::Application& host, QWidget* parent = nullptr);

    // Shows `drawing` of `doc` (0: no document). A new document or page is
    // fitted into view; otherwise zoom and scroll stay.
    void setDrawing(host::DocumentId doc, const host::model::Drawing& drawing);
    host::DocumentId document() const { return doc_; }

    Viewport& view() { return view_; }
    const Viewport& view() const { return view_; }
    CanvasController& controller() { return controller_; }

    void zoomIn();
    void zoomOut();
    void fitPage();

signals:
    // The user changed the drawing or the selection.
    void edited();
    // Pointer position on the page in millimetres.
    void pointerMoved(QPointF page);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void syncScrollBars();
    void guarded(const std::function<void()>& action);

    host::Application& host_;
    CanvasController controller_;
    Viewport view_;
    host::DocumentId doc_ = 0;
    host::model::Id page_ = 0;
    host::model::Drawing drawing_;
    bool syncing_ = false;
    bool autoFit_ = true; // the page follows the window's size until the user zooms
    bool panning_ = false;
    QPointF panFrom_;
};

} // namespace mosvik::app
