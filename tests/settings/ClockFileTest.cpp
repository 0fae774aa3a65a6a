#include <gtest/gtest.h>

#include <filesystem>

#include "ClockLines.h"
#include "ConfigFileWriter.h"
#include "FileError.h"
#include "ScriptedPrompts.h"
#include "FileBytes.h"
#include "TempFolder.h"

namespace {

class ClockFileTest : public ::testing::Test {
protected:
    void SetUp() override { Prompts::install(&prompts); }

    ScriptedPrompts prompts;
    TempFolder folder;
    std::string target = folder.file("writetime.txt");
    ConfigFileWriter writer;
};

TEST_F(ClockFileTest, WritesDateThenTimeWithPaddingAndCrLf) {
    ASSERT_TRUE(writer.writeClockFile(target, clockDateLine(2027, 3, 1), clockTimeLine(0, 0, 5)));
    EXPECT_EQ(readBytes(target), "20270301\r\n000005\r\n");
    EXPECT_EQ(readBytes(target).size(), 18u);

    ASSERT_TRUE(
        writer.writeClockFile(target, clockDateLine(2026, 12, 7), clockTimeLine(14, 5, 30)));
    EXPECT_EQ(readBytes(target), "20261207\r\n140530\r\n");

    ASSERT_TRUE(
        writer.writeClockFile(target, clockDateLine(3000, 12, 31), clockTimeLine(23, 59, 59)));
    EXPECT_EQ(readBytes(target), "30001231\r\n235959\r\n");
    EXPECT_TRUE(prompts.calls().empty());
}

TEST_F(ClockFileTest, DoesNotDependOnTheSensitivityFields) {
    writer.setSensitivity(truckVehicle, 9, 9, 9);
    ASSERT_TRUE(writer.writeClockFile(target, "19700101\n", "000000\n"));
    EXPECT_EQ(readBytes(target), "19700101\r\n000000\r\n");
}

TEST_F(ClockFileTest, ReplacesAnExistingFileCompletely) {
    writeBytes(target, "20991231\r\n235959\r\nsomething the recorder left\r\n");
    ASSERT_TRUE(writer.writeClockFile(target, "20270301\n", "000005\n"));
    EXPECT_EQ(readBytes(target), "20270301\r\n000005\r\n");
}

TEST_F(ClockFileTest, FailuresAreReportedLikeTheSensitivityFile) {
    std::filesystem::create_directory(target);
    EXPECT_FALSE(writer.writeClockFile(target, "20270301\n", "000005\n"));
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].text, target + " の出力に失敗しました");
    EXPECT_EQ(prompts.calls()[0].icon, Prompts::Icon::Warning);

    EXPECT_THROW(writer.writeClockFile("/dev/full", "20270301\n", "000005\n"), FileError);
}

TEST(ClockLines, AcceptsOnlyRealDatesInTheRecordersSpan) {
    EXPECT_TRUE(isClockDate(1970, 1, 1));
    EXPECT_TRUE(isClockDate(3000, 12, 31));
    EXPECT_FALSE(isClockDate(1969, 12, 31));
    EXPECT_FALSE(isClockDate(3001, 1, 1));

    EXPECT_TRUE(isClockDate(2028, 2, 29));
    EXPECT_TRUE(isClockDate(2000, 2, 29));
    EXPECT_FALSE(isClockDate(2100, 2, 29));
    EXPECT_FALSE(isClockDate(2027, 2, 29));
    EXPECT_FALSE(isClockDate(2027, 2, 30));
    EXPECT_FALSE(isClockDate(2027, 4, 31));
    EXPECT_TRUE(isClockDate(2027, 12, 31));
    EXPECT_FALSE(isClockDate(2027, 13, 1));
    EXPECT_FALSE(isClockDate(2027, 0, 1));
    EXPECT_FALSE(isClockDate(2027, 1, 0));
}

TEST(ClockLines, AcceptsOnlyTimesOfTheTwentyFourHourClock) {
    EXPECT_TRUE(isClockTime(0, 0, 0));
    EXPECT_TRUE(isClockTime(23, 59, 59));
    EXPECT_FALSE(isClockTime(24, 0, 0));
    EXPECT_FALSE(isClockTime(12, 60, 0));
    EXPECT_FALSE(isClockTime(12, 0, 60));
    EXPECT_FALSE(isClockTime(-1, 0, 0));
    EXPECT_EQ(clockTimeLine(23, 0, 0), "230000\n");
}

}  // namespace
