#pragma once

#include <QPointF>
#include <QRectF>
#include <QSize>

// Where the recording's picture lies in the window, as the image area draws it now, so that
// a point under the pointer can be named in picture pixels and back, at any zoom.
class PictureMapping {
public:
    PictureMapping() = default;
    // `target` is where the whole `picture` is drawn, in window coordinates.
    PictureMapping(const QRectF& target, QSize picture) : area(target), size(picture) {}

    bool isValid() const { return !size.isEmpty() && area.width() > 0 && area.height() > 0; }
    QSize picture() const { return size; }
    const QRectF& target() const { return area; }
    // Window pixels per picture pixel.
    double scale() const { return isValid() ? area.width() / size.width() : 1.0; }

    QPointF toPicture(const QPointF& window) const;
    QPointF toWindow(const QPointF& picture) const;
    QRectF toWindow(const QRectF& picture) const;

private:
    QRectF area;
    QSize size;
};
