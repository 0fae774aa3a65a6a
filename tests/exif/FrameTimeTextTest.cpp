#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>

#include "Environment.h"
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

// The window's process adopts the user's locale; a decimal comma must not reach the readout.
TEST(FrameTimeText, KeepsItsPointUnderALocaleWithADecimalComma) {
    const std::string folder = testing::TempDir() + "halcyra-locale";
    std::filesystem::create_directories(folder);
    const std::string make = "localedef -i de_DE -f UTF-8 " + folder + "/de_DE.UTF-8 2>/dev/null";
    if (std::system(make.c_str()) != 0) {
        GTEST_SKIP() << "localedef cannot make de_DE here";
    }
    setEnvironment("LOCPATH", folder);
    ASSERT_NE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"), nullptr);
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    EXPECT_STREQ(probe, "1,5");  // the locale is really in force
    EXPECT_EQ(frameTimeText(2), "-14.967");
    EXPECT_EQ(frameTimeText(452), "0.033");
    std::setlocale(LC_NUMERIC, "C");
    unsetEnvironment("LOCPATH");
}
