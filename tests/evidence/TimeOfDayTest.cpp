#include <gtest/gtest.h>

#include "ClockCorrection.h"
#include "TimeOfDay.h"

namespace {

std::string at(const std::string& date, std::int32_t first, std::int32_t number) {
    return frameTimeOfDay(date, first, number).value_or("(none)");
}

}  // namespace

TEST(TimeOfDay, AddsElapsedSecondsFromTheFirstFrameNumber) {
    EXPECT_EQ(at("2026:11:28 14:35:07", 1, 1), "2026/11/28 14:35:07");
    EXPECT_EQ(at("2026:11:28 14:35:07", 1, 30), "2026/11/28 14:35:07");  // 29 units: 0.97 s
    EXPECT_EQ(at("2026:11:28 14:35:07", 1, 31), "2026/11/28 14:35:08");
    EXPECT_EQ(at("2026:11:28 14:35:07", 5, 455), "2026/11/28 14:35:22");  // 15 s after frame 5
}

TEST(TimeOfDay, CrossesMidnightMonthAndYearEnds) {
    EXPECT_EQ(at("2026:12:31 23:59:58", 1, 91), "2027/01/01 00:00:01");
    EXPECT_EQ(at("2024:02:28 23:59:59", 1, 31), "2024/02/29 00:00:00");
    EXPECT_EQ(at("2026:02:28 23:59:59", 1, 31), "2026/03/01 00:00:00");
    // A frame numbered before the first one lies in the past, rounded towards it.
    EXPECT_EQ(at("2026:01:01 00:00:00", 10, 9), "2025/12/31 23:59:59");
}

TEST(TimeOfDay, NothingForAMissingOrInvalidDate) {
    EXPECT_FALSE(frameTimeOfDay("", 1, 1));
    EXPECT_FALSE(frameTimeOfDay("2026:11:28 14:35", 1, 1));
    EXPECT_FALSE(frameTimeOfDay("2026:02:30 10:00:00", 1, 1));
    EXPECT_FALSE(frameTimeOfDay("2026:11:28 24:00:00", 1, 1));
    EXPECT_FALSE(frameTimeOfDay("2026-11-28 14:35:07", 1, 1));
    EXPECT_FALSE(frameTimeOfDay("    :  :     :  :  ", 1, 1));
}

TEST(TimeOfDay, AStatedOffsetMovesTheInstantBeforeItIsRoundedToTheSecond) {
    const auto corrected = [](std::int32_t number, std::int64_t offset) {
        return frameTimeOfDay("2026:12:31 23:59:58", 1, number, offset).value_or("(none)");
    };
    EXPECT_EQ(corrected(1, 0), "2026/12/31 23:59:58");
    EXPECT_EQ(corrected(1, 1'999), "2026/12/31 23:59:59");
    EXPECT_EQ(corrected(1, 2'000), "2027/01/01 00:00:00");  // across midnight and the year
    EXPECT_EQ(corrected(16, 1'500), "2027/01/01 00:00:00");  // 0.5 s + 1.5 s
    EXPECT_EQ(corrected(16, 1'499), "2026/12/31 23:59:59");
    EXPECT_EQ(corrected(1, -3'600'500), "2026/12/31 22:59:57");
    EXPECT_EQ(shownTimeOfDay("2026:12:31 23:59:58", 1, 1, {}), "2026/12/31 23:59:58");
    EXPECT_EQ(shownTimeOfDay("2026:12:31 23:59:58", 1, 1, {65'000, ""}), "2027/01/01 00:01:03 補正");
    EXPECT_EQ(shownTimeOfDay("", 1, 1, {65'000, ""}), "");
}

TEST(ClockCorrection, ReadsSignedSecondsToTheMillisecondAndNothingElse) {
    EXPECT_EQ(parseClockOffset("+65"), 65'000);
    EXPECT_EQ(parseClockOffset("-3600.5"), -3'600'500);
    EXPECT_EQ(parseClockOffset("0.25"), 250);
    EXPECT_EQ(parseClockOffset("-0.001"), -1);
    EXPECT_EQ(parseClockOffset("3162240000"), maxClockOffsetMilliseconds);
    for (const char* bad : {"", "+", "-", "1.", ".5", "1.2345", "1e3", "0x10", " 1", "1 ", "+-1",
                            "3162240000.001", "99999999999999999999", "１"}) {
        EXPECT_FALSE(parseClockOffset(bad)) << bad;
    }
    EXPECT_EQ(clockOffsetText(65'000), "+65 秒");
    EXPECT_EQ(clockOffsetText(-3'600'500), "-3600.5 秒");
    EXPECT_EQ(clockOffsetText(-1), "-0.001 秒");
    EXPECT_EQ(clockOffsetText(0), "+0 秒");
}
