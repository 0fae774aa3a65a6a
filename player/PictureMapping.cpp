#include "PictureMapping.h"

QPointF PictureMapping::toPicture(const QPointF& window) const {
    if (!isValid()) {
        return {};
    }
    return {(window.x() - area.left()) * size.width() / area.width(),
            (window.y() - area.top()) * size.height() / area.height()};
}

QPointF PictureMapping::toWindow(const QPointF& picture) const {
    if (!isValid()) {
        return {};
    }
    return {area.left() + picture.x() * area.width() / size.width(),
            area.top() + picture.y() * area.height() / size.height()};
}

QRectF PictureMapping::toWindow(const QRectF& picture) const {
    return {toWindow(picture.topLeft()), toWindow(picture.bottomRight())};
}
