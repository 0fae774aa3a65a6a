#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

#include "BitmapButton.h"

namespace {

QImage renderButton(BitmapButton& button) {
    QImage img(button.size(), QImage::Format_RGB32);
    img.fill(Qt::magenta);
    button.render(&img);
    return img;
}

QImage resourceImage(const QString& glyph, const QString& state) {
    return QImage(":/buttons/" + glyph + "-" + state + ".png")
        .convertToFormat(QImage::Format_RGB32);
}

}  // namespace

TEST(BitmapButton, ShowsTheImageOfItsState) {
    BitmapButton button;
    button.loadBitmaps("play");
    EXPECT_EQ(button.sizeHint(), QSize(48, 30));
    button.resize(button.sizeHint());

    EXPECT_EQ(renderButton(button), resourceImage("play", "normal"));
    button.setDown(true);
    EXPECT_EQ(renderButton(button), resourceImage("play", "pressed"));
    button.setDown(false);
    button.setEnabled(false);
    EXPECT_EQ(renderButton(button), resourceImage("play", "disabled"));
}

TEST(BitmapButton, FocusPicksFocusedImageButDownAndDisabledWin) {
    BitmapButton button;
    button.loadBitmaps("stop");
    button.resize(48, 30);
    button.show();
    button.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&button));
    button.setFocus();
    ASSERT_TRUE(button.hasFocus());

    EXPECT_EQ(renderButton(button), resourceImage("stop", "focused"));
    button.setDown(true);
    EXPECT_EQ(renderButton(button), resourceImage("stop", "pressed"));
    button.setDown(false);
    button.setEnabled(false);
    EXPECT_EQ(renderButton(button), resourceImage("stop", "disabled"));
}

// A state whose picture did not load shows the normal one; nothing loaded paints nothing.
TEST(BitmapButton, MissingPicturesFallBack) {
    BitmapButton button;
    button.resize(48, 30);
    QImage img(button.size(), QImage::Format_RGB32);
    img.fill(Qt::magenta);
    button.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(img.pixel(10, 10), QColor(Qt::magenta).rgb());

    button.loadBitmaps(":/buttons/next-normal.png", ":/buttons/next-pressed.png", ":/no/such.png",
                       ":/no/such.png");
    button.setEnabled(false);
    EXPECT_EQ(renderButton(button), resourceImage("next", "normal"));
}
