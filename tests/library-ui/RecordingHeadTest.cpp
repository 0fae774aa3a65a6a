// What is read of a recording without reading it whole: the event frame's picture and the
// card's cheap key.
#include <gtest/gtest.h>

#include <filesystem>

#include <QColor>
#include <QImage>

#include "FileBytes.h"
#include "RecordingHead.h"
#include "TestLibrary.h"
#include "ThumbnailLoader.h"

namespace {

int shadeOf(const QImage& picture) {
    return qGray(picture.pixel(picture.width() / 2, picture.height() / 2));
}

}  // namespace

TEST(RecordingHead, EventFrameIsTheLastLeadingFrameNotLaterThanTheEvent) {
    TestLibrary files;
    // Numbers 1, 51, ..., 451, 501: the event frame is 451 itself (shade 451 % 251 = 200).
    const std::string exact = files.putOnCard("exact.dat", testRecording(11, "", 50));
    QImage picture = ThumbnailLoader::pictureOf(exact);
    ASSERT_FALSE(picture.isNull());
    EXPECT_LE(picture.width(), ThumbnailLoader::pictureSize.width());
    EXPECT_NEAR(shadeOf(picture), 200, 3);

    // Numbers 1, 101, ..., 401, 501: no 451, so 401 (shade 150).
    auto bytes = testRecording(6, "", 100);
    const std::string gap = files.putOnCard("gap.dat", bytes);
    EXPECT_NEAR(shadeOf(ThumbnailLoader::pictureOf(gap)), 150, 3);

    // Cut inside the frame after 401: the frames before the cut are the recording.
    bytes.resize(bytes.size() - 20);
    const std::string cut = files.putOnCard("cut.dat", bytes);
    EXPECT_NEAR(shadeOf(ThumbnailLoader::pictureOf(cut)), 150, 3);
    // Only 1 and 101 before the event, both kept: 101.
    bytes.resize(bytes.size() * 2 / 5);
    const std::string early = files.putOnCard("early.dat", bytes);
    EXPECT_NEAR(shadeOf(ThumbnailLoader::pictureOf(early)), 101, 3);

    EXPECT_TRUE(ThumbnailLoader::pictureOf(files.putOnCard("text.dat", {'h', 'i'})).isNull());
    EXPECT_TRUE(ThumbnailLoader::pictureOf(files.card + "/none.dat").isNull());
    // A header that announces more than the file holds.
    auto lying = testRecording(1, "");
    lying[8] = 0xff;
    lying[9] = 0xff;
    lying[10] = 0x0f;
    EXPECT_TRUE(ThumbnailLoader::pictureOf(files.putOnCard("lying.dat", lying)).isNull());
}

TEST(RecordingHead, KeyFollowsSizeAndFirstRecordNotTheName) {
    TestLibrary files;
    const auto bytes = testRecording(3, "2026:11:28 14:35:07");
    const std::string one = files.putOnCard("a/halcjpeg.dat", bytes);
    const std::string copy = files.putOnCard("b/other.dat", bytes);
    std::filesystem::last_write_time(copy, std::filesystem::file_time_type::clock::now() -
                                               std::chrono::hours(30));
    const auto a = recordingHead::keyOf(one);
    const auto b = recordingHead::keyOf(copy);
    ASSERT_TRUE(a && b);
    EXPECT_TRUE(a->sameRecording(*b));
    EXPECT_NE(a->modified, b->modified);

    // Same size, another first frame.
    const auto other = recordingHead::keyOf(files.putOnCard("c.dat", testRecording(3, "2026:11:28 14:35:08")));
    ASSERT_TRUE(other);
    EXPECT_EQ(other->size, a->size);
    EXPECT_FALSE(other->sameRecording(*a));

    EXPECT_FALSE(recordingHead::keyOf(files.putOnCard("halc.inf", {'[', 'C', ']', '\n', 0, 0, 0, 0, 0, 0, 0, 0, 0})));
}
