#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>

#include "BitmapRadioButton.h"

namespace {

const QRgb black = qRgb(0, 0, 0);

// An odd-sized button: its face is x 2..88, y 2..60, and a 20 x 12 picture lands at
// x = 2 + (89 - 20) / 2 = 36, y = 2 + (61 - 12) / 2 = 26, one pixel left of true centre.
constexpr int buttonW = 91;
constexpr int buttonH = 63;
const QPoint pictureAt(36, 26);

QImage testPicture() {
    QImage img(20, 12, QImage::Format_RGB32);
    img.fill(Qt::white);
    for (int x = 0; x < 20; ++x) {
        img.setPixel(x, 6, black);
    }
    img.setPixel(0, 0, black);
    img.setPixel(19, 11, black);
    img.setPixel(4, 2, black);
    return img;
}

QImage renderButton(BitmapRadioButton& button) {
    QImage img(button.size(), QImage::Format_RGB32);
    img.fill(Qt::magenta);
    button.render(&img);
    return img;
}

// What the picture should do to the bare face: black stays black, white shows the face.
void expectAndedPicture(const QImage& withPicture, const QImage& bare, QPoint at) {
    const QImage pic = testPicture();
    const QRect area(at, pic.size());
    for (int y = 0; y < withPicture.height(); ++y) {
        for (int x = 0; x < withPicture.width(); ++x) {
            QRgb expected = bare.pixel(x, y);
            if (area.contains(x, y) && pic.pixel(x - at.x(), y - at.y()) == black) {
                expected = black;
            }
            ASSERT_EQ(withPicture.pixel(x, y), expected) << "at " << x << "," << y;
        }
    }
}

class BitmapRadioButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        button.resize(buttonW, buttonH);
        bare.resize(buttonW, buttonH);
        button.setPicture(QPixmap::fromImage(testPicture()));
    }

    BitmapRadioButton button;
    BitmapRadioButton bare;
};

}  // namespace

TEST_F(BitmapRadioButtonTest, PictureIsAndedOntoTheFace) {
    expectAndedPicture(renderButton(button), renderButton(bare), pictureAt);

    button.setChecked(true);
    bare.setChecked(true);
    expectAndedPicture(renderButton(button), renderButton(bare), pictureAt);
}

TEST_F(BitmapRadioButtonTest, CheckedIsOurOwnFlagAndLooksSunken) {
    const QImage raised = renderButton(bare);
    bare.setChecked(true);
    EXPECT_TRUE(bare.isChecked());
    EXPECT_FALSE(bare.isCheckable());
    EXPECT_FALSE(static_cast<QAbstractButton&>(bare).isChecked());
    const QImage sunken = renderButton(bare);
    EXPECT_NE(raised, sunken);

    // A click is only reported; the host decides what is checked.
    QSignalSpy spy(&bare, &QAbstractButton::clicked);
    bare.click();
    EXPECT_EQ(spy.count(), 1);
    EXPECT_TRUE(bare.isChecked());
    bare.setChecked(false);
    EXPECT_EQ(renderButton(bare), raised);
}

TEST_F(BitmapRadioButtonTest, HeldDownIsSunkenWithPictureOnePixelLowerRight) {
    BitmapRadioButton checkedBare;
    checkedBare.resize(buttonW, buttonH);
    checkedBare.setChecked(true);

    bare.setDown(true);
    const QImage downFace = renderButton(bare);
    EXPECT_EQ(downFace, renderButton(checkedBare));

    button.setDown(true);
    expectAndedPicture(renderButton(button), downFace, pictureAt + QPoint(1, 1));

    // Released, the look follows the flag alone again.
    button.setDown(false);
    bare.setDown(false);
    expectAndedPicture(renderButton(button), renderButton(bare), pictureAt);
}

TEST_F(BitmapRadioButtonTest, KeyboardFocusAddsDottedRectangleInsideTheFace) {
    button.show();
    button.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&button));
    button.setFocus();
    ASSERT_TRUE(button.hasFocus());
    const QImage focused = renderButton(button);
    button.clearFocus();
    const QImage unfocused = renderButton(button);

    // Focus alone does not push the button in: everything off the ring is unchanged.
    const QRect ring(3, 3, buttonW - 6, buttonH - 6);
    const QRgb ink = button.palette().color(QPalette::Active, QPalette::WindowText).rgb();
    int dots = 0;
    for (int y = 0; y < buttonH; ++y) {
        for (int x = 0; x < buttonW; ++x) {
            const bool onRing = ring.contains(x, y) && !ring.adjusted(1, 1, -1, -1).contains(x, y);
            if (onRing && (x + y) % 2 != 0) {
                ASSERT_EQ(focused.pixel(x, y), ink) << x << "," << y;
                ++dots;
            } else {
                ASSERT_EQ(focused.pixel(x, y), unfocused.pixel(x, y)) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(dots, ring.width() + ring.height() - 2);
}

TEST_F(BitmapRadioButtonTest, DisabledLooksTheSame) {
    button.setChecked(true);
    const QImage enabled = renderButton(button);
    button.setEnabled(false);
    EXPECT_EQ(renderButton(button), enabled);
}

TEST_F(BitmapRadioButtonTest, WithoutPictureOnlyTheFrameIsDrawn) {
    button.setPicture(QPixmap());
    EXPECT_EQ(renderButton(button), renderButton(bare));
    button.setDown(true);
    bare.setDown(true);
    EXPECT_EQ(renderButton(button), renderButton(bare));
}

TEST_F(BitmapRadioButtonTest, PictureLargerThanFaceIsClippedNotMoved) {
    // Far edges smaller than the picture give a negative half, truncated toward zero.
    BitmapRadioButton small;
    small.resize(16, 10);
    small.setPicture(QPixmap::fromImage(testPicture()));
    BitmapRadioButton smallBare;
    smallBare.resize(16, 10);
    // Face 2..13 x 2..7: x = 2 + (14 - 20) / 2 = -1, y = 2 + (8 - 12) / 2 = 0.
    expectAndedPicture(renderButton(small), renderButton(smallBare), QPoint(-1, 0));
}
