#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include <QImage>

#include "FrameOverlay.h"
#include "PlaneOverlay.h"
#include "PlanePicture.h"

// The times drawn into planes look as those drawn on the picture: the same band, the same
// texts at the same places, white stays white and the band as dark.
TEST(PlaneOverlayTest, PlanesCarryTheBandAndTextsOfThePicture) {
    for (const auto& [width, height] : {std::pair{320, 240}, std::pair{641, 479}}) {
        SCOPED_TRACE(width);
        // A grey of full-range 150, i.e. limited-range 16 + 150 * 219 / 255.
        QImage picture(width, height, QImage::Format_BGR888);
        picture.fill(QColor(150, 150, 150));
        drawFrameOverlay(picture, "2026/11/28 23:59:58", "-12.300");
        PlanePicture planes;
        ASSERT_TRUE(planes.create(width, height));
        std::fill(planes.y(), planes.y() + planes.lumaWidth() * planes.lumaHeight(), 145);
        PlaneOverlay overlay(width, height);
        overlay.draw(planes, "2026/11/28 23:59:58", "-12.300");
        // Twice: the second time from the kept masks.
        PlanePicture again;
        ASSERT_TRUE(again.create(width, height));
        std::fill(again.y(), again.y() + again.lumaWidth() * again.lumaHeight(), 145);
        overlay.draw(again, "2026/11/28 23:59:58", "-12.300");
        EXPECT_EQ(again, planes);

        int far = 0;
        long textPixels = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const int grey = picture.pixelColor(x, y).green();
                const int expected = static_cast<int>(std::lround(16 + grey * 219.0 / 255.0));
                const int actual = planes.y()[y * planes.lumaWidth() + x];
                // Antialiased edges may be blended a little differently; a misplaced text or
                // band would differ by far more and in many pixels.
                far += std::abs(actual - expected) > 4 ? 1 : 0;
                textPixels += grey > 200 ? 1 : 0;
            }
        }
        EXPECT_GT(textPixels, 200);
        EXPECT_LE(far, textPixels / 100);
        // Grey stays grey.
        for (int i = 0; i < planes.chromaWidth() * planes.chromaHeight(); ++i) {
            ASSERT_EQ(planes.cb()[i], 128);
            ASSERT_EQ(planes.cr()[i], 128);
        }
    }
}
