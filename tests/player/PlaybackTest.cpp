#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QSlider>
#include <QTest>

#include "FrameTimeText.h"
#include "PlayerTestSupport.h"
#include "QtMultimediaTimer.h"

namespace {

class PlaybackTest : public PlayerFixture {
protected:
    void open(const std::vector<int>& numbers) {
        ASSERT_TRUE(player->openRecording(folder.recording("play.dat", numbers)));
    }
    const Recording& recording() { return player->loadedRecording(); }

    // Fires ticks until playback ends; the 1-based ticks on which the image area was
    // painted, with the shade each paint showed.
    std::vector<std::pair<int, int>> playToEnd(PaintLog& log, int limit = 1000) {
        std::vector<std::pair<int, int>> painted;
        for (int tick = 1; tick <= limit && player->runningTimerId() != 0; ++tick) {
            log.clear();
            timer.fire();
            for (int shade : log.shades) {
                painted.emplace_back(tick, shade);
            }
        }
        return painted;
    }
};

using Painted = std::vector<std::pair<int, int>>;

TEST_F(PlaybackTest, FramesArePaintedWhenTheClockReachesTheirNumbers) {
    open({1, 4, 7});
    PaintLog log(*player);
    player->onPlay();
    ASSERT_EQ(timer.runningCount(), 1);
    EXPECT_EQ(timer.last()->periodMs, 33U);
    EXPECT_EQ(transportStates(*player), "010000");

    EXPECT_EQ(playToEnd(log), (Painted{{1, 0}, {4, 1}, {7, 2}}));
    EXPECT_EQ(recording().currentIndex(), 2U);
    EXPECT_EQ(recording().tick(), 8U);
    EXPECT_FALSE(recording().isPlaying());
    EXPECT_EQ(timer.runningCount(), 0);
    EXPECT_EQ(timer.fireTimes(1), 0);

    // The end of the recording: Play, Prev and First on; Stop, Next and Last off; the slider
    // at its end and the readout at the last frame's time.
    EXPECT_EQ(transportStates(*player), "101100");
    EXPECT_EQ(sliderOf(*player)->value(), 6);
    EXPECT_EQ(readoutOf(*player)->text(), QString::fromStdString(frameTimeText(7)));
}

TEST_F(PlaybackTest, NumbersOneApartShowEveryOtherFrame) {
    open({1, 2, 3, 4, 5});
    PaintLog log(*player);
    player->onPlay();
    // The last tick ends on frame 4, which the readout names and the window shows at once.
    EXPECT_EQ(playToEnd(log), (Painted{{1, 0}, {3, 1}, {5, 3}, {5, 4}}));
    EXPECT_EQ(recording().currentIndex(), 4U);
}

TEST_F(PlaybackTest, SliderAndReadoutFollowEachTick) {
    open({1, 4, 7});
    player->onPlay();
    timer.fireTimes(2);  // tick 1 shows frame 0 and moves on to frame 1
    timer.fire();
    EXPECT_EQ(sliderOf(*player)->value(), 4);
    EXPECT_EQ(readoutOf(*player)->text(), QString::fromStdString(frameTimeText(4)));
}

TEST_F(PlaybackTest, PlayStartsWhereTheCursorIsOrFromTheStartAtTheEnd) {
    open({1, 4, 7, 10});
    PaintLog log(*player);
    player->onNext();
    log.clear();
    player->onPlay();
    // From the middle: frame 1 at once, then frames 2 and 3 as the clock reaches 7 and 10.
    EXPECT_EQ(playToEnd(log), (Painted{{1, 1}, {4, 2}, {7, 3}}));

    // Play at the last frame starts again from the first.
    player->onLast();
    player->onPlay();
    EXPECT_EQ(recording().currentIndex(), 0U);
    EXPECT_EQ(recording().tick(), 1U);
    EXPECT_EQ(playToEnd(log), (Painted{{1, 0}, {4, 1}, {7, 2}, {10, 3}}));
}

TEST_F(PlaybackTest, StopKeepsTheEndButtonsOffAtTheEnds) {
    open({1, 4, 7});
    player->onPlay();
    buttonOf(*player, "stopButton")->click();
    EXPECT_EQ(transportStates(*player), "100011");  // at the first frame
    EXPECT_EQ(player->runningTimerId(), 0U);
    EXPECT_EQ(timer.runningCount(), 0);
    EXPECT_FALSE(recording().isPlaying());

    player->onPlay();
    timer.fireTimes(5);  // frames 0 and 1 shown, the cursor on frame 2
    player->onStop();
    EXPECT_EQ(transportStates(*player), "101100");

    player->onFirst();
    player->onPlay();
    timer.fireTimes(2);
    player->onStop();
    EXPECT_EQ(transportStates(*player), "101111");
}

TEST_F(PlaybackTest, StepButtonsSetTheSliderToTheFrameNumber) {
    open({1, 4, 7});
    QSlider* slider = sliderOf(*player);
    player->onNext();
    EXPECT_EQ(slider->value(), 4);
    EXPECT_EQ(transportStates(*player), "101111");
    player->onNext();
    // Number 7 is past the range's end 6.
    EXPECT_EQ(slider->value(), 6);
    EXPECT_EQ(transportStates(*player), "101100");
    player->onPrev();
    EXPECT_EQ(slider->value(), 4);
    player->onFirst();
    EXPECT_EQ(slider->value(), 1);
    EXPECT_EQ(transportStates(*player), "100011");
    player->onLast();
    EXPECT_EQ(slider->value(), 6);
    EXPECT_EQ(readoutOf(*player)->text(), QString::fromStdString(frameTimeText(7)));
}

TEST_F(PlaybackTest, PositionSetByAStepIsNotReadBackAsASeek) {
    // Position 2 would select number 3; the cursor must stay on number 2.
    open({1, 2, 3});
    player->onNext();
    EXPECT_EQ(sliderOf(*player)->value(), 2);
    EXPECT_EQ(recording().currentIndex(), 1U);
    EXPECT_EQ(transportStates(*player), "101111");
}

TEST_F(PlaybackTest, MovingTheSliderStopsPlaybackAndSeeksOnEveryMove) {
    open({1, 4, 7});
    PaintLog log(*player);
    QSlider* slider = sliderOf(*player);
    player->onPlay();
    timer.fire();
    const std::uint32_t running = player->runningTimerId();

    // Dragging the thumb: the first move stops playback; every position shows its frame.
    slider->setSliderDown(true);
    log.clear();
    slider->setSliderPosition(4);
    EXPECT_EQ(player->runningTimerId(), 0U);
    EXPECT_EQ(timer.killed, std::vector<std::uint32_t>{running});
    EXPECT_FALSE(recording().isPlaying());
    EXPECT_EQ(recording().currentIndex(), 1U);
    EXPECT_EQ(log.shades.back(), 1);
    EXPECT_EQ(transportStates(*player), "101111");
    EXPECT_EQ(readoutOf(*player)->text(), QString::fromStdString(frameTimeText(4)));

    slider->setSliderPosition(2);
    EXPECT_EQ(recording().currentIndex(), 0U);
    EXPECT_EQ(transportStates(*player), "100011");
    slider->setSliderPosition(6);
    EXPECT_EQ(recording().currentIndex(), 2U);
    EXPECT_EQ(transportStates(*player), "101100");

    // Releasing changes nothing more.
    log.clear();
    slider->setSliderDown(false);
    EXPECT_TRUE(log.shades.empty());
    EXPECT_EQ(recording().currentIndex(), 2U);

    // Keys on the focused slider move it as the user's own moves.
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Home);
    EXPECT_EQ(recording().currentIndex(), 0U);
    QTest::keyClick(slider, Qt::Key_PageUp);
    EXPECT_EQ(slider->value(), 6);
    EXPECT_EQ(recording().currentIndex(), 2U);
}

TEST_F(PlaybackTest, StaleTimerEventsDoNothing) {
    open({1, 4, 7});
    player->onPlay();
    const std::uint32_t first = player->runningTimerId();
    player->onStop();
    player->onPlay();
    ASSERT_NE(player->runningTimerId(), first);
    PaintLog log(*player);
    const std::uint32_t tick = recording().tick();
    timer.fireId(first);
    timer.fireId(first);
    EXPECT_EQ(recording().tick(), tick);
    EXPECT_TRUE(log.shades.empty());
    timer.fire();
    EXPECT_EQ(log.shades, std::vector<int>{0});
}

TEST_F(PlaybackTest, PeriodIsThirtyThreeWithinTheSupportedRange) {
    open({1, 4, 7});
    const auto periodFor = [&](std::uint32_t min, std::uint32_t max) {
        timer.caps = MultimediaTimer::Capabilities{min, max};
        player->onPlay();
        const std::uint32_t period = timer.last()->periodMs;
        player->onStop();
        return period;
    };
    EXPECT_EQ(periodFor(1, 1000000), 33U);
    EXPECT_EQ(periodFor(50, 1000000), 50U);
    EXPECT_EQ(periodFor(1, 20), 20U);
    EXPECT_EQ(periodFor(1, 33), 33U);
    EXPECT_EQ(periodFor(1, 34), 33U);
    EXPECT_TRUE(prompts.calls().empty());
}

TEST_F(PlaybackTest, UnreadableCapabilitiesReportAndCloseTheWindow) {
    open({1, 4, 7});
    timer.caps.reset();
    player->onPlay();
    EXPECT_EQ(timer.events.size(), 0U);
    EXPECT_EQ(player->runningTimerId(), 0U);
    ASSERT_EQ(prompts.calls().size(), 1U);
    EXPECT_EQ(prompts.calls()[0].text, "マルチメディアタイマを設定できません");
    EXPECT_EQ(prompts.calls()[0].icon, Prompts::Icon::Warning);
    EXPECT_EQ(transportStates(*player), "010000");
    // The close is asked for, not done on the spot.
    EXPECT_TRUE(player->isVisible());
    settle();
    EXPECT_FALSE(player->isVisible());
}

TEST_F(PlaybackTest, RefusedTimerShowsPlayingButNothingMovesUntilStop) {
    open({1, 4, 7});
    timer.refuseStart = true;
    player->onPlay();
    EXPECT_EQ(player->runningTimerId(), 0U);
    EXPECT_TRUE(prompts.calls().empty());
    EXPECT_EQ(transportStates(*player), "010000");
    EXPECT_EQ(timer.fireTimes(10), 0);
    player->onStop();
    EXPECT_EQ(transportStates(*player), "100011");
}

TEST_F(PlaybackTest, DamagedFrameDoesNotStopPlayback) {
    ASSERT_TRUE(player->openRecording(folder.recordingWithDamage("damaged.dat", {1, 4, 7, 10}, 1)));
    PaintLog log(*player);
    player->onPlay();
    const Painted painted = playToEnd(log);
    ASSERT_EQ(painted.size(), 4U);
    EXPECT_EQ(painted.back(), (std::pair<int, int>{10, 3}));
    EXPECT_EQ(recording().currentIndex(), 3U);
    EXPECT_TRUE(prompts.calls().empty());
}

TEST_F(PlaybackTest, ClockWrappingBetweenTicksHoldsThePlaybackClockOnce) {
    open({1, 4, 7});
    PaintLog log(*player);
    player->onPlay();
    timer.fireTimes(3);
    // The millisecond clock wraps before the due tick of frame 1; that tick does not advance.
    timer.clock = 0xFFFFFFFFu - 10;
    timer.fire();  // tick 4 wraps past zero
    EXPECT_EQ(log.shades.back(), 1);
    log.clear();
    EXPECT_EQ(playToEnd(log), (Painted{{4, 2}}));
}

TEST_F(PlaybackTest, KeysWorkTheEnabledButtons) {
    open({1, 4, 7});
    player->setFocus();
    QTest::keyClick(player.get(), Qt::Key_Left);  // Prev is off
    EXPECT_EQ(recording().currentIndex(), 0U);
    QTest::keyClick(player.get(), Qt::Key_Right);
    EXPECT_EQ(recording().currentIndex(), 1U);
    QTest::keyClick(player.get(), Qt::Key_End);
    EXPECT_EQ(recording().currentIndex(), 2U);
    QTest::keyClick(player.get(), Qt::Key_Left);
    EXPECT_EQ(recording().currentIndex(), 1U);
    QTest::keyClick(player.get(), Qt::Key_Home);
    EXPECT_EQ(recording().currentIndex(), 0U);

    QTest::keyClick(player.get(), Qt::Key_Space);
    EXPECT_NE(player->runningTimerId(), 0U);
    // Stepping keys do nothing while their buttons are off during playback.
    QTest::keyClick(player.get(), Qt::Key_Right);
    EXPECT_EQ(recording().currentIndex(), 0U);
    EXPECT_TRUE(recording().isPlaying());
    QTest::keyClick(player.get(), Qt::Key_Space);
    EXPECT_EQ(player->runningTimerId(), 0U);
    EXPECT_EQ(transportStates(*player), "100011");
}

TEST_F(PlaybackTest, NothingLoadedIgnoresTheKeys) {
    player->setFocus();
    for (Qt::Key key : {Qt::Key_Space, Qt::Key_Right, Qt::Key_End}) {
        QTest::keyClick(player.get(), key);
    }
    EXPECT_EQ(timer.events.size(), 0U);
    EXPECT_TRUE(prompts.calls().empty());
}

// The real timer: the sample, 601 frame numbers at 33 ms, takes about 20 seconds.
TEST_F(PlaybackTest, SamplePlaysToItsEndInAboutItsLength) {
    QtMultimediaTimer realTimer;
    MultimediaTimer::install(&realTimer);
    ASSERT_TRUE(player->openRecording(HALCYRA_SAMPLE_PATH));
    const std::int32_t last = recording().lastNumber();
    ASSERT_EQ(last, 601);

    std::vector<qint64> intervals;
    QElapsedTimer clock;
    qint64 previous = 0;
    PaintLog log(*player);
    clock.start();
    player->onPlay();
    while (player->runningTimerId() != 0 && clock.elapsed() < 60000) {
        const std::size_t painted = log.shades.size();
        QTest::qWait(1);
        if (log.shades.size() != painted) {
            const qint64 now = clock.elapsed();
            intervals.push_back(now - previous);
            previous = now;
        }
    }
    const qint64 elapsed = clock.elapsed();
    MultimediaTimer::install(&timer);
    EXPECT_EQ(player->runningTimerId(), 0U);
    EXPECT_TRUE(recording().isLast());
    // 600 ticks after the first at 33 ms each: 19.8 s.
    EXPECT_GT(elapsed, 15000);
    EXPECT_LT(elapsed, 40000);

    if (intervals.size() > 2) {
        std::vector<qint64> between(intervals.begin() + 1, intervals.end());
        std::sort(between.begin(), between.end());
        const qint64 median = between[between.size() / 2];
        std::printf(
            "sample played in %lld ms; %zu paints, median interval %lld ms, worst %lld ms\n",
            static_cast<long long>(elapsed), intervals.size(), static_cast<long long>(median),
            static_cast<long long>(between.back()));
    }
}

}  // namespace

// A repaint between ticks (a resize, un-hiding, a zoom) shows the frame whose time the readout
// shows, never the one already decoded ahead.
TEST_F(PlaybackTest, ARepaintBetweenTicksShowsTheReadoutsFrame) {
    const std::vector<int> numbers{1, 4, 7, 10};
    open(numbers);
    const auto readoutFrame = [&] {
        for (std::size_t k = 0; k < numbers.size(); ++k) {
            if (readoutOf(*player)->text() == QString::fromStdString(frameTimeText(numbers[k]))) {
                return static_cast<int>(k);
            }
        }
        return -1;
    };
    const auto shownShade = [&] {
        const QImage image = grabImage(*player);
        return shadeOfColour(image.pixelColor(image.width() / 2, (image.height() - PlayerWnd::panelHeight) / 2));
    };
    player->onPlay();
    for (int tick = 1; tick <= 12 && player->runningTimerId() != 0; ++tick) {
        timer.fire();
        EXPECT_EQ(shownShade(), readoutFrame()) << "after tick " << tick;
    }
    EXPECT_EQ(shownShade(), 3);
    // Zoomed, and after a stop in the middle, the same.
    player->onFirst();
    player->onPlay();
    timer.fire();
    player->onStop();
    player->zoomAround(QPointF(144, 90), 2.0);
    EXPECT_EQ(shownShade(), readoutFrame());
    EXPECT_EQ(readoutFrame(), 0);
}
