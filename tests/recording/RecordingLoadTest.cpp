#include <gtest/gtest.h>

#include <cstring>

#include "ExifSegment.h"
#include "JpegEncoder.h"
#include "PeakMemory.h"
#include "RecordingFileWriter.h"
#include "TestRecordings.h"

namespace {

std::array<char, 8> rawName(const char (&text)[9]) {
    std::array<char, 8> name{};
    std::memcpy(name.data(), text, 8);
    return name;
}

class RecordingLoad : public ::testing::Test {
protected:
    RecordingLoad() { recording.setOwner(&watcher); }
    Recording recording;
    RecordingWatcher watcher{recording};
};

TEST_F(RecordingLoad, ReadsRecordsInFileOrderWithTheirNumbers) {
    std::vector<std::uint8_t> file;
    JpegEncodeOptions exif;
    exif.app1 = makeExifSegment("2026:11:28 14:35:07");
    std::vector<std::uint8_t> rgb(16 * 16 * 3, 128);
    appendFrame(file, 1, encodeJpeg(16, 16, rgb, exif));
    appendFrame(file, 2, flatFrame(1));
    appendFrame(file, 3, flatFrame(2));
    TempFile temp(file);

    ASSERT_TRUE(recording.load(temp.path()));
    ASSERT_EQ(recording.frameCount(), 3U);
    for (std::uint32_t i = 0; i < 3; ++i) {
        const FrameRecord frame = recording.frameAt(i);
        EXPECT_EQ(frame.number, static_cast<int>(i) + 1);
        EXPECT_EQ(std::string(frame.name.data()), std::to_string(i + 1).insert(0, 2, '0') + ".jpg");
    }
    EXPECT_EQ(recording.frameAt(1).jpegSize, static_cast<int>(flatFrame(1).size()));
    EXPECT_EQ(0, std::memcmp(recording.frameAt(2).jpegData, flatFrame(2).data(),
                             flatFrame(2).size()));
    EXPECT_EQ(recording.currentIndex(), 0U);
    EXPECT_EQ(recording.getCaptureDate(), "2026:11:28 14:35:07");
    // Past the end means the last frame.
    EXPECT_EQ(recording.frameAt(99).number, 3);
    // The first frame was decoded and painted without erasing.
    EXPECT_TRUE(recording.bitmapsCreated());
    EXPECT_EQ(recording.bitmapWidth(), 16);
    EXPECT_GE(watcher.paintCount, 1);
    EXPECT_FALSE(watcher.lastErase);
}

TEST_F(RecordingLoad, ShortEndsKeepTheCompleteFrames) {
    const std::vector<std::uint8_t> twoFrames = recordingOfNumbers({1, 2});

    std::vector<std::uint8_t> endsInHeader = twoFrames;
    appendFrame(endsInHeader, 3, flatFrame(2));
    endsInHeader.resize(twoFrames.size() + 5);
    TempFile header(endsInHeader);
    ASSERT_TRUE(recording.load(header.path()));
    EXPECT_EQ(recording.frameCount(), 2U);

    std::vector<std::uint8_t> endsInData = twoFrames;
    appendRawRecord(endsInData, frameName(3), 5000, std::vector<std::uint8_t>(3000, 0xAB));
    TempFile data(endsInData);
    ASSERT_TRUE(recording.load(data.path()));
    EXPECT_EQ(recording.frameCount(), 2U);
    EXPECT_EQ(recording.lastNumber(), 2);
}

TEST_F(RecordingLoad, RefusesFilesThatAreNotRecordings) {
    std::vector<std::uint8_t> badSecond = recordingOfNumbers({1});
    appendRawRecord(badSecond, rawName("002.jpeg"), 4, std::vector<std::uint8_t>(4));
    std::vector<std::uint8_t> negative = recordingOfNumbers({1});
    appendRawRecord(negative, frameName(2), -1, {});
    const std::vector<std::vector<std::uint8_t>> refused = {
        {},                                    // empty
        std::vector<std::uint8_t>(11, '0'),    // shorter than one header
        std::vector<std::uint8_t>(4096, 0),    // zeros: no ".jpg" name
        badSecond,                             // a later bad header discards everything
        negative,                              // a negative size
    };
    TempFile good(recordingOfNumbers({1, 2}));
    for (const auto& bytes : refused) {
        TempFile temp(bytes);
        ASSERT_TRUE(recording.load(good.path()));
        EXPECT_FALSE(recording.load(temp.path())) << "file of " << bytes.size() << " bytes";
        EXPECT_EQ(recording.frameCount(), 0U);
        EXPECT_FALSE(recording.bitmapsCreated());
        EXPECT_THROW(recording.frameAt(0), std::out_of_range);
    }
    EXPECT_FALSE(recording.load("/nonexistent/halcjpeg.dat"));
    TempFile any(recordingOfNumbers({1}));
    EXPECT_FALSE(recording.load(any.folder().string()));  // a folder: the read fails
}

TEST_F(RecordingLoad, NamesAreReadLikeAtoi) {
    std::vector<std::uint8_t> file;
    appendRawRecord(file, rawName("abc.jpg\0"), 0, {});
    appendRawRecord(file, rawName("-05.jpg\0"), 0, {});
    appendRawRecord(file, rawName(" 12.jpg\0"), 0, {});
    appendRawRecord(file, rawName("7x9.jpg\0"), 0, {});
    TempFile temp(file);
    // Zero-size frames load; their decoding fails quietly.
    ASSERT_TRUE(recording.load(temp.path()));
    ASSERT_EQ(recording.frameCount(), 4U);
    EXPECT_EQ(recording.frameAt(0).number, 0);
    EXPECT_EQ(recording.frameAt(1).number, -5);
    EXPECT_EQ(recording.frameAt(2).number, 12);
    EXPECT_EQ(recording.frameAt(3).number, 7);
    EXPECT_FALSE(recording.bitmapsCreated());
    EXPECT_EQ(recording.getCaptureDate(), "");
}

TEST_F(RecordingLoad, AHugeAnnouncedSizeIsNeverAllocated) {
    std::vector<std::uint8_t> file = recordingOfNumbers({1});
    appendRawRecord(file, frameName(2), 0x7FFFFFF0, std::vector<std::uint8_t>(88, 0x55));
    TempFile temp(file);
    const std::size_t before = peakMemoryKilobytes();
    ASSERT_TRUE(recording.load(temp.path()));
    const std::size_t after = peakMemoryKilobytes();
    EXPECT_EQ(recording.frameCount(), 1U);
    EXPECT_LT(after - before, 64U * 1024U);
}

TEST_F(RecordingLoad, EachLoadStartsEmptyAndNeedsAnOwner) {
    TempFile first(recordingOfNumbers({1, 4, 7}));
    TempFile broken(std::vector<std::uint8_t>(40, 'x'));

    Recording unowned;
    EXPECT_FALSE(unowned.load(first.path()));
    EXPECT_EQ(unowned.frameCount(), 0U);

    ASSERT_TRUE(recording.load(first.path()));
    recording.showLast();
    recording.startPlaying();
    EXPECT_FALSE(recording.load(broken.path()));
    EXPECT_EQ(recording.frameCount(), 0U);
    EXPECT_FALSE(recording.isPlaying());
    EXPECT_EQ(recording.currentIndex(), 0U);
    EXPECT_EQ(recording.tick(), 1U);
    EXPECT_EQ(recording.bitmapWidth(), 0);
}

TEST_F(RecordingLoad, ThePairTakesTheSizeOfTheFirstFrameThatDecodes) {
    std::vector<std::uint8_t> file;
    appendFrame(file, 1, std::vector<std::uint8_t>{0xFF, 0xD8, 0x00, 0x13});
    appendFrame(file, 2, flatFrame(3, 32, 8));
    appendFrame(file, 3, flatFrame(4, 16, 16));
    TempFile temp(file);
    ASSERT_TRUE(recording.load(temp.path()));
    ASSERT_TRUE(recording.bitmapsCreated());
    EXPECT_EQ(recording.bitmapWidth(), 32);
    EXPECT_EQ(recording.bitmapHeight(), 8);
    // Later frames are drawn into the same pair, whatever their own size.
    recording.showLast();
    EXPECT_EQ(recording.bitmapWidth(), 32);
    EXPECT_EQ(shadeOf(recording.shownBitmap()), 4);
}

}  // namespace
