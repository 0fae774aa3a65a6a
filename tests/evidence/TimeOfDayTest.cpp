#include <gtest/gtest.h>

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
