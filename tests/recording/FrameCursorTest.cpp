#include <gtest/gtest.h>

#include "RecordingFileWriter.h"
#include "TestRecordings.h"

namespace {

struct Paint {
    int tick;   // 1-based timer tick
    int shade;  // frame shown by that paint
};

// Drives the timed steps the way the viewer's timer does, until the recording ends.
struct Playback {
    std::vector<Paint> paints;
    int endTick = 0;
};

Playback play(Recording& recording, RecordingWatcher& watcher, int maxTicks = 1000) {
    Playback result;
    recording.startPlaying();
    for (int tick = 1; tick <= maxTicks; ++tick) {
        const std::size_t paintsBefore = watcher.paintedShades.size();
        if (!recording.checkFrameDue()) {
            continue;
        }
        EXPECT_EQ(watcher.paintedShades.size(), paintsBefore + 1);
        result.paints.push_back({tick, watcher.paintedShades.back()});
        recording.advanceTick();
        if (!recording.stepNext()) {
            recording.stopPlaying();
            result.endTick = tick;
            break;
        }
    }
    return result;
}

class FrameCursor : public ::testing::Test {
protected:
    FrameCursor() { recording.setOwner(&watcher); }
    void open(const std::vector<int>& numbers) {
        file = std::make_unique<TempFile>(recordingOfNumbers(numbers));
        ASSERT_TRUE(recording.load(file->path()));
        recording.rewind();
    }
    Recording recording;
    RecordingWatcher watcher{recording};
    std::unique_ptr<TempFile> file;
};

TEST_F(FrameCursor, FramesThreeApartAppearWhenTheClockReachesThem) {
    open({1, 4, 7});
    const Playback playback = play(recording, watcher);
    ASSERT_EQ(playback.paints.size(), 3U);
    EXPECT_EQ(playback.paints[0].tick, 1);
    EXPECT_EQ(playback.paints[0].shade, 0);
    EXPECT_EQ(playback.paints[1].tick, 4);
    EXPECT_EQ(playback.paints[1].shade, 1);
    EXPECT_EQ(playback.paints[2].tick, 7);
    EXPECT_EQ(playback.paints[2].shade, 2);
    EXPECT_EQ(playback.endTick, 7);
    EXPECT_EQ(recording.currentIndex(), 2U);
    EXPECT_EQ(recording.tick(), 8U);
    // A due paint covers the window less its lowest 90 pixels.
    EXPECT_EQ(watcher.lastInvalidated.bottom, 298 - 90);
    EXPECT_FALSE(watcher.lastErase);
}

TEST_F(FrameCursor, FramesOneApartShowEveryOtherFrame) {
    open({1, 2, 3, 4, 5});
    const Playback playback = play(recording, watcher);
    ASSERT_EQ(playback.paints.size(), 3U);
    EXPECT_EQ(playback.paints[0].tick, 1);
    EXPECT_EQ(playback.paints[0].shade, 0);
    EXPECT_EQ(playback.paints[1].tick, 3);
    EXPECT_EQ(playback.paints[1].shade, 1);
    EXPECT_EQ(playback.paints[2].tick, 5);
    EXPECT_EQ(playback.paints[2].shade, 3);
    EXPECT_EQ(playback.endTick, 5);
    EXPECT_EQ(recording.currentIndex(), 4U);
}

TEST_F(FrameCursor, ASingleFrameIsInBothBitmapsAndPlaysOnce) {
    open({3});
    EXPECT_TRUE(recording.isFirst());
    EXPECT_TRUE(recording.isLast());
    EXPECT_EQ(shadeOf(recording.bitmapAt(0)), 0);
    EXPECT_EQ(shadeOf(recording.bitmapAt(1)), 0);
    const Playback playback = play(recording, watcher);
    ASSERT_EQ(playback.paints.size(), 1U);
    EXPECT_EQ(playback.paints[0].tick, 3);
    EXPECT_EQ(playback.endTick, 3);
}

TEST_F(FrameCursor, StepsStopAtTheEndsButStillRepaint) {
    open({1, 4, 7});
    EXPECT_EQ(shadeOf(recording.shownBitmap()), 0);
    EXPECT_EQ(shadeOf(recording.bitmapAt(0)), 1);  // decoded ahead

    int paints = watcher.paintCount;
    recording.showPrevious();
    EXPECT_EQ(recording.currentIndex(), 0U);
    EXPECT_EQ(watcher.paintCount, paints + 1);

    recording.showLast();
    EXPECT_EQ(recording.currentIndex(), 2U);
    EXPECT_EQ(recording.tick(), 7U);
    EXPECT_TRUE(recording.isLast());
    EXPECT_EQ(recording.currentNumber(), 7);
    EXPECT_EQ(shadeOf(recording.shownBitmap()), 2);

    paints = watcher.paintCount;
    recording.showNext();
    EXPECT_EQ(recording.currentIndex(), 2U);
    EXPECT_EQ(watcher.paintCount, paints + 1);

    recording.showPrevious();
    EXPECT_EQ(recording.tick(), 4U);
    EXPECT_EQ(shadeOf(recording.shownBitmap()), 1);
    EXPECT_EQ(shadeOf(recording.bitmapAt(0)), 2);
    EXPECT_FALSE(recording.isShownSelectorSet());

    recording.rewind();
    EXPECT_EQ(recording.tick(), 1U);
    EXPECT_TRUE(recording.isFirst());
}

TEST_F(FrameCursor, SeekSelectsTheLastFrameNotLaterThanThePosition) {
    open({1, 4, 7});
    const std::vector<std::pair<int, std::uint32_t>> cases = {
        {0, 0}, {2, 0}, {3, 1}, {5, 1}, {6, 2}, {100, 2}, {0x7FFFFFFF, 2}};
    for (const auto& [position, index] : cases) {
        recording.seek(position);
        EXPECT_EQ(recording.currentIndex(), index) << "position " << position;
        EXPECT_EQ(shadeOf(recording.shownBitmap()), static_cast<int>(index));
        EXPECT_EQ(recording.tick(), static_cast<std::uint32_t>(recording.currentNumber()));
    }
}

TEST_F(FrameCursor, SeekBeforeTheFirstFrameSelectsIt) {
    open({10, 13});
    recording.seek(0);
    EXPECT_EQ(recording.currentIndex(), 0U);
    EXPECT_EQ(recording.currentNumber(), 10);
    EXPECT_FALSE(recording.isLast());
    EXPECT_EQ(shadeOf(recording.shownBitmap()), 0);
}

TEST_F(FrameCursor, PlaybackFromTheMiddleContinuesFromTheCurrentFrame) {
    open({1, 4, 7, 10});
    recording.seek(3);
    const Playback playback = play(recording, watcher);
    ASSERT_EQ(playback.paints.size(), 3U);
    EXPECT_EQ(playback.paints[0].shade, 1);
    EXPECT_EQ(playback.paints[2].shade, 3);
}

TEST_F(FrameCursor, ADamagedFrameDoesNotStopNavigationOrPlayback) {
    std::vector<std::uint8_t> bytes;
    appendFrame(bytes, 1, flatFrame(0));
    appendFrame(bytes, 4, std::vector<std::uint8_t>{0xFF, 0xD8, 0xFF, 0xDB, 0x00});
    appendFrame(bytes, 7, flatFrame(2));
    TempFile temp(bytes);
    ASSERT_TRUE(recording.load(temp.path()));
    recording.showNext();
    EXPECT_EQ(recording.currentIndex(), 1U);
    recording.showNext();
    EXPECT_EQ(shadeOf(recording.shownBitmap()), 2);
    recording.rewind();
    const Playback playback = play(recording, watcher);
    EXPECT_EQ(playback.paints.size(), 3U);
    EXPECT_EQ(playback.endTick, 7);
}

TEST_F(FrameCursor, AnEmptyRecordingAnswersWithItsEmptyValues) {
    EXPECT_EQ(recording.frameCount(), 0U);
    EXPECT_EQ(recording.currentNumber(), 1);
    EXPECT_EQ(recording.lastNumber(), 1);
    EXPECT_TRUE(recording.isFirst());
    EXPECT_TRUE(recording.isLast());
    recording.startPlaying();
    EXPECT_FALSE(recording.checkFrameDue());
    EXPECT_FALSE(recording.stepNext());
    recording.advanceTick();
    recording.showNext();
    recording.showPrevious();
    recording.showLast();
    recording.seek(5);
    EXPECT_EQ(watcher.paintCount, 0);
    recording.rewind();  // still repaints: the window shows its plain colour
    EXPECT_EQ(watcher.paintCount, 1);
    EXPECT_EQ(watcher.paintedShades.back(), -1);
}

}  // namespace
