// Where a page appears on the canvas: zoom (pixels per millimetre) and the
// canvas position of the page's bottom-left corner. Page coordinates are in
// millimetres with y growing upwards; canvas coordinates are pixels with y
// growing downwards.
//
// Scrolling keeps at least `margin` pixels of the page in view, so the page
// can never be scrolled out of sight; scroll bars show the same range.
//
// Threads: a plain value, no synchronisation.
#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QTransform>

namespace mosvik::app {

struct ScrollRange {
    int minimum = 0;
    int maximum = 0;
    int pageStep = 0;
    int value = 0;
};

class Viewport {
public:
    static constexpr double MinScale = 0.05; // pixels per millimetre
    static constexpr double MaxScale = 400.0;
    static constexpr double Margin = 40.0; // pixels of page kept in view

    void setViewSize(QSizeF size);
    // The page's area in page coordinates (x, y bottom-left); keeps the
    // page's top-left corner where it is on the canvas.
    void setPageArea(const QRectF& millimetres);
    void setPageSize(QSizeF millimetres) { setPageArea(QRectF(QPointF(0, 0), millimetres)); }
    QSizeF viewSize() const { return view_; }
    QSizeF pageSize() const { return page_; }
    QRectF pageArea() const { return QRectF(pageAt_, page_); }

    double scale() const { return scale_; }
    QPointF origin() const { return origin_; } // canvas point of the page's bottom-left

    // The whole page centred in the view with a small border.
    void fitPage();
    // Zooms by `factor`, keeping the page point under `anchor` in place.
    void zoomBy(double factor, QPointF anchor);
    void zoomBy(double factor) { zoomBy(factor, QPointF(view_.width() / 2, view_.height() / 2)); }
    void setScale(double pixelsPerMillimetre, QPointF anchor);
    void scrollBy(double dx, double dy); // moves the page by (dx, dy) pixels

    QPointF toCanvas(QPointF pagePoint) const;
    QPointF toPage(QPointF canvasPoint) const;
    // A page box (x, y bottom-left, width, height) as a canvas rectangle.
    QRectF toCanvas(const QRectF& pageBox) const;
    double toMillimetres(double pixels) const { return pixels / scale_; }
    // The same mapping for painting page geometry.
    QTransform transform() const;

    ScrollRange horizontal() const;
    ScrollRange vertical() const;
    void setHorizontalValue(int value);
    void setVerticalValue(int value);

private:
    void clamp();

    QSizeF view_{800, 600};
    QSizeF page_{210, 297};
    QPointF pageAt_{0, 0};
    double scale_ = 1.0;
    QPointF origin_{0, 0};
};

} // namespace mosvik::app
