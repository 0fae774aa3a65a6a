#include "ViewTransform.h"

#include <algorithm>
#include <cmath>

namespace {

QRect fitted(QSize picture, QSize area) {
    return ViewTransform::fit(picture.width(), picture.height(), area.width(), area.height());
}

}  // namespace

QRect ViewTransform::fit(int w, int h, int W, int A) {
    if (w <= 0 || h <= 0 || W <= 0 || A <= 0) {
        return {};
    }
    const double rw = static_cast<double>(w) / W;
    const double rh = static_cast<double>(h) / A;
    if (rw > rh) {
        const int d = static_cast<int>(h / rw);
        return {0, (A - d) / 2, W, d};
    }
    const int d = static_cast<int>(w / rh);
    return {(W - d) / 2, 0, d, A};
}

void ViewTransform::reset() {
    zoom_ = 1.0;
    centre_ = {0.5, 0.5};
}

// The zoomed picture with its corner at (left, top), pulled back into the area.
QRectF ViewTransform::placed(QSize picture, QSize area, double left, double top) const {
    const QRect fit = fitted(picture, area);
    const double width = fit.width() * zoom_;
    const double height = fit.height() * zoom_;
    const auto clampSide = [](double start, double length, int room) {
        if (length <= room) {
            return (room - length) / 2;
        }
        return std::clamp(start, room - length, 0.0);
    };
    return {clampSide(left, width, area.width()), clampSide(top, height, area.height()), width,
            height};
}

QRectF ViewTransform::target(QSize picture, QSize area) const {
    const QRect fit = fitted(picture, area);
    if (isFit() || fit.isEmpty()) {
        return QRectF(fit);
    }
    const double width = fit.width() * zoom_;
    const double height = fit.height() * zoom_;
    return placed(picture, area, area.width() / 2.0 - centre_.x() * width,
                  area.height() / 2.0 - centre_.y() * height);
}

void ViewTransform::zoomAround(QSize picture, QSize area, QPointF anchor, double factor) {
    const QRectF before = target(picture, area);
    double zoom = std::clamp(zoom_ * factor, 1.0, maxZoom);
    // Steps of the wheel multiply up to whole factors with a rounding error; fit must be exact.
    if (std::abs(zoom - std::round(zoom)) < 1e-9) {
        zoom = std::round(zoom);
    }
    if (before.isEmpty() || zoom == zoom_) {
        return;
    }
    if (zoom == 1.0) {
        reset();
        return;
    }
    const QPointF point((anchor.x() - before.left()) / before.width(),
                        (anchor.y() - before.top()) / before.height());
    const QRect fit = fitted(picture, area);
    zoom_ = zoom;
    const QRectF after = placed(picture, area, anchor.x() - point.x() * fit.width() * zoom,
                                anchor.y() - point.y() * fit.height() * zoom);
    centre_ = {(area.width() / 2.0 - after.left()) / after.width(),
               (area.height() / 2.0 - after.top()) / after.height()};
}

void ViewTransform::pan(QSize picture, QSize area, QPointF delta) {
    if (isFit()) {
        return;
    }
    const QRectF before = target(picture, area);
    if (before.isEmpty()) {
        return;
    }
    const QRectF after = placed(picture, area, before.left() + delta.x(), before.top() + delta.y());
    centre_ = {(area.width() / 2.0 - after.left()) / after.width(),
               (area.height() / 2.0 - after.top()) / after.height()};
}

ViewTransform::Visible ViewTransform::visiblePart(QSize picture, QSize area) const {
    const QRectF whole = target(picture, area);
    const QRectF shown = whole.intersected(QRectF(0, 0, area.width(), area.height()));
    if (shown.isEmpty() || picture.isEmpty()) {
        return {};
    }
    const double xScale = whole.width() / picture.width();
    const double yScale = whole.height() / picture.height();
    const int left =
        std::max(0, static_cast<int>(std::floor((shown.left() - whole.left()) / xScale)));
    const int top = std::max(0, static_cast<int>(std::floor((shown.top() - whole.top()) / yScale)));
    const int right = std::min(
        picture.width(), static_cast<int>(std::ceil((shown.right() - whole.left()) / xScale)));
    const int bottom = std::min(
        picture.height(), static_cast<int>(std::ceil((shown.bottom() - whole.top()) / yScale)));
    if (right <= left || bottom <= top) {
        return {};
    }
    return {QRect(left, top, right - left, bottom - top),
            QRectF(whole.left() + left * xScale, whole.top() + top * yScale,
                   (right - left) * xScale, (bottom - top) * yScale)};
}
