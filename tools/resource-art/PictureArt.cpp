#include "PictureArt.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygon>

namespace {

constexpr int vehicleWidth = 56;
constexpr int vehicleHeight = 40;

QImage whiteCanvas(int scale) {
    QImage img(vehicleWidth * scale, vehicleHeight * scale, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

// Lines one picture pixel wide: one device pixel at scale 1, `scale` pixels above it.
void setupLinePainter(QPainter& p, int scale) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setBrush(Qt::NoBrush);
    if (scale == 1) {
        p.setPen(QPen(Qt::black, 0));
        return;
    }
    p.scale(scale, scale);
    // Pixel centres, so the wider lines cover the same picture pixels as the thin ones.
    p.translate(0.5, 0.5);
    p.setPen(QPen(Qt::black, 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
}

void drawCaption(QPainter& p, const QString& text, int scale) {
    if (scale != 1) {
        p.translate(-0.5, -0.5);
    }
    QFont font(QStringLiteral("IPAGothic"));
    font.setPixelSize(12);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    p.setFont(font);
    p.drawText(QRect(0, 27, vehicleWidth, 13), Qt::AlignHCenter | Qt::AlignVCenter, text);
}

// Any grey a font engine might still leave becomes black or white.
QImage toBlackAndWhite(const QImage& img) {
    QImage out = img.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            out.setPixel(x, y, qGray(out.pixel(x, y)) < 128 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        }
    }
    return out;
}

void drawWheel(QPainter& p, int cx, int cy) {
    p.drawEllipse(QPoint(cx, cy), 4, 4);
    p.drawPoint(cx, cy);
}

}  // namespace

QImage drawCarPicture(int scale) {
    QImage img = whiteCanvas(scale);
    {
        QPainter p(&img);
        setupLinePainter(p, scale);
        // Saloon seen from the side, nose to the left.
        const QPolygon body{{8, 21}, {3, 21},  {3, 16},  {5, 13},  {16, 11}, {22, 5},
                            {36, 5}, {42, 11}, {51, 12}, {52, 15}, {52, 21}, {47, 21}};
        p.drawPolyline(body);
        p.drawLine(18, 21, 37, 21);
        // Wheel arches open above the wheels.
        p.drawArc(QRect(7, 15, 12, 12), 0, 180 * 16);
        p.drawArc(QRect(36, 15, 12, 12), 0, 180 * 16);
        drawWheel(p, 13, 21);
        drawWheel(p, 42, 21);
        // Side windows and the door line.
        p.drawPolygon(QPolygon{{19, 11}, {23, 7}, {28, 7}, {28, 11}});
        p.drawPolygon(QPolygon{{30, 11}, {30, 7}, {35, 7}, {39, 11}});
        p.drawLine(29, 12, 29, 19);
        p.drawLine(31, 14, 33, 14);
        drawCaption(p, QStringLiteral("乗用車"), scale);
    }
    return toBlackAndWhite(img);
}

QImage drawTruckPicture(int scale) {
    QImage img = whiteCanvas(scale);
    {
        QPainter p(&img);
        setupLinePainter(p, scale);
        // Cab to the left, a box body behind it.
        p.drawPolyline(QPolygon{{7, 22}, {3, 22}, {3, 12}, {6, 4}, {17, 4}, {17, 22}});
        p.drawPolygon(QPolygon{{5, 12}, {8, 6}, {15, 6}, {15, 12}});
        p.drawRect(QRect(19, 2, 34, 16));
        p.drawLine(15, 22, 34, 22);
        p.drawLine(51, 22, 53, 22);
        p.drawLine(53, 19, 53, 22);
        p.drawLine(17, 19, 53, 19);
        drawWheel(p, 11, 22);
        drawWheel(p, 38, 22);
        drawWheel(p, 47, 22);
        drawCaption(p, QStringLiteral("トラック"), scale);
    }
    return toBlackAndWhite(img);
}

QImage drawLogo(int scale) {
    const QColor ground(8, 107, 181);
    QImage img(288 * scale, 28 * scale, QImage::Format_RGB32);
    img.fill(ground);
    QPainter p(&img);
    p.scale(scale, scale);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);

    // A small lens mark in front of the name.
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(143.5, 14), 8, 8);
    p.setBrush(Qt::white);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(143.5, 14), 3.5, 3.5);

    QFont jp(QStringLiteral("IPAGothic"));
    jp.setPixelSize(17);
    jp.setBold(true);
    p.setFont(jp);
    p.setPen(Qt::white);
    p.drawText(QRect(158, 0, 76, 28), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("ソラミル"));

    QFont latin(QStringLiteral("DejaVu Sans"));
    latin.setPixelSize(11);
    latin.setItalic(true);
    p.setFont(latin);
    p.setPen(QColor(214, 232, 246));
    p.drawText(QRect(232, 0, 52, 28), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Halcyra"));
    p.end();
    return img;
}

QImage drawIcon(int size) {
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 64.0, size / 64.0);

    // Blue tile, a road running into the distance, a dashboard camera above it.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(8, 107, 181));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);

    QPainterPath road;
    road.moveTo(8, 62);
    road.lineTo(27, 34);
    road.lineTo(37, 34);
    road.lineTo(56, 62);
    road.closeSubpath();
    p.save();
    QPainterPath tile;
    tile.addRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
    p.setClipPath(tile);
    p.setBrush(QColor(70, 70, 78));
    p.drawPath(road);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF{{31.2, 37}, {32.8, 37}, {33.2, 43}, {30.8, 43}});
    p.drawPolygon(QPolygonF{{30.6, 47}, {33.4, 47}, {34.0, 56}, {30.0, 56}});
    p.restore();

    p.setBrush(QColor(40, 40, 44));
    p.setPen(QPen(QColor(230, 230, 230), 1.5));
    p.drawRoundedRect(QRectF(14, 10, 36, 20), 4, 4);
    p.setBrush(QColor(120, 190, 240));
    p.setPen(QPen(QColor(230, 230, 230), 2));
    p.drawEllipse(QPointF(32, 20), 7, 7);
    p.setBrush(QColor(20, 40, 70));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(32, 20), 3.5, 3.5);
    p.setBrush(QColor(230, 60, 50));
    p.drawEllipse(QPointF(45, 14), 1.8, 1.8);
    p.end();
    return img;
}
