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
    if (devicePixelRatioF() > 1.0) {
        // On a scaled display the same strokes, one logical pixel wide, through the centres
        // of the pixels above: sharp at the device's resolution instead of dotted or blocky.
        QPen wide(Qt::black, 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
        painter.setPen(wide);
        const auto centre = [](QPoint p) { return QPointF(p.x() + 0.5, p.y() + 0.5); };
        // The last pixel of each stroke, whose end point is left out.
        const auto stroke = [&](QPoint from, QPoint to) {
            const QPoint step((to.x() > from.x()) - (to.x() < from.x()),
                              (to.y() > from.y()) - (to.y() < from.y()));
            if (from != to) {
                painter.drawLine(centre(from), centre(to - step));
            }
        };
        stroke(left, right);
        stroke(left, QPoint(c - 1, 1));
        stroke(left, QPoint(c - 1, 2 * c - 1));
        stroke(right, QPoint(w - c - 1, 1));
        stroke(right, QPoint(w - c - 1, 2 * c - 1));
        return;
    }
    painter.setPen(pen);
    painter.drawPoints(points.constData(), static_cast<int>(points.size()));
}
