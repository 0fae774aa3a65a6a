#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "FrameBitmap.h"
#include "JpegFrameDecoder.h"
#include "TestFrames.h"

namespace {

// A small frame with an APP1 segment, so cuts also land in data the decoder skips.
std::vector<std::uint8_t> smallFrameWithApp1() {
    JpegEncodeOptions options;
    options.app1 = {0xFF, 0xE1, 0x00, 0x42, 'E', 'x', 'i', 'f', 0, 0};
    options.app1.resize(2 + 0x42, 0x5A);
    return encodeJpeg(24, 16, colourSweep(24, 16), options);
}

std::size_t sof0Offset(const std::vector<std::uint8_t>& jpeg) {
    for (std::size_t i = 0; i + 1 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            return i;
        }
    }
    throw std::runtime_error("no SOF0");
}

TEST(BadFrame, InputWithoutAnImageThrowsOneBeforeAskingForABitmap) {
    const std::vector<std::vector<std::uint8_t>> inputs = {
        {}, {0x12, 0x34, 0x56}, {0xFF, 0xD8}, {0xFF, 0xD8, 0xFF, 0xD9}};
    FrameBitmap target;
    target.create(8, 8);
    for (const auto& input : inputs) {
        const Attempt attempt = decodeInto(input, &target);
        EXPECT_EQ(attempt.outcome, Outcome::ThrewOne) << input.size() << " bytes";
        EXPECT_EQ(attempt.targetRequests, 0) << input.size() << " bytes";
    }
}

TEST(BadFrame, EveryTruncationAndEveryInvertedByteEndsCleanly) {
    const auto jpeg = smallFrameWithApp1();
    FrameBitmap target;
    target.create(24, 16);
    for (std::size_t length = 0; length < jpeg.size(); ++length) {
        // An exact-size copy, so that any read past the end is caught by the sanitizer.
        const std::vector<std::uint8_t> prefix(jpeg.begin(), jpeg.begin() + length);
        const Outcome outcome = decodeInto(prefix, &target).outcome;
        EXPECT_TRUE(outcome == Outcome::Complete || outcome == Outcome::ThrewOne) << length;
    }
    for (std::size_t at = 0; at < jpeg.size(); ++at) {
        std::vector<std::uint8_t> damaged = jpeg;
        damaged[at] ^= 0xFF;
        const Outcome outcome = decodeInto(damaged, &target).outcome;
        EXPECT_TRUE(outcome == Outcome::Complete || outcome == Outcome::ThrewOne) << at;
    }
}

TEST(BadFrame, FourComponentFrameIsRefused) {
    const std::vector<std::uint8_t> cmyk(16 * 16 * 4, 0x40);
    FrameBitmap target;
    target.create(16, 16);
    const Attempt attempt = decodeInto(encodeCmykJpeg(16, 16, cmyk), &target);
    EXPECT_EQ(attempt.outcome, Outcome::ThrewOne);
    EXPECT_EQ(attempt.targetRequests, 0);
}

TEST(BadFrame, DimensionsBeyondTheBitmapLimitAreRefusedBeforeAnyBitmap) {
    const auto jpeg = jpegOf(16, 16, colourSweep(16, 16));
    const std::size_t sof = sof0Offset(jpeg);
    const std::vector<std::pair<int, int>> sizes = {
        {65000, 65000}, {16385, 16}, {16, 16385}, {12000, 12000}};
    for (const auto& [width, height] : sizes) {
        std::vector<std::uint8_t> patched = jpeg;
        patched[sof + 5] = static_cast<std::uint8_t>(height >> 8);
        patched[sof + 6] = static_cast<std::uint8_t>(height);
        patched[sof + 7] = static_cast<std::uint8_t>(width >> 8);
        patched[sof + 8] = static_cast<std::uint8_t>(width);
        const Attempt attempt = decodeInto(patched, nullptr);
        EXPECT_EQ(attempt.outcome, Outcome::ThrewOne) << width << "x" << height;
        EXPECT_EQ(attempt.targetRequests, 0) << width << "x" << height;
    }
}

TEST(BadFrame, MissingOrFailingTargetThrowsOne) {
    const auto jpeg = jpegOf(16, 16, colourSweep(16, 16));
    FrameBitmap neverCreated;
    EXPECT_EQ(decodeInto(jpeg, nullptr).outcome, Outcome::ThrewOne);
    EXPECT_EQ(decodeInto(jpeg, &neverCreated).outcome, Outcome::ThrewOne);
    EXPECT_THROW(decodeJpegFrame(jpeg,
                                 [](int, int) -> FrameBitmap* {
                                     throw std::runtime_error("no memory for bitmaps");
                                 }),
                 int);
}

TEST(BadFrame, FailureAfterTheRowsKeepsWhatWasCopied) {
    const auto jpeg = jpegOf(64, 64, colourSweep(64, 64), ChromaSubsampling::Yuv444);
    const FrameBitmap reference = decodedFrame(jpeg);
    // Cut in the scan and follow with a second frame header: fatal once the rows are out.
    std::vector<std::uint8_t> damaged(jpeg.begin(), jpeg.begin() + jpeg.size() / 2);
    const std::vector<std::uint8_t> secondSof = {0xFF, 0xC0, 0x00, 0x0B, 8,    0x00, 0x10,
                                                 0x00, 0x10, 0x01, 0x01, 0x11, 0x00};
    damaged.insert(damaged.end(), secondSof.begin(), secondSof.end());
    FrameBitmap target;
    target.create(64, 64);
    std::memset(target.pixels(), 0xAB, target.byteSize());

    ASSERT_EQ(decodeInto(damaged, &target).outcome, Outcome::ThrewOne);
    for (int y = 0; y < 8; ++y) {
        EXPECT_EQ(std::memcmp(target.pixels() + y * target.stride(),
                              reference.pixels() + y * reference.stride(), 64 * 3),
                  0)
            << "row " << y;
    }
}

}  // namespace
