#include "ArrowPicture.h"

#include <QPainter>
#include <QPoint>
#include <QVector>
#include <cstdlib>

namespace {

// Pixels of a line from `from` towards `to`, leaving out `to` itself as a move-to/line-to pair
// does, so strokes that share an end point do not depend on QPainter's end-point rule.
void appendLine(QVector<QPoint>& points, QPoint from, QPoint to) {
    const int dx = std::abs(to.x() - from.x());
    const int dy = -std::abs(to.y() - from.y());
    const int sx = from.x() < to.x() ? 1 : -1;
    const int sy = from.y() < to.y() ? 1 : -1;
    int err = dx + dy;
    QPoint p = from;
    while (p != to) {
        points.append(p);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            p.rx() += sx;
        }
        if (e2 <= dx) {
            err += dx;
            p.ry() += sy;
        }
    }
}

}  // namespace

ArrowPicture::ArrowPicture(QWidget* parent) : QWidget(parent), pen(Qt::black, 1, Qt::SolidLine) {
    pen.setCosmetic(true);
}

void ArrowPicture::paintEvent(QPaintEvent*) {
    const int w = width();
    const int c = height() / 2;
    const QPoint left(0, c);
    const QPoint right(w - 2, c);

    QVector<QPoint> points;
    appendLine(points, left, right);
    appendLine(points, left, QPoint(c - 1, 1));
    appendLine(points, left, QPoint(c - 1, 2 * c - 1));
    appendLine(points, right, QPoint(w - c - 1, 1));
    appendLine(points, right, QPoint(w - c - 1, 2 * c - 1));

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(pen);
    painter.drawPoints(points.constData(), static_cast<int>(points.size()));
}
