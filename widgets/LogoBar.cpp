#include "LogoBar.h"

#include <QColor>
#include <QPainter>

#include "ResourcePaths.h"

namespace {

// The logo's own ground colour, so fill and picture read as one band.
const QColor groundColour(8, 107, 181);

}  // namespace

LogoBar::LogoBar(QWidget* parent) : QWidget(parent), logo(resourcePaths::logoPicture) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize LogoBar::sizeHint() const {
    return {288, 28};
}

void LogoBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), groundColour);
    // Right-aligned and never scaled: a narrow strip cuts the logo at its left.
    const qreal ratio = devicePixelRatioF();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, ratio != 1.0 && ratio != 2.0);
    painter.drawPixmap(width() - logo.size().width(), 0, logo.forRatio(ratio));
}
