#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "Commands.h"
#include "ScriptedPrompts.h"
#include "FileBytes.h"
#include "TempFolder.h"

namespace {

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

using Command = int (*)(std::span<const std::string>, std::ostream&, std::ostream&);

Outcome run(Command command, const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = command(args, out, err);
    return {code, out.str(), err.str()};
}

constexpr const char* carDefaultsFile =
    "xSummationUpper=0.30\r\nySummationUpper=0.20\r\nzSummationUpper=0.26\r\n"
    "xSummationLower=0.30\r\nySummationLower=0.20\r\nzSummationLower=0.26\r\n"
    "xMomentUpper=0.60\r\nyMomentUpper=0.60\r\nzMomentUpper=0.60\r\n"
    "xMomentLower=0.60\r\nyMomentLower=0.60\r\nzMomentLower=0.60\r\n";

class SettingsCommandsTest : public ::testing::Test {
protected:
    void SetUp() override { Prompts::install(&prompts); }

    Outcome sensitivity(std::vector<std::string> extra) {
        std::vector<std::string> args{"--vehicle",    "car", "--front-back", "10",
                                      "--left-right", "5",   "--up-down",    "7"};
        args.insert(args.end(), extra.begin(), extra.end());
        return run(runSensitivityCommand, args);
    }

    Outcome clock(std::string date, std::string time, std::vector<std::string> extra) {
        std::vector<std::string> args{"--date", std::move(date), "--time", std::move(time)};
        args.insert(args.end(), extra.begin(), extra.end());
        return run(runClockCommand, args);
    }

    ScriptedPrompts prompts;
    TempFolder folder;
    std::string halcInf = folder.file("halc.inf");
    std::string writeTime = folder.file("writetime.txt");
};

TEST_F(SettingsCommandsTest, SensitivityWritesTheDialogsFile) {
    const Outcome result = sensitivity({"--out", folder.path()});
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(readBytes(halcInf), carDefaultsFile);
    EXPECT_TRUE(prompts.calls().empty());

    // Without the trailing separator the file lands in the same place.
    std::filesystem::remove(halcInf);
    const std::string bare = folder.path().substr(0, folder.path().size() - 1);
    EXPECT_EQ(sensitivity({"--out", bare}).code, 0);
    EXPECT_EQ(readBytes(halcInf), carDefaultsFile);
}

TEST_F(SettingsCommandsTest, SensitivityMapsEachSliderToItsAxis) {
    const Outcome result =
        run(runSensitivityCommand, {"--out", folder.path(), "--up-down", "5", "--vehicle", "truck",
                                    "--left-right", "10", "--front-back", "0"});
    ASSERT_EQ(result.code, 0) << result.err;
    const std::string bytes = readBytes(halcInf);
    EXPECT_EQ(bytes.substr(0, 66),
              "xSummationUpper=0.30\r\nySummationUpper=0.50\r\nzSummationUpper=2.00\r\n");
    EXPECT_NE(bytes.find("yMomentUpper=1.00\r\n"), std::string::npos);
}

TEST_F(SettingsCommandsTest, SensitivityUsageErrorsWriteNothing) {
    const std::string out = folder.path();
    const std::vector<std::vector<std::string>> bad{
        {},
        {"--out", out},
        {"--vehicle", "car", "--front-back", "1", "--left-right", "1", "--out", out},
        {"--vehicle", "bus", "--front-back", "1", "--left-right", "1", "--up-down", "1", "--out",
         out},
        {"--vehicle", "Car", "--front-back", "1", "--left-right", "1", "--up-down", "1", "--out",
         out},
        {"--vehicle", "car", "--front-back", "1", "--left-right", "1", "--up-down", "1", "--out"},
        {"--vehicle", "car", "--front-back", "1", "--left-right", "1", "--up-down", "1", "--out",
         ""},
        {"--vehicle", "car", "--vehicle", "truck", "--front-back", "1", "--left-right", "1",
         "--up-down", "1", "--out", out},
        {"--vehicle", "car", "--front-back", "1", "--left-right", "1", "--up-down", "1", "--out",
         out, "--force", "--force"},
        {"--vehicle", "car", "--front-back", "1", "--left-right", "1", "--up-down", "1", "--out",
         out, "--speed", "3"},
        {"--vehicle", "car", "--front-back", "1", "--left-right", "1", "--up-down", "1", "--out",
         out, "extra"},
    };
    for (const auto& args : bad) {
        const Outcome result = run(runSensitivityCommand, args);
        EXPECT_EQ(result.code, 2) << testing::PrintToString(args);
        EXPECT_NE(result.err.find("usage:"), std::string::npos);
    }
    for (const char* position : {"11", "-1", "abc", "", "5.0", " 5", "+5", "4294967301"}) {
        const Outcome result =
            run(runSensitivityCommand, {"--vehicle", "car", "--front-back", "1", "--left-right",
                                        position, "--up-down", "1", "--out", out});
        EXPECT_EQ(result.code, 2) << position;
    }
    EXPECT_FALSE(std::filesystem::exists(halcInf));
    EXPECT_TRUE(prompts.calls().empty());
}

TEST_F(SettingsCommandsTest, HelpWinsOverEverythingElse) {
    for (Command command : {runSensitivityCommand, runClockCommand}) {
        const Outcome result = run(command, {"--out", "/nonexistent", "--help"});
        EXPECT_EQ(result.code, 0);
        EXPECT_NE(result.out.find("usage: halcyra-cli"), std::string::npos);
        EXPECT_EQ(result.err, "");
    }
}

TEST_F(SettingsCommandsTest, ExistingEntriesAreReplacedOnlyWithForce) {
    writeBytes(halcInf, "old contents, longer than nothing\r\n");
    Outcome result = sensitivity({"--out", folder.path()});
    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.err.find(halcInf), std::string::npos);
    EXPECT_NE(result.err.find("--force"), std::string::npos);
    EXPECT_EQ(readBytes(halcInf), "old contents, longer than nothing\r\n");

    result = sensitivity({"--force", "--out", folder.path()});
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(readBytes(halcInf), carDefaultsFile);

    writeBytes(writeTime, "20991231\r\n235959\r\n");
    EXPECT_EQ(clock("2027-03-01", "00:00:05", {"--out", folder.path()}).code, 1);
    EXPECT_EQ(readBytes(writeTime), "20991231\r\n235959\r\n");
    EXPECT_EQ(clock("2027-03-01", "00:00:05", {"--out", folder.path(), "--force"}).code, 0);
    EXPECT_EQ(readBytes(writeTime), "20270301\r\n000005\r\n");
    // Each command touches only its own file.
    EXPECT_EQ(readBytes(halcInf), carDefaultsFile);
}

TEST_F(SettingsCommandsTest, FolderOfTheFilesNameCountsAsExisting) {
    std::filesystem::create_directory(halcInf);
    Outcome result = sensitivity({"--out", folder.path()});
    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.err.find(halcInf), std::string::npos);
    EXPECT_TRUE(prompts.calls().empty());

    // Forced, the open fails: the command line says why in its own words, not the window's.
    result = sensitivity({"--out", folder.path(), "--force"});
    EXPECT_EQ(result.code, 1);
#ifdef _WIN32
    const std::string reason = "Permission denied";  // Windows' word for opening a folder
#else
    const std::string reason = "Is a directory";
#endif
    EXPECT_EQ(result.err, "halcyra-cli: cannot write " + halcInf + ": " + reason + "\n");
    EXPECT_TRUE(prompts.calls().empty());
    EXPECT_TRUE(std::filesystem::is_directory(halcInf));
}

TEST_F(SettingsCommandsTest, UnwritableTargetsFailWithTheSystemsReason) {
    Outcome result = sensitivity({"--out", folder.file("missing")});
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, "halcyra-cli: cannot write " + folder.file("missing/halc.inf") +
                              ": No such file or directory\n");
    result = clock("2027-03-01", "00:00:05", {"--out", folder.file("missing/")});
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, "halcyra-cli: cannot write " + folder.file("missing/writetime.txt") +
                              ": No such file or directory\n");

#ifndef _WIN32  // a card that fills up after the open is /dev/full here; Windows has none
    std::filesystem::create_symlink("/dev/full", halcInf);
    result = sensitivity({"--out", folder.path(), "--force"});
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, "halcyra-cli: cannot write " + halcInf + ": No space left on device\n");
    EXPECT_TRUE(prompts.calls().empty());
#endif
}

TEST_F(SettingsCommandsTest, ClockWritesTheDateAndTimeLines) {
    Outcome result = clock("2027-03-01", "00:00:05", {"--out", folder.path()});
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(readBytes(writeTime), "20270301\r\n000005\r\n");

    for (const auto& [date, time, expected] :
         {std::tuple{"1970-01-01", "00:00:00", "19700101\r\n000000\r\n"},
          std::tuple{"3000-12-31", "23:59:59", "30001231\r\n235959\r\n"},
          std::tuple{"2028-02-29", "23:00:00", "20280229\r\n230000\r\n"}}) {
        result = clock(date, time, {"--out", folder.path(), "--force"});
        EXPECT_EQ(result.code, 0) << date << " " << time << result.err;
        EXPECT_EQ(readBytes(writeTime), expected);
    }
}

TEST_F(SettingsCommandsTest, ClockRefusesDatesAndTimesItCannotCarry) {
    for (const char* date :
         {"1969-12-31", "3001-01-01", "2027-02-29", "2027-02-30", "2100-02-29", "2027-04-31",
          "2027-13-01", "2027-00-10", "2027-01-00", "2027-3-1", "27-03-01", "2027/03/01",
          "20270301", "2027-03-01T", "+027-03-01", ""}) {
        EXPECT_EQ(clock(date, "12:00:00", {"--out", folder.path()}).code, 2) << date;
    }
    for (const char* time : {"24:00:00", "12:60:00", "12:00:60", "1:00:00", "12:00", "12-00-00",
                             "-1:00:00", "12:00:00 ", ""}) {
        EXPECT_EQ(clock("2027-03-01", time, {"--out", folder.path()}).code, 2) << time;
    }
    EXPECT_EQ(run(runClockCommand, {"--date", "2027-03-01", "--out", folder.path()}).code, 2);
    EXPECT_EQ(run(runClockCommand, {"--time", "12:00:00", "--out", folder.path()}).code, 2);
    EXPECT_EQ(clock("2027-03-01", "12:00:00", {}).code, 2);
    EXPECT_EQ(
        clock("2027-03-01", "12:00:00", {"--out", folder.path(), "--date", "2027-03-02"}).code, 2);
    EXPECT_FALSE(std::filesystem::exists(writeTime));
}

TEST_F(SettingsCommandsTest, ReachableThroughTheToolsCommandTable) {
    std::ostringstream out;
    std::ostringstream err;
    const std::vector<std::string> args{"clock",    "--date", "2026-12-07", "--time",
                                        "14:05:30", "--out",  folder.path()};
    EXPECT_EQ(runCli(args, out, err), 0) << err.str();
    EXPECT_EQ(readBytes(writeTime), "20261207\r\n140530\r\n");
}

}  // namespace
