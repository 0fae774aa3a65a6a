#include "FrameOverlay.h"

#include <algorithm>

#include <QFont>
#include <QImage>
#include <QPainter>

OverlayLayout overlayLayout(int pictureHeight) {
    const int pixelSize = std::max(11, pictureHeight / 18);
    return {pixelSize, pixelSize + pixelSize / 2, std::max(3, pixelSize / 3)};
}

QFont overlayFont(int pixelSize) {
    QFont font(QStringLiteral("IPAGothic"));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(pixelSize);
    font.setBold(true);
    return font;
}

void drawFrameOverlay(QImage& picture, const std::string& timeOfDay, const std::string& readout) {
    if (picture.isNull()) {
        return;
    }
    const OverlayLayout layout = overlayLayout(picture.height());

    QPainter painter(&picture);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(QRect(0, picture.height() - layout.band, picture.width(), layout.band),
                     QColor(0, 0, 0, 170));
    painter.setFont(overlayFont(layout.pixelSize));
    painter.setPen(Qt::white);
    const QRect text(layout.margin, picture.height() - layout.band,
                     picture.width() - 2 * layout.margin, layout.band);
    if (!timeOfDay.empty()) {
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(timeOfDay));
    }
    painter.drawText(text, Qt::AlignRight | Qt::AlignVCenter,
                     QString::fromStdString(readout) + QStringLiteral(" s"));
}
