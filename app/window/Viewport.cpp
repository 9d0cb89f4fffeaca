#include "Viewport.h"

#include <algorithm>
#include <cmath>

namespace mosvik::app {

void Viewport::setViewSize(QSizeF size) {
    view_ = QSizeF(std::max(1.0, size.width()), std::max(1.0, size.height()));
    clamp();
}

void Viewport::setPageArea(const QRectF& millimetres) {
    const double topBefore = origin_.y() - page_.height() * scale_;
    pageAt_ = millimetres.topLeft();
    page_ = QSizeF(std::max(1e-6, millimetres.width()), std::max(1e-6, millimetres.height()));
    origin_.setY(topBefore + page_.height() * scale_);
    clamp();
}

void Viewport::fitPage() {
    const double border = 20.0;
    const double w = std::max(1.0, view_.width() - 2 * border);
    const double h = std::max(1.0, view_.height() - 2 * border);
    scale_ = std::clamp(std::min(w / page_.width(), h / page_.height()), MinScale, MaxScale);
    origin_ = QPointF((view_.width() - page_.width() * scale_) / 2,
                      (view_.height() + page_.height() * scale_) / 2);
    clamp();
}

void Viewport::zoomBy(double factor, QPointF anchor) {
    if (factor > 0 && std::isfinite(factor))
        setScale(scale_ * factor, anchor);
}

void Viewport::setScale(double pixelsPerMillimetre, QPointF anchor) {
    const QPointF fixed = toPage(anchor) - pageAt_;
    scale_ = std::clamp(pixelsPerMillimetre, MinScale, MaxScale);
    origin_ = QPointF(anchor.x() - fixed.x() * scale_, anchor.y() + fixed.y() * scale_);
    clamp();
}

void Viewport::scrollBy(double dx, double dy) {
    origin_ += QPointF(dx, dy);
    clamp();
}

QPointF Viewport::toCanvas(QPointF p) const {
    return QPointF(origin_.x() + (p.x() - pageAt_.x()) * scale_,
                   origin_.y() - (p.y() - pageAt_.y()) * scale_);
}

QPointF Viewport::toPage(QPointF c) const {
    return QPointF(pageAt_.x() + (c.x() - origin_.x()) / scale_,
                   pageAt_.y() + (origin_.y() - c.y()) / scale_);
}

QRectF Viewport::toCanvas(const QRectF& box) const {
    const QPointF topLeft = toCanvas(QPointF(box.left(), box.top() + box.height()));
    return QRectF(topLeft, QSizeF(box.width() * scale_, box.height() * scale_));
}

// Horizontal value = -origin.x; the page's right edge stays right of
// Margin and its left edge left of the view's width minus Margin.
QTransform Viewport::transform() const {
    return QTransform(scale_, 0, 0, -scale_, origin_.x() - pageAt_.x() * scale_,
                      origin_.y() + pageAt_.y() * scale_);
}

ScrollRange Viewport::horizontal() const {
    const double pageWidth = page_.width() * scale_;
    return {static_cast<int>(std::floor(Margin - view_.width())),
            static_cast<int>(std::ceil(pageWidth - Margin)), static_cast<int>(view_.width()),
            static_cast<int>(std::lround(-origin_.x()))};
}

// Vertical value = page height in pixels - origin.y (the page top's
// distance above the view's top edge).
ScrollRange Viewport::vertical() const {
    const double pageHeight = page_.height() * scale_;
    return {static_cast<int>(std::floor(Margin - view_.height())),
            static_cast<int>(std::ceil(pageHeight - Margin)), static_cast<int>(view_.height()),
            static_cast<int>(std::lround(pageHeight - origin_.y()))};
}

void Viewport::setHorizontalValue(int value) {
    if (value == horizontal().value)
        return;
    origin_.setX(-value);
    clamp();
}

void Viewport::setVerticalValue(int value) {
    if (value == vertical().value)
        return;
    origin_.setY(page_.height() * scale_ - value);
    clamp();
}

void Viewport::clamp() {
    const double pageWidth = page_.width() * scale_;
    const double pageHeight = page_.height() * scale_;
    const double lowX = Margin - pageWidth;
    const double highX = view_.width() - Margin;
    const double lowY = Margin;
    const double highY = view_.height() - Margin + pageHeight;
    // A view narrower than two margins cannot honour both ends: centre.
    origin_.setX(lowX <= highX ? std::clamp(origin_.x(), lowX, highX) : (lowX + highX) / 2);
    origin_.setY(lowY <= highY ? std::clamp(origin_.y(), lowY, highY) : (lowY + highY) / 2);
}

} // namespace mosvik::app
