// The viewer's additions: the event mark and key, speed, zoom, the [View] options and the
// context menu.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QTest>
#include <QWheelEvent>

#include "EventSlider.h"
#include "FrameTimeText.h"
#include "PlayerTestSupport.h"
#include "SensitivityMemory.h"

namespace {

class ViewTest : public PlayerFixture {
protected:
    void open(const std::vector<int>& numbers, int width = 32, int height = 24) {
        ASSERT_TRUE(player->openRecording(folder.recording("view.dat", numbers, width, height)));
    }
    const Recording& recording() { return player->loadedRecording(); }
    void wheel(QPoint at, int notches) {
        QWheelEvent event(at, player->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(player.get(), &event);
    }
};

// Columns of the slider's picture at row y that show the mark's red.
std::vector<int> redColumns(const QImage& image, int y) {
    std::vector<int> columns;
    for (int x = 0; x < image.width(); ++x) {
        const QColor c = image.pixelColor(x, y);
        if (c.red() > 180 && c.green() < 40 && c.blue() < 40) {
            columns.push_back(x);
        }
    }
    return columns;
}

TEST_F(ViewTest, EventMarkSitsWhereTheHandleStandsAtTheEventAtEveryWidth) {
    for (const int width : {288, 1000}) {
        showPlayer(width, 298);
        open({1, 451, 601});
        auto* slider = static_cast<EventSlider*>(sliderOf(*player));
        const int bottomRow = slider->height() - 2;  // among the tick marks, below the handle
        QImage image = slider->grab().toImage();
        const std::vector<int> below = redColumns(image, bottomRow);
        ASSERT_FALSE(below.empty()) << width;
        EXPECT_LE(below.back() - below.front(), 3) << width;
        const int markX = (below.front() + below.back()) / 2;
        // The handle at 450 covers the mark on the groove: they line up.
        const int grooveRow = slider->height() / 3;
        EXPECT_FALSE(redColumns(image, grooveRow).empty()) << width;
        slider->setValue(450);
        image = slider->grab().toImage();
        for (int x : redColumns(image, grooveRow)) {
            EXPECT_GT(std::abs(x - markX), 3) << width;
        }
        EXPECT_EQ(redColumns(image, bottomRow), below) << width;
    }
    // A range that ends before position 450 has no mark; one that ends on it has.
    open({1, 4, 450});
    EXPECT_TRUE(
        redColumns(sliderOf(*player)->grab().toImage(), sliderOf(*player)->height() - 2).empty());
    open({1, 451});
    EXPECT_FALSE(
        redColumns(sliderOf(*player)->grab().toImage(), sliderOf(*player)->height() - 2).empty());
}

TEST_F(ViewTest, EventKeySelectsAsASliderMoveToTheEventBeforeInsideAndAfterTheRange) {
    player->setFocus();
    QTest::keyClick(player.get(), Qt::Key_E);  // nothing loaded: nothing happens
    EXPECT_EQ(readoutOf(*player)->text(), QStringLiteral("--.---"));

    // Inside, during playback: playback stops on the frame of 0.000 s.
    open({1, 301, 451, 460, 601});
    player->onPlay();
    timer.fireTimes(3);
    QTest::keyClick(player.get(), Qt::Key_E);
    EXPECT_EQ(player->runningTimerId(), 0U);
    EXPECT_FALSE(recording().isPlaying());
    EXPECT_EQ(recording().currentIndex(), 2U);
    EXPECT_EQ(sliderOf(*player)->value(), 450);
    EXPECT_EQ(readoutOf(*player)->text(), QStringLiteral("0.000"));
    EXPECT_EQ(transportStates(*player), "101111");

    // Every frame before it: the last frame, the slider at its end.
    open({1, 4, 7});
    QTest::keyClick(player.get(), Qt::Key_E);
    EXPECT_EQ(recording().currentIndex(), 2U);
    EXPECT_EQ(sliderOf(*player)->value(), 6);
    EXPECT_EQ(readoutOf(*player)->text(), QString::fromStdString(frameTimeText(7)));
    EXPECT_EQ(transportStates(*player), "101100");

    // Every frame after it: the first frame.
    open({500, 530});
    QTest::keyClick(player.get(), Qt::Key_E);
    EXPECT_EQ(recording().currentIndex(), 0U);
    EXPECT_EQ(readoutOf(*player)->text(), QString::fromStdString(frameTimeText(500)));
    EXPECT_EQ(transportStates(*player), "100011");
}

TEST_F(ViewTest, SpeedStopsAtItsLimitsAndOpeningResetsIt) {
    open({1, 4});
    player->setFocus();
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(player.get(), Qt::Key_BracketRight);
    }
    EXPECT_EQ(player->playbackPace().factor(), 4.0);
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(player.get(), Qt::Key_BracketLeft);
    }
    EXPECT_EQ(player->playbackPace().factor(), 0.25);
    EXPECT_EQ(readoutOf(*player)->text(), QStringLiteral("-15.000"));
    open({1, 4});
    EXPECT_EQ(player->playbackPace().factor(), 1.0);
}

// Frames 3 numbers apart, played at each speed on the hand-stepped timer: each frame is
// painted within one timer period of its ideal time, in order, and the whole run keeps the
// pace within 5 %.
TEST_F(ViewTest, EverySpeedKeepsThePaceOnTheSteppedTimer) {
    std::vector<int> numbers;
    for (int n = 1; n <= 91; n += 3) {
        numbers.push_back(n);
    }
    open(numbers);
    for (int level = PlaybackPace::slowestLevel; level <= PlaybackPace::fastestLevel; ++level) {
        player->onFirst();
        player->setSpeedLevel(level);
        PaintLog log(*player);
        player->onPlay();
        ASSERT_NE(timer.last(), nullptr);
        const std::uint32_t period = timer.last()->periodMs;
        EXPECT_EQ(period, level <= 0 ? 33U << -level : 8U) << level;
        const std::uint32_t start = timer.clock;
        const double unitMs = 33.0 / player->playbackPace().factor();
        int shown = -1;
        std::uint32_t lastPaint = 0;
        for (int fires = 0; player->runningTimerId() != 0 && fires < 2000; ++fires) {
            log.clear();
            timer.fire();
            for (int shade : log.shades) {
                // Shades repeat every eight frames; the frame index follows from the order.
                ASSERT_EQ(shade, (shown + 1) % 8) << level;
                ++shown;
                const double ideal = (numbers[static_cast<std::size_t>(shown)] - 1) * unitMs;
                EXPECT_NEAR(timer.clock - start - period, ideal, period) << level << " " << shown;
                lastPaint = timer.clock - start - period;
            }
        }
        EXPECT_EQ(shown, static_cast<int>(numbers.size()) - 1) << level;
        EXPECT_NEAR(lastPaint / (90 * unitMs), 1.0, 0.05) << level;
    }
}

TEST_F(ViewTest, SpeedChangeDuringPlaybackRestartsTheTimerAtItsPeriod) {
    open({1, 4, 7, 10});
    player->onPlay();
    const std::uint32_t first = player->runningTimerId();
    player->onFaster();
    EXPECT_EQ(timer.runningCount(), 1);
    EXPECT_NE(player->runningTimerId(), first);
    EXPECT_EQ(timer.last()->periodMs, 8U);
    EXPECT_TRUE(recording().isPlaying());
}

TEST_F(ViewTest, ZoomStaysWithinFitAndEightTimesAndOpeningFits) {
    open({1, 4}, 320, 240);
    const QSize picture(320, 240);
    const QSize area = player->imageArea().size();
    wheel(QPoint(200, 100), 20);
    EXPECT_DOUBLE_EQ(player->viewTransform().zoom(), 8.0);
    // Zoomed, the picture covers the whole area: no band of window colour is left.
    const QImage image = grabImage(*player);
    for (const QPoint p : {QPoint(0, 0), QPoint(287, 0), QPoint(0, 179), QPoint(287, 179)}) {
        EXPECT_EQ(shadeOfColour(image.pixelColor(p)), 0) << p.x() << "," << p.y();
    }
    wheel(QPoint(200, 100), -40);
    EXPECT_TRUE(player->viewTransform().isFit());
    EXPECT_EQ(player->viewTransform().target(picture, area), QRectF(24, 0, 240, 180));

    wheel(QPoint(30, 30), 8);
    EXPECT_DOUBLE_EQ(player->viewTransform().zoom(), 4.0);
    player->onNext();  // the zoom holds while stepping
    EXPECT_DOUBLE_EQ(player->viewTransform().zoom(), 4.0);
    open({1, 4}, 320, 240);
    EXPECT_TRUE(player->viewTransform().isFit());
}

TEST(ViewTransform, ZoomKeepsThePointUnderThePointerAndLeavesNoGap) {
    const QSize picture(640, 480);
    const QSize area(1000, 500);  // fitted 666 x 500 at x 167
    ViewTransform view;
    view.zoomAround(picture, area, QPointF(400, 200), 2.0);
    QRectF target = view.target(picture, area);
    EXPECT_DOUBLE_EQ(target.width(), 1332);
    // The pointer's picture point, (400 - 167) / 666 across, stays under it.
    EXPECT_NEAR((400 - target.left()) / target.width(), (400 - 167) / 666.0, 1e-9);
    EXPECT_NEAR(target.top(), 200 - 200 / 500.0 * 1000, 1e-9);
    // Panning stops at the edges: the picture never leaves a gap it could cover.
    view.pan(picture, area, QPointF(5000, -5000));
    target = view.target(picture, area);
    EXPECT_DOUBLE_EQ(target.left(), 0);
    EXPECT_DOUBLE_EQ(target.bottom(), 500);
    // Only the visible part is drawn: the left half and the lower half of the source.
    const ViewTransform::Visible visible = view.visiblePart(picture, area);
    EXPECT_EQ(visible.source.left(), 0);
    EXPECT_EQ(visible.source.bottom(), 479);
    EXPECT_NEAR(visible.source.width(), 481, 1);
    EXPECT_NEAR(visible.source.top(), 240, 1);
}

TEST_F(ViewTest, SmoothScalingIsKeptInViewAndConfigIsLeftAsItWas) {
    const std::string ini = folder.path("Halcyra.ini");
    const QByteArray config = "[Config]\r\ncarType=1\r\nty=3\r\nSmoothScaling=1\r\n";
    {
        QFile file(QString::fromStdString(ini));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(config);
    }
    // A key of the same name in [Config] is not the view's.
    player->useViewOptions(ini);
    EXPECT_FALSE(player->smoothScaling());
    player->setSmoothScaling(true);

    QFile file(QString::fromStdString(ini));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), config + "[View]\r\nSmoothScaling=1\r\n");
    EXPECT_EQ(SensitivityMemory(ini).loadPositions(truckVehicle).frontBack, 3);

    showPlayer();
    player->useViewOptions(ini);
    EXPECT_TRUE(player->smoothScaling());
}

TEST_F(ViewTest, ContextMenuFollowsTheButtonsAndEndsWithTheFramesGroups) {
    open({1, 4, 7});
    QAction still(QStringLiteral("静止画"));
    player->addContextActions({&still});
    {
        QAction removed(QStringLiteral("gone"));
        player->addContextActions({&removed, nullptr});
    }
    const std::unique_ptr<QMenu> menu = player->createContextMenu();
    const QList<QAction*> items = menu->actions();
    ASSERT_GE(items.size(), 8);
    EXPECT_TRUE(items[0]->isEnabled());   // play
    EXPECT_FALSE(items[1]->isEnabled());  // stop
    EXPECT_FALSE(items[2]->isEnabled());  // first
    EXPECT_TRUE(items[4]->isEnabled());   // next
    EXPECT_TRUE(items[items.size() - 2]->isSeparator());
    EXPECT_EQ(items.back(), &still);
}

}  // namespace
