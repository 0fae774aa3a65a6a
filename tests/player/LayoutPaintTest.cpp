#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "JpegEncoder.h"
#include "LogoBar.h"
#include "PlayerTestSupport.h"
#include "RecordingFileWriter.h"

namespace {

QRect geometryOf(PlayerWnd& player, const char* name) {
    return player.findChild<QWidget*>(QString::fromLatin1(name))->geometry();
}

class LayoutPaintTest : public PlayerFixture {};

TEST_F(LayoutPaintTest, ControlsStartWithTheirTextsIdsAndNothingLoaded) {
    struct Expected {
        const char* name;
        int id;
        QString text;
    };
    const Expected controls[] = {
        {"exitButton", 8, QStringLiteral("終了")},
        {"browseButton", 7, QStringLiteral("参照")},
        {"playButton", 3, "Play"},
        {"stopButton", 4, "Stop"},
        {"firstButton", 1, "First"},
        {"lastButton", 6, "Last"},
        {"prevButton", 2, "Prev"},
        {"nextButton", 5, "Next"},
    };
    for (const Expected& control : controls) {
        QAbstractButton* button = buttonOf(*player, control.name);
        ASSERT_NE(button, nullptr) << control.name;
        EXPECT_EQ(button->property("controlId").toInt(), control.id) << control.name;
        EXPECT_EQ(button->text(), control.text) << control.name;
    }
    EXPECT_EQ(transportStates(*player), "000000");
    EXPECT_TRUE(buttonOf(*player, "browseButton")->isEnabled());
    EXPECT_TRUE(buttonOf(*player, "exitButton")->isEnabled());

    QSlider* slider = sliderOf(*player);
    EXPECT_EQ(slider->property("controlId").toInt(), 0);
    EXPECT_FALSE(slider->isEnabled());
    EXPECT_TRUE(slider->isVisible());
    EXPECT_EQ(slider->orientation(), Qt::Horizontal);
    EXPECT_EQ(slider->tickPosition(), QSlider::TicksBelow);
    EXPECT_EQ(readoutOf(*player)->text(), QStringLiteral("--.---"));
    EXPECT_NE(player->findChild<LogoBar*>(QStringLiteral("logoBar")), nullptr);
    EXPECT_EQ(player->runningTimerId(), 0U);

    // The empty image area shows the window colour.
    const QImage image = grabImage(*player);
    const QColor windowColour = player->palette().color(QPalette::Base);
    for (const QPoint p : {QPoint(0, 0), QPoint(144, 90), QPoint(287, 179)}) {
        EXPECT_EQ(image.pixelColor(p), windowColour) << p.x() << "," << p.y();
    }
}

TEST_F(LayoutPaintTest, PanelFollowsTheClientSize) {
    // At the minimum the transport row fills the width; browse and exit sit beside the readout.
    EXPECT_EQ(geometryOf(*player, "panelStatic"), QRect(0, 180, 288, 118));
    EXPECT_EQ(geometryOf(*player, "slider"), QRect(0, 180, 288, 30));
    EXPECT_EQ(geometryOf(*player, "timeReadout"), QRect(0, 240, 88, 30));
    EXPECT_EQ(geometryOf(*player, "browseButton"), QRect(88, 240, 100, 30));
    EXPECT_EQ(geometryOf(*player, "exitButton"), QRect(188, 240, 100, 30));
    EXPECT_EQ(geometryOf(*player, "firstButton"), QRect(0, 210, 48, 30));
    EXPECT_EQ(geometryOf(*player, "prevButton"), QRect(48, 210, 48, 30));
    EXPECT_EQ(geometryOf(*player, "playButton"), QRect(96, 210, 48, 30));
    EXPECT_EQ(geometryOf(*player, "stopButton"), QRect(144, 210, 48, 30));
    EXPECT_EQ(geometryOf(*player, "nextButton"), QRect(192, 210, 48, 30));
    EXPECT_EQ(geometryOf(*player, "lastButton"), QRect(240, 210, 48, 30));
    EXPECT_EQ(geometryOf(*player, "logoBar"), QRect(0, 270, 288, 28));

    player->resize(500, 400);
    EXPECT_EQ(geometryOf(*player, "firstButton"), QRect(106, 312, 48, 30));
    EXPECT_EQ(geometryOf(*player, "lastButton"), QRect(346, 312, 48, 30));
    EXPECT_EQ(geometryOf(*player, "browseButton"), QRect(300, 342, 100, 30));
    EXPECT_EQ(geometryOf(*player, "exitButton"), QRect(400, 342, 100, 30));
    EXPECT_EQ(geometryOf(*player, "logoBar"), QRect(0, 372, 500, 28));

    // An odd width centres the row by the truncated half.
    player->resize(801, 600);
    EXPECT_EQ(geometryOf(*player, "firstButton"), QRect(256, 512, 48, 30));
    EXPECT_EQ(geometryOf(*player, "panelStatic"), QRect(0, 482, 801, 118));
    EXPECT_EQ(geometryOf(*player, "slider"), QRect(0, 482, 801, 30));
    EXPECT_EQ(geometryOf(*player, "exitButton"), QRect(701, 542, 100, 30));
}

TEST(StretchTarget, KeepsTheAspectByTruncatedRatios) {
    EXPECT_EQ(PlayerWnd::stretchTarget(320, 240, 288, 180), QRect(24, 0, 240, 180));
    EXPECT_EQ(PlayerWnd::stretchTarget(320, 240, 500, 300), QRect(50, 0, 400, 300));
    EXPECT_EQ(PlayerWnd::stretchTarget(320, 120, 288, 180), QRect(0, 36, 288, 108));
    // Equal ratios take the height branch and fill the area.
    EXPECT_EQ(PlayerWnd::stretchTarget(640, 480, 320, 240), QRect(0, 0, 320, 240));
    // 200 / 2.1367 = 93.6 truncates to 93; (100 - 93) / 2 = 3.5 truncates to 3.
    EXPECT_EQ(PlayerWnd::stretchTarget(641, 200, 300, 100), QRect(0, 3, 300, 93));
    EXPECT_TRUE(PlayerWnd::stretchTarget(320, 240, 288, 0).isEmpty());
    EXPECT_TRUE(PlayerWnd::stretchTarget(320, 240, 0, 180).isEmpty());
}

// Checks the first and last painted column and row of the picture, and the window colour
// just outside it, in a grab of the window.
void expectPictureAt(PlayerWnd& player, const QRect& target, const QColor& frameColour) {
    const QImage image = grabImage(player);
    const QColor windowColour = player.palette().color(QPalette::Base);
    const auto isFrame = [&](int x, int y) {
        const QColor c = image.pixelColor(x, y);
        return std::abs(c.red() - frameColour.red()) + std::abs(c.green() - frameColour.green()) +
                   std::abs(c.blue() - frameColour.blue()) <
               24;
    };
    const int midX = target.center().x();
    const int midY = target.center().y();
    EXPECT_TRUE(isFrame(target.left(), midY));
    EXPECT_TRUE(isFrame(target.right(), midY));
    EXPECT_TRUE(isFrame(midX, target.top()));
    EXPECT_TRUE(isFrame(midX, target.bottom()));
    if (target.left() > 0) {
        EXPECT_EQ(image.pixelColor(target.left() - 1, midY), windowColour);
        EXPECT_EQ(image.pixelColor(target.right() + 1, midY), windowColour);
    }
    if (target.top() > 0) {
        EXPECT_EQ(image.pixelColor(midX, target.top() - 1), windowColour);
        EXPECT_EQ(image.pixelColor(midX, target.bottom() + 1), windowColour);
    }
}

TEST_F(LayoutPaintTest, PaintsTheFrameStretchedWithItsAspect) {
    ASSERT_TRUE(player->openRecording(folder.recording("wide.dat", {1}, 320, 240)));
    const QColor colour = shadeColour(0);
    expectPictureAt(*player, QRect(24, 0, 240, 180), colour);

    player->resize(500, 300 + PlayerWnd::panelHeight);
    expectPictureAt(*player, QRect(50, 0, 400, 300), colour);

    player->resize(288, 298);
    ASSERT_TRUE(player->openRecording(folder.recording("flat.dat", {1}, 320, 120)));
    expectPictureAt(*player, QRect(0, 36, 288, 108), colour);
}

TEST_F(LayoutPaintTest, StretchingPicksNearestPixelsWithoutSmoothing) {
    // Left block black, right block white, so the decoded picture is exact; a stretched copy
    // has no grey between them unless it was smoothed.
    std::vector<std::uint8_t> rgb(16 * 8 * 3, 0);
    for (int y = 0; y < 8; ++y) {
        for (int x = 8; x < 16; ++x) {
            std::fill_n(rgb.begin() + (y * 16 + x) * 3, 3, std::uint8_t{255});
        }
    }
    JpegEncodeOptions options;
    options.quality = 100;
    options.subsampling = ChromaSubsampling::Yuv444;
    std::vector<std::uint8_t> file;
    appendFrame(file, 1, encodeJpeg(16, 8, rgb, options));
    ASSERT_TRUE(player->openRecording(folder.bytes("halves.dat", file)));

    // 16 x 8 into 288 x 180: 288 x 144 at y = 18, 18 screen pixels per picture pixel.
    const QImage image = grabImage(*player);
    int greys = 0;
    for (int x = 0; x < 288; ++x) {
        const int v = qGray(image.pixel(x, 90));
        greys += (v > 60 && v < 195) ? 1 : 0;
    }
    EXPECT_EQ(greys, 0);
    EXPECT_LT(qGray(image.pixel(100, 90)), 60);
    EXPECT_GT(qGray(image.pixel(200, 90)), 195);
}

}  // namespace
