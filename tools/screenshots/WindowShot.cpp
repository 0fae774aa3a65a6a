#include "WindowShot.h"

#include <QPainter>
#include <QPixmap>
#include <QWidget>

namespace windowShot {

QImage withPopup(QWidget& window, QWidget& popup) {
    const QPixmap base = window.grab();
    const QPixmap over = popup.grab();
    const QRect windowRect(window.mapToGlobal(QPoint(0, 0)), window.size());
    const QRect popupRect(popup.mapToGlobal(QPoint(0, 0)), popup.size());
    const QRect whole = windowRect.united(popupRect);

    QImage picture(whole.size() * base.devicePixelRatio(), QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(base.devicePixelRatio());
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.drawPixmap(windowRect.topLeft() - whole.topLeft(), base);
    painter.drawPixmap(popupRect.topLeft() - whole.topLeft(), over);
    painter.end();
    return picture;
}

}  // namespace windowShot
