#include "FrameOverlay.h"

#include <algorithm>

#include <QFont>
#include <QImage>
#include <QPainter>

void drawFrameOverlay(QImage& picture, const std::string& timeOfDay, const std::string& readout) {
    if (picture.isNull()) {
        return;
    }
    const int pixelSize = std::max(11, picture.height() / 18);
    const int band = pixelSize + pixelSize / 2;
    const int margin = std::max(3, pixelSize / 3);

    QPainter painter(&picture);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(QRect(0, picture.height() - band, picture.width(), band),
                     QColor(0, 0, 0, 170));
    QFont font(QStringLiteral("IPAGothic"));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(pixelSize);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    const QRect text(margin, picture.height() - band, picture.width() - 2 * margin, band);
    if (!timeOfDay.empty()) {
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(timeOfDay));
    }
    painter.drawText(text, Qt::AlignRight | Qt::AlignVCenter,
                     QString::fromStdString(readout) + QStringLiteral(" s"));
}
