#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "EventFrames.h"
#include "ExifSegment.h"
#include "JpegEncoder.h"
#include "Recording.h"
#include "RecordingFileWriter.h"
#include "StandInOwner.h"

namespace fs = std::filesystem;

namespace {

// A recording of 8 x 8 frames with these numbers, dated on its first frame.
class EventFramesTest : public testing::Test {
protected:
    void SetUp() override { recording.setOwner(&owner); }

    void load(const std::vector<std::int32_t>& numbers, const std::string& date = "2026:11:28 14:35:07") {
        std::vector<std::uint8_t> file;
        const std::vector<std::uint8_t> grey(8 * 8 * 3, 128);
        for (std::size_t i = 0; i < numbers.size(); ++i) {
            JpegEncodeOptions options;
            if (i == 0 && !date.empty()) {
                options.app1 = makeExifSegment(date);
            }
            appendFrame(file, numbers[i], encodeJpeg(8, 8, grey, options));
        }
        const fs::path path = fs::temp_directory_path() /
                              ("halcyra-event-" + std::to_string(::getpid()) + ".dat");
        ASSERT_TRUE(writeFile(path.string(), file));
        ASSERT_TRUE(recording.load(path.string()));
        fs::remove(path);
    }

    // "offset:number" for the event frame and every frame around it, in order.
    std::string shown() const {
        const std::optional<EventFrames> frames = findEventFrames(recording);
        if (!frames) {
            return "(none)";
        }
        std::string text = "event:" + std::to_string(frames->event.number);
        for (const EventFrame& frame : frames->around) {
            text += " " + std::to_string(frame.offsetSeconds) + ":" + std::to_string(frame.number);
        }
        return text;
    }

    StandInOwner owner;
    Recording recording;
};

std::vector<std::int32_t> everyThird(std::int32_t first, std::int32_t last) {
    std::vector<std::int32_t> numbers;
    for (std::int32_t n = first; n <= last; n += 3) {
        numbers.push_back(n);
    }
    return numbers;
}

}  // namespace

TEST_F(EventFramesTest, TheEventIsTheLastFrameNotLaterThanZeroAndItsNeighboursEachSecond) {
    load(everyThird(1, 601));
    EXPECT_EQ(shown(), "event:451 -3:361 -2:391 -1:421 1:481 2:511 3:541");

    const EventFrames frames = *findEventFrames(recording);
    EXPECT_EQ(frames.event.index, 150u);
    EXPECT_EQ(frames.event.timeText, "0.000");
    EXPECT_EQ(frames.event.timeOfDay, "2026/11/28 14:35:22");
    EXPECT_EQ(frames.around.front().timeText, "-3.000");
    EXPECT_EQ(frames.around.front().timeOfDay, "2026/11/28 14:35:19");

    // Without a frame at 451 the one before it is the event, and the seconds count from it:
    // +1 s is 479, before the frame numbered 480.
    load({1, 449, 452, 480, 600});
    EXPECT_EQ(shown(), "event:449 -1:1 1:452 2:480");
}

TEST_F(EventFramesTest, AGapShowsEachFrameOnceNearestTheEvent) {
    load({1, 300, 440, 470, 700});
    EXPECT_EQ(shown(), "event:440 -1:300 1:470");
}

TEST_F(EventFramesTest, BeforeOrAfterTheEventTheRecordingsEndsAreUsed) {
    // Every frame after 0.000 s: the first frame is the event.
    load({500, 530, 560}, "");
    EXPECT_EQ(shown(), "event:500 1:530 2:560");
    EXPECT_EQ(findEventFrames(recording)->event.timeOfDay, "");
    EXPECT_FALSE(lastFrameNotLaterThan(recording, 499));

    // Every frame before it: the last frame is the event, nothing follows.
    load(everyThird(1, 100));
    EXPECT_EQ(shown(), "event:100 -3:10 -2:40 -1:70");

    Recording empty;
    EXPECT_FALSE(findEventFrames(empty));
}
