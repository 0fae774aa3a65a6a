#include <gtest/gtest.h>

#include <QImage>

#include "LogoBar.h"

namespace {

const QRgb ground = qRgb(8, 107, 181);

QImage renderBar(int width) {
    LogoBar bar;
    bar.resize(width, 28);
    QImage img(width, 28, QImage::Format_RGB32);
    img.fill(Qt::magenta);
    bar.render(&img);
    return img;
}

QImage logo() {
    return QImage(":/pictures/logo.png").convertToFormat(QImage::Format_RGB32);
}

}  // namespace

TEST(LogoBar, WideStripFillsLeftAndPutsLogoAtRightEdge) {
    const QImage img = renderBar(800);
    for (int y = 0; y < 28; ++y) {
        for (int x = 0; x < 512; ++x) {
            ASSERT_EQ(img.pixel(x, y), ground) << x << "," << y;
        }
    }
    EXPECT_EQ(img.copy(512, 0, 288, 28), logo());
}

TEST(LogoBar, NarrowStripShowsRightPartOfLogo) {
    EXPECT_EQ(renderBar(200), logo().copy(88, 0, 200, 28));
    EXPECT_EQ(renderBar(288), logo());
}
