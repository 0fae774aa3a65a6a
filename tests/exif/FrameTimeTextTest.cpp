#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "FrameTimeText.h"

TEST(FrameTimeText, TableOfTheTimeAxis) {
    EXPECT_EQ(frameTimeText(1), "-15.000");
    EXPECT_EQ(frameTimeText(2), "-14.967");
    EXPECT_EQ(frameTimeText(3), "-14.934");
    EXPECT_EQ(frameTimeText(4), "-14.900");
    // The 33 ms steps make the last third before zero read -0.034, not -0.033.
    EXPECT_EQ(frameTimeText(450), "-0.034");
    EXPECT_EQ(frameTimeText(451), "0.000");
    EXPECT_EQ(frameTimeText(452), "0.033");
    EXPECT_EQ(frameTimeText(601), "5.000");
    EXPECT_EQ(frameTimeText(999), "18.266");
}

// Numbers below 1 wrap in unsigned arithmetic, and so does the millisecond product.
TEST(FrameTimeText, NumbersBelowOneAndExtremesWrapWithoutOverflow) {
    EXPECT_EQ(frameTimeText(0), "1431640.732");
    EXPECT_EQ(frameTimeText(-1), "1431640.698");
    EXPECT_EQ(frameTimeText(std::numeric_limits<std::int32_t>::min()), "2863296.497");
    EXPECT_EQ(frameTimeText(std::numeric_limits<std::int32_t>::max()), "2863296.464");

    for (std::int64_t n = std::numeric_limits<std::int32_t>::min();
         n <= std::numeric_limits<std::int32_t>::max(); n += 9973 * 3001) {
        const std::string text = frameTimeText(static_cast<std::int32_t>(n));
        EXPECT_GE(text.size(), 5u) << n;
        EXPECT_LE(text.size(), 11u) << n;
    }
}
