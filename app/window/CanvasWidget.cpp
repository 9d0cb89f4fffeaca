#include "CanvasWidget.h"

#include "app/window/CanvasPainter.h"
#include "app/window/HitTest.h"

#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <exception>

namespace mosvik::app {

namespace model = host::model;

CanvasWidget::CanvasWidget(host::Application& host, QWidget* parent)
    : QAbstractScrollArea(parent), host_(host), controller_(host) {
    setObjectName(QStringLiteral("canvas"));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    setMinimumSize(200, 150);
    view_.setViewSize(viewport()->size());
}

void CanvasWidget::setDrawing(host::DocumentId doc, const model::Drawing& drawing) {
    const model::Page* page = activePage(drawing);
    const model::Id pageId = page ? page->id : 0;
    const bool other = doc != doc_ || pageId != page_;
    if (!other && drawing == drawing_)
        return;
    if (other)
        controller_.cancel();
    doc_ = doc;
    page_ = pageId;
    drawing_ = drawing;
    if (page)
        view_.setPageArea(QRectF(page->x, page->y, page->width, page->height));
    if (other) {
        view_.fitPage();
        autoFit_ = true;
    }
    syncScrollBars();
    viewport()->update();
}

void CanvasWidget::zoomIn() {
    autoFit_ = false;
    view_.zoomBy(1.25);
    syncScrollBars();
    viewport()->update();
}

void CanvasWidget::zoomOut() {
    autoFit_ = false;
    view_.zoomBy(0.8);
    syncScrollBars();
    viewport()->update();
}

void CanvasWidget::fitPage() {
    autoFit_ = true;
    view_.fitPage();
    syncScrollBars();
    viewport()->update();
}

void CanvasWidget::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), QColor(200, 200, 200));
    const model::Page* page = doc_ ? activePage(drawing_) : nullptr;
    if (!page)
        return;
    paintPaper(p, view_);
    paintShapes(p, view_, *page);
    if (controller_.moving())
        paintMovePreview(p, view_, drawing_, drawing_.selection, controller_.moveOffset());
    if (const auto box = boundsOf(drawing_, drawing_.selection))
        paintSelectionHandles(p, view_, *box);
    if (const auto band = controller_.rubberBand())
        paintBand(p, view_, *band);
    if (const auto outline = controller_.shapeOutline())
        paintBand(p, view_, *outline);
}

void CanvasWidget::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    view_.setViewSize(viewport()->size());
    if (autoFit_)
        view_.fitPage();
    syncScrollBars();
}

void CanvasWidget::scrollContentsBy(int, int) {
    if (syncing_)
        return;
    autoFit_ = false;
    view_.setHorizontalValue(horizontalScrollBar()->value());
    view_.setVerticalValue(verticalScrollBar()->value());
    syncScrollBars();
    viewport()->update();
}

void CanvasWidget::syncScrollBars() {
    syncing_ = true;
    for (auto [bar, range] : {std::pair{horizontalScrollBar(), view_.horizontal()},
                              std::pair{verticalScrollBar(), view_.vertical()}}) {
        bar->setRange(range.minimum, range.maximum);
        bar->setPageStep(range.pageStep);
        bar->setSingleStep(20);
        bar->setValue(range.value);
    }
    syncing_ = false;
}

// Host failures and a plug-in's exceptions end the action, never the
// event loop.
void CanvasWidget::guarded(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        controller_.cancel();
        QMessageBox::critical(this, QStringLiteral("错误"), QString::fromUtf8(e.what()));
    } catch (...) {
        controller_.cancel();
        QMessageBox::critical(this, QStringLiteral("错误"), QStringLiteral("未知错误"));
    }
    emit edited();
    viewport()->update();
}

void CanvasWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        panning_ = true;
        panFrom_ = event->position();
        return;
    }
    if (event->button() != Qt::LeftButton || !doc_)
        return;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    guarded([&] { controller_.press(doc_, event->position(), shift, view_); });
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* event) {
    emit pointerMoved(view_.toPage(event->position()));
    if (panning_) {
        const QPointF d = event->position() - panFrom_;
        panFrom_ = event->position();
        autoFit_ = false;
        view_.scrollBy(d.x(), d.y());
        syncScrollBars();
        viewport()->update();
        return;
    }
    if (event->buttons() & Qt::LeftButton) {
        controller_.drag(event->position(), view_);
        viewport()->update();
    }
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        panning_ = false;
        return;
    }
    if (event->button() == Qt::LeftButton)
        guarded([&] { controller_.release(event->position(), view_); });
}

void CanvasWidget::wheelEvent(QWheelEvent* event) {
    const QPoint steps = event->angleDelta();
    autoFit_ = false;
    if (event->modifiers() & Qt::ControlModifier) {
        if (steps.y() != 0)
            view_.zoomBy(steps.y() > 0 ? 1.25 : 0.8, event->position());
    } else if (event->modifiers() & Qt::ShiftModifier) {
        view_.scrollBy(steps.y() / 2.0, 0);
    } else {
        view_.scrollBy(steps.x() / 2.0, steps.y() / 2.0);
    }
    syncScrollBars();
    viewport()->update();
    event->accept();
}

void CanvasWidget::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        controller_.cancel();
        viewport()->update();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

} // namespace mosvik::app
