#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "FrameBitmap.h"
#include "TestFrames.h"

namespace {

bool rowStartsWith(const FrameBitmap& bitmap, int y, const FrameBitmap& reference, int pixels) {
    return std::memcmp(bitmap.pixels() + y * bitmap.stride(),
                       reference.pixels() + y * reference.stride(),
                       static_cast<std::size_t>(pixels) * 3) == 0;
}

FrameBitmap filledBitmap(int width, int height, std::uint8_t value) {
    FrameBitmap bitmap;
    bitmap.create(width, height);
    std::memset(bitmap.pixels(), value, bitmap.byteSize());
    return bitmap;
}

TEST(FrameGeometry, LargerFrameFillsOnlyTheTopLeftAndIsDecodedToTheEnd) {
    const auto jpeg = jpegOf(64, 48, colourSweep(64, 48));
    const FrameBitmap reference = decodedFrame(jpeg);
    FrameBitmap target = filledBitmap(41, 20, 0);

    const Attempt attempt = decodeInto(jpeg, &target);
    // Complete means the library saw every row read before finishing.
    EXPECT_EQ(attempt.outcome, Outcome::Complete);
    EXPECT_EQ(attempt.requestedWidth, 64);
    EXPECT_EQ(attempt.requestedHeight, 48);
    for (int y = 0; y < 20; ++y) {
        EXPECT_TRUE(rowStartsWith(target, y, reference, 41)) << "row " << y;
        EXPECT_EQ(target.pixels()[y * target.stride() + 123], 0) << "padding of row " << y;
    }
}

TEST(FrameGeometry, SmallerFrameLeavesTheRestOfTheBitmapAsItWas) {
    const auto jpeg = jpegOf(33, 17, colourSweep(33, 17));
    const FrameBitmap reference = decodedFrame(jpeg);
    FrameBitmap target = filledBitmap(80, 60, 0xAB);

    ASSERT_EQ(decodeInto(jpeg, &target).outcome, Outcome::Complete);
    for (int y = 0; y < 60; ++y) {
        const std::uint8_t* row = target.pixels() + y * target.stride();
        const int written = y < 17 ? 33 * 3 : 0;
        if (y < 17) {
            EXPECT_TRUE(rowStartsWith(target, y, reference, 33)) << "row " << y;
        }
        EXPECT_TRUE(std::all_of(row + written, row + target.stride(),
                                [](std::uint8_t b) { return b == 0xAB; }))
            << "row " << y;
    }
}

TEST(FrameGeometry, OddWidthRowsStartAtThePaddedStride) {
    const FrameBitmap bitmap =
        decodedFrame(jpegOf(321, 40, verticalEdge(321, 40), ChromaSubsampling::Yuv444));
    ASSERT_EQ(bitmap.stride(), 964);
    for (int y = 0; y < 40; ++y) {
        const std::uint8_t* row = bitmap.pixels() + y * 964;
        EXPECT_LT(row[150 * 3 + 1], 40) << "row " << y;
        EXPECT_GT(row[170 * 3 + 1], 215) << "row " << y;
        EXPECT_EQ(row[963], 0) << "row " << y;
    }
}

TEST(FrameGeometry, LastRowIsCopied) {
    std::vector<std::uint8_t> rgb(32 * 16 * 3, 0);
    std::fill(rgb.end() - 32 * 3, rgb.end(), 255);
    const FrameBitmap bitmap = decodedFrame(jpegOf(32, 16, rgb, ChromaSubsampling::Yuv444));
    const std::uint8_t* lastRow = bitmap.pixels() + 15 * bitmap.stride();
    EXPECT_TRUE(std::all_of(lastRow, lastRow + 32 * 3, [](std::uint8_t b) { return b > 200; }));
}

TEST(FrameGeometry, TruncatedFrameCompletesSilentlyWithItsUpperRows) {
    const auto jpeg = jpegOf(64, 64, colourSweep(64, 64), ChromaSubsampling::Yuv444);
    const FrameBitmap reference = decodedFrame(jpeg);
    const std::vector<std::uint8_t> cut(jpeg.begin(), jpeg.begin() + jpeg.size() * 6 / 10);
    FrameBitmap target = filledBitmap(64, 64, 0xAB);

    testing::internal::CaptureStderr();
    const Attempt attempt = decodeInto(cut, &target);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(attempt.outcome, Outcome::Complete);
    for (int y = 0; y < 8; ++y) {
        EXPECT_TRUE(rowStartsWith(target, y, reference, 64)) << "row " << y;
    }
}

}  // namespace
