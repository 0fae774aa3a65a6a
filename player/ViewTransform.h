#pragma once

#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>

// Where the picture lies in the image area: fitted with its aspect kept (zoom 1), or enlarged
// up to maxZoom times that and moved by the user. The picture never leaves a gap at an edge
// it could cover; along a side shorter than the area it stays centred.
class ViewTransform {
public:
    static constexpr double maxZoom = 8.0;

    // The destination of a w x h picture in a W x A area, aspect kept, by the truncated
    // ratios of the two sides.
    static QRect fit(int w, int h, int W, int A);

    double zoom() const { return zoom_; }
    bool isFit() const { return zoom_ == 1.0; }
    void reset();

    // The picture's rectangle in an area of `area` size; at zoom 1 exactly the fitted one.
    QRectF target(QSize picture, QSize area) const;
    // Multiplies the zoom by `factor` (held within 1 .. maxZoom), keeping the picture point
    // under `anchor` where it is.
    void zoomAround(QSize picture, QSize area, QPointF anchor, double factor);
    // Moves the picture by `delta` pixels, as far as it can go.
    void pan(QSize picture, QSize area, QPointF delta);

    // The source pixels of a `picture` that show in `area`, whole pixels, and where exactly
    // they are drawn; empty when nothing shows.
    struct Visible {
        QRect source;
        QRectF destination;
    };
    Visible visiblePart(QSize picture, QSize area) const;

private:
    QRectF placed(QSize picture, QSize area, double left, double top) const;

    double zoom_ = 1.0;
    // The picture point (0 .. 1 on each side) at the centre of the area.
    QPointF centre_{0.5, 0.5};
};
