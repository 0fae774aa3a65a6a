#include <gtest/gtest.h>

#include <QImage>
#include <QPoint>
#include <QSet>
#include <algorithm>

#include "ArrowPicture.h"

namespace {

const QRgb paper = qRgb(255, 255, 255);

QImage renderArrow(int w, int h) {
    ArrowPicture arrow;
    arrow.resize(w, h);
    QImage img(std::max(w, 1), std::max(h, 1), QImage::Format_RGB32);
    img.fill(paper);
    // Children only: the arrow must not paint a background of its own.
    arrow.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    return img;
}

QSet<QPoint> drawnPixels(const QImage& img) {
    QSet<QPoint> drawn;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            if (p != paper) {
                EXPECT_EQ(p, qRgb(0, 0, 0)) << "non-black pixel at " << x << "," << y;
                drawn.insert(QPoint(x, y));
            }
        }
    }
    return drawn;
}

}  // namespace

// Each stroke leaves out its end point; the right head's strokes start where the shaft ends,
// so that pixel is drawn by them.
TEST(ArrowPicture, DialogSizeDrawsShaftAndFortyFiveDegreeHeads) {
    const QSet<QPoint> drawn = drawnPixels(renderArrow(163, 9));

    QSet<QPoint> expected;
    for (int x = 0; x <= 161; ++x) {
        expected.insert(QPoint(x, 4));
    }
    for (QPoint p : {QPoint(1, 3), QPoint(2, 2), QPoint(1, 5), QPoint(2, 6), QPoint(160, 3),
                     QPoint(159, 2), QPoint(160, 5), QPoint(159, 6)}) {
        expected.insert(p);
    }
    EXPECT_EQ(drawn, expected);

    // The named end points of the strokes stay blank.
    for (QPoint end :
         {QPoint(3, 1), QPoint(3, 7), QPoint(158, 1), QPoint(158, 7), QPoint(162, 4)}) {
        EXPECT_FALSE(drawn.contains(end)) << end.x() << "," << end.y();
    }
}

TEST(ArrowPicture, EvenHeightIsSymmetricAboutTheShaft) {
    const QImage img = renderArrow(40, 6);
    const QSet<QPoint> drawn = drawnPixels(img);
    EXPECT_TRUE(drawn.contains(QPoint(0, 3)));
    EXPECT_TRUE(drawn.contains(QPoint(38, 3)));
    EXPECT_FALSE(drawn.contains(QPoint(39, 3)));
    // c = 3: strokes towards y = 1 and y = 5 stop one short, at y = 2 and y = 4.
    EXPECT_TRUE(drawn.contains(QPoint(1, 2)));
    EXPECT_TRUE(drawn.contains(QPoint(1, 4)));
    EXPECT_TRUE(drawn.contains(QPoint(37, 2)));
    EXPECT_TRUE(drawn.contains(QPoint(37, 4)));
    for (QPoint p : drawn) {
        EXPECT_TRUE(drawn.contains(QPoint(p.x(), 6 - p.y()))) << p.x() << "," << p.y();
        EXPECT_TRUE(p.y() >= 2 && p.y() <= 4) << p.x() << "," << p.y();
    }
    EXPECT_EQ(drawn.size(), 39 + 4);
}

TEST(ArrowPicture, WidthMovesOnlyTheRightHead) {
    const QSet<QPoint> narrow = drawnPixels(renderArrow(60, 9));
    const QSet<QPoint> wide = drawnPixels(renderArrow(120, 9));
    for (QPoint p : narrow) {
        if (p.x() < 30) {
            EXPECT_TRUE(wide.contains(p));
        } else if (p.y() != 4) {
            EXPECT_TRUE(wide.contains(p + QPoint(60, 0)));
        }
    }
    EXPECT_EQ(wide.size(), narrow.size() + 60);
}

TEST(ArrowPicture, TinySizesDoNotFail) {
    for (QSize size : {QSize(0, 0), QSize(1, 1), QSize(2, 1), QSize(3, 2), QSize(5, 30)}) {
        const QImage img = renderArrow(size.width(), size.height());
        EXPECT_FALSE(img.isNull());
    }
}
