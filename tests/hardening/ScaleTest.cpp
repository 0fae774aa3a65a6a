// Recordings far longer and bigger than the recorder writes load and navigate: 10,000
// frames, and a file of about 200 MB.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "Recording.h"
#include "ScaleRecording.h"
#include "TempFolder.h"

namespace {

constexpr int pictureCount = 7;

class SilentOwner final : public RecordingOwner {
public:
    PixelRect clientRect() const override { return {0, 0, 288, 298}; }
    void invalidate(const PixelRect&, bool) override {}
    void updateNow() override { ++paints; }
    int paints = 0;
};

// The index seek(position) must select: the last frame whose number is not above
// position + 1, or the first frame.
std::size_t expectedSeekIndex(std::int32_t position, std::size_t count) {
    std::size_t index = 0;
    for (std::size_t k = 0; k < count && scale::numberOf(k, count) <= position + 1; ++k) {
        index = k;
    }
    return index;
}

void expectShowing(const Recording& recording, std::size_t index) {
    EXPECT_EQ(recording.currentIndex(), index);
    EXPECT_EQ(scale::pictureOf(recording.shownBitmap(), pictureCount),
              static_cast<int>(index % pictureCount));
}

void loadAndNavigate(const std::string& path, std::size_t count,
                     const std::vector<std::vector<std::uint8_t>>& pictures) {
    SilentOwner owner;
    Recording recording;
    recording.setOwner(&owner);
    ASSERT_TRUE(recording.load(path));
    ASSERT_EQ(recording.frameCount(), count);

    const FrameRecord last = recording.frameAt(static_cast<std::uint32_t>(count - 1));
    const auto& lastPicture = pictures[(count - 1) % pictures.size()];
    ASSERT_EQ(static_cast<std::size_t>(last.jpegSize), lastPicture.size());
    EXPECT_EQ(std::memcmp(last.jpegData, lastPicture.data(), lastPicture.size()), 0);
    EXPECT_EQ(last.number, scale::numberOf(count - 1, count));

    recording.rewind();
    expectShowing(recording, 0);
    recording.showLast();
    expectShowing(recording, count - 1);
    EXPECT_TRUE(recording.isLast());

    const std::int32_t middle = scale::numberOf(count / 2, count) - 1;
    recording.seek(middle);
    expectShowing(recording, expectedSeekIndex(middle, count));

    // A few seconds of playback from the first frame: the cursor only moves forward.
    recording.rewind();
    recording.startPlaying();
    std::uint32_t previous = 0;
    int dueFrames = 0;
    for (int tick = 0; tick < 90 && recording.isPlaying(); ++tick) {
        if (recording.checkFrameDue()) {
            ++dueFrames;
            recording.advanceTick();
            ASSERT_TRUE(recording.stepNext());
        }
        EXPECT_GE(recording.currentIndex(), previous);
        previous = recording.currentIndex();
    }
    EXPECT_GT(dueFrames, 3);
    EXPECT_GT(recording.currentIndex(), 3u);
    recording.stopPlaying();
    recording.clear();
    EXPECT_EQ(recording.frameCount(), 0u);
}

TEST(Scale, TenThousandFramesLoadAndNavigate) {
    const TempFolder folder;
    const auto pictures = scale::pictures(pictureCount, 16, 16);
    const std::string path = folder.file("halcjpeg.dat");
    scale::writeRecording(path, 10000, pictures);
    loadAndNavigate(path, 10000, pictures);
}

TEST(Scale, TwoHundredMegabyteFileLoadsAndNavigates) {
    const TempFolder folder;
    const auto pictures = scale::pictures(pictureCount, 96, 64);
    const std::size_t count = scale::framesForSize(pictures, std::uint64_t{200} << 20);
    const std::string path = folder.file("halcjpeg.dat");
    scale::writeRecording(path, count, pictures);
    ASSERT_GE(std::filesystem::file_size(path), std::uint64_t{199} << 20);
    loadAndNavigate(path, count, pictures);
}

}  // namespace
