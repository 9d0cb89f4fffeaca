#include "CanvasPainter.h"

#include "host/render/Renderer.h"

#include <algorithm>

namespace mosvik::app {

namespace model = host::model;

void paintPaper(QPainter& p, const Viewport& view) {
    const QRectF paper = view.toCanvas(view.pageArea());
    p.fillRect(paper.translated(4, 4), QColor(90, 90, 90));
    p.fillRect(paper, Qt::white);
    p.setPen(QPen(QColor(60, 60, 60), 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(paper);
}

void paintShapes(QPainter& p, const Viewport& view, const model::Page& page) {
    host::render::RenderOptions options;
    options.area = QRectF(page.x, page.y, page.width, page.height);
    options.target = view.toCanvas(options.area);
    host::render::renderPage(p, page, options);
}

void paintSelectionHandles(QPainter& p, const Viewport& view, const model::Box& box) {
    const QRectF r = view.toCanvas(QRectF(box.x, box.y, box.width, box.height)).normalized();
    const double half = 3.5;
    const double gap = 5.0; // handles sit just outside the box, as the host draws them
    const QRectF around = r.adjusted(-gap, -gap, gap, gap);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(Qt::black);
    const double xs[] = {around.left(), around.center().x(), around.right()};
    const double ys[] = {around.top(), around.center().y(), around.bottom()};
    for (double x : xs)
        for (double y : ys)
            if (x != around.center().x() || y != around.center().y())
                p.drawRect(QRectF(x - half, y - half, 2 * half, 2 * half));
    const QPointF c = r.center();
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(c + QPointF(-4, -4), c + QPointF(4, 4));
    p.drawLine(c + QPointF(-4, 4), c + QPointF(4, -4));
    p.restore();
}

namespace {

void addOutline(QPainterPath& into, const model::Shape& s) {
    if (s.type == com::ShapeGroup) {
        for (const model::Shape& c : s.children)
            addOutline(into, c);
        return;
    }
    QPainterPath path;
    if (s.type != com::ShapeText)
        path = host::render::shapePath(s);
    if (path.isEmpty()) {
        if (const auto box = model::bounds(s))
            path.addRect(QRectF(box->x, box->y, box->width, box->height));
    }
    into.addPath(path);
}

} // namespace

void paintMovePreview(QPainter& p, const Viewport& view, const model::Drawing& drawing,
                      const std::vector<model::Id>& shapes, QPointF offset) {
    QPainterPath outline;
    for (model::Id id : shapes)
        if (const model::Shape* s = model::findShape(drawing, id))
            addOutline(outline, *s);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 90, 200), 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawPath(view.transform().map(outline.translated(offset)));
    p.restore();
}

void paintBand(QPainter& p, const Viewport& view, const QRectF& pageBox) {
    p.save();
    p.setPen(QPen(QColor(0, 90, 200), 1, Qt::DashLine));
    p.setBrush(QColor(0, 120, 215, 30));
    p.drawRect(view.toCanvas(pageBox).normalized());
    p.restore();
}

} // namespace mosvik::app
