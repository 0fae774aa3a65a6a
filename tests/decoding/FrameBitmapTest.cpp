#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "FrameBitmap.h"

namespace {

bool allZero(const FrameBitmap& bitmap) {
    return std::all_of(bitmap.pixels(), bitmap.pixels() + bitmap.byteSize(),
                       [](std::uint8_t b) { return b == 0; });
}

TEST(FrameBitmap, CreatesZeroedRowsPaddedToFourBytes) {
    FrameBitmap bitmap;
    ASSERT_TRUE(bitmap.create(321, 3));
    EXPECT_EQ(bitmap.stride(), 964);
    EXPECT_EQ(bitmap.byteSize(), 964u * 3);
    EXPECT_TRUE(allZero(bitmap));
}

TEST(FrameBitmap, SameSizeReusesTheMemoryCleared) {
    FrameBitmap bitmap;
    ASSERT_TRUE(bitmap.create(20, 10));
    const std::uint8_t* memory = bitmap.pixels();
    std::memset(bitmap.pixels(), 0x77, bitmap.byteSize());
    ASSERT_TRUE(bitmap.create(20, 10));
    EXPECT_EQ(bitmap.pixels(), memory);
    EXPECT_TRUE(allZero(bitmap));
    ASSERT_TRUE(bitmap.create(21, 10));
    EXPECT_EQ(bitmap.stride(), 64);
    EXPECT_TRUE(allZero(bitmap));
}

TEST(FrameBitmap, RefusedSizesLeaveNothingBehind) {
    const std::pair<int, int> refused[] = {{0, 5},     {5, 0},     {-1, 5},       {5, -1},
                                           {16385, 1}, {1, 16385}, {10000, 10000}};
    for (const auto& [width, height] : refused) {
        FrameBitmap bitmap;
        ASSERT_TRUE(bitmap.create(8, 8));
        EXPECT_FALSE(bitmap.create(width, height)) << width << "x" << height;
        EXPECT_FALSE(bitmap.isCreated());
        EXPECT_EQ(bitmap.width(), 0);
        EXPECT_EQ(bitmap.byteSize(), 0u);
    }
    FrameBitmap widest;
    EXPECT_TRUE(widest.create(16384, 1));
}

}  // namespace
