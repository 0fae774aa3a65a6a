#include <gtest/gtest.h>

#include <array>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "ConfigFileWriter.h"
#include "Environment.h"
#include "FileError.h"
#include "ScriptedPrompts.h"
#include "FileBytes.h"
#include "TempFolder.h"

namespace {

// The expected file for given summation and moment values, spelled out byte by byte.
std::string halcInf(const std::string& sx, const std::string& sy, const std::string& sz,
                    const std::string& mx, const std::string& my, const std::string& mz) {
    return "xSummationUpper=" + sx + "\r\n" + "ySummationUpper=" + sy + "\r\n" +
           "zSummationUpper=" + sz + "\r\n" + "xSummationLower=" + sx + "\r\n" +
           "ySummationLower=" + sy + "\r\n" + "zSummationLower=" + sz + "\r\n" +
           "xMomentUpper=" + mx + "\r\n" + "yMomentUpper=" + my + "\r\n" + "zMomentUpper=" + mz +
           "\r\n" + "xMomentLower=" + mx + "\r\n" + "yMomentLower=" + my + "\r\n" +
           "zMomentLower=" + mz + "\r\n";
}

class SensitivityFileTest : public ::testing::Test {
protected:
    void SetUp() override { Prompts::install(&prompts); }

    std::string write(VehicleType type, int x, int y, int z) {
        ConfigFileWriter writer;
        writer.setSensitivity(type, x, y, z);
        EXPECT_TRUE(writer.writeSensitivityFile(target));
        return readBytes(target);
    }

    ScriptedPrompts prompts;
    TempFolder folder;
    std::string target = folder.file("halc.inf");
};

TEST_F(SensitivityFileTest, CarDefaultsGiveTheExampleFile) {
    const std::string bytes = write(carVehicle, 5, 10, 7);
    EXPECT_EQ(bytes,
              "xSummationUpper=0.30\r\n"
              "ySummationUpper=0.20\r\n"
              "zSummationUpper=0.26\r\n"
              "xSummationLower=0.30\r\n"
              "ySummationLower=0.20\r\n"
              "zSummationLower=0.26\r\n"
              "xMomentUpper=0.60\r\n"
              "yMomentUpper=0.60\r\n"
              "zMomentUpper=0.60\r\n"
              "xMomentLower=0.60\r\n"
              "yMomentLower=0.60\r\n"
              "zMomentLower=0.60\r\n");
    EXPECT_EQ(bytes.size(), 246u);
    EXPECT_TRUE(prompts.calls().empty());
}

TEST_F(SensitivityFileTest, TruckAtMiddlePositions) {
    EXPECT_EQ(write(truckVehicle, 5, 5, 5),
              halcInf("0.40", "0.40", "2.00", "0.80", "1.00", "2.00"));
}

TEST_F(SensitivityFileTest, SlidersAtBothEnds) {
    EXPECT_EQ(write(carVehicle, 0, 0, 0), halcInf("0.40", "0.40", "0.40", "0.60", "0.60", "0.60"));
    EXPECT_EQ(write(carVehicle, 10, 10, 10),
              halcInf("0.20", "0.20", "0.20", "0.60", "0.60", "0.60"));
    EXPECT_EQ(write(truckVehicle, 0, 0, 0),
              halcInf("0.50", "0.50", "2.00", "0.80", "1.00", "2.00"));
    EXPECT_EQ(write(truckVehicle, 10, 10, 10),
              halcInf("0.30", "0.30", "2.00", "0.80", "1.00", "2.00"));
}

// Each axis on its own through every position, so that a mixed-up axis or a rounding slip
// in one product shows.
TEST_F(SensitivityFileTest, EveryPositionOfEveryAxis) {
    const std::array<const char*, 11> car{"0.40", "0.38", "0.36", "0.34", "0.32", "0.30",
                                          "0.28", "0.26", "0.24", "0.22", "0.20"};
    const std::array<const char*, 11> truck{"0.50", "0.48", "0.46", "0.44", "0.42", "0.40",
                                            "0.38", "0.36", "0.34", "0.32", "0.30"};
    for (int p = 0; p <= 10; ++p) {
        SCOPED_TRACE(p);
        EXPECT_EQ(write(carVehicle, p, 0, 10),
                  halcInf(car[p], "0.40", "0.20", "0.60", "0.60", "0.60"));
        EXPECT_EQ(write(carVehicle, 0, p, 10),
                  halcInf("0.40", car[p], "0.20", "0.60", "0.60", "0.60"));
        EXPECT_EQ(write(carVehicle, 10, 0, p),
                  halcInf("0.20", "0.40", car[p], "0.60", "0.60", "0.60"));
        EXPECT_EQ(write(truckVehicle, p, 0, 0),
                  halcInf(truck[p], "0.50", "2.00", "0.80", "1.00", "2.00"));
        EXPECT_EQ(write(truckVehicle, 0, p, p),
                  halcInf("0.50", truck[p], "2.00", "0.80", "1.00", "2.00"));
    }
}

// The writer takes positions unchecked; beyond the slider range the text must still be
// what "%4.2f" gives, including a sign and a fifth character.
TEST_F(SensitivityFileTest, PositionsBeyondTheSliderRangeFormatLikePrintf) {
    EXPECT_EQ(write(carVehicle, 15, -3, 30),
              halcInf("0.10", "0.46", "-0.20", "0.60", "0.60", "0.60"));
    EXPECT_EQ(write(truckVehicle, 100, -100, 1000000),
              halcInf("-1.50", "2.50", "2.00", "0.80", "1.00", "2.00"));
}

TEST_F(SensitivityFileTest, LaterWritesUseTheLastValuesStored) {
    ConfigFileWriter writer;
    writer.setSensitivity(truckVehicle, 0, 0, 0);
    writer.setSensitivity(carVehicle, 5, 10, 7);
    ASSERT_TRUE(writer.writeSensitivityFile(target));
    EXPECT_EQ(readBytes(target).substr(0, 22), "xSummationUpper=0.30\r\n");
}

TEST_F(SensitivityFileTest, ReplacesALongerFileCompletely) {
    writeBytes(target, std::string(5000, 'Q'));
    EXPECT_EQ(write(carVehicle, 5, 10, 7).size(), 246u);
    EXPECT_EQ(readBytes(target).find('Q'), std::string::npos);
}

TEST_F(SensitivityFileTest, UnopenablePathIsReportedAndNothingIsCreated) {
    // Running as root, permissions do not stop us; a regular file in the way does.
    writeBytes(folder.file("card"), "not a folder");
    const std::string underAFile = folder.file("card/halc.inf");
    const std::string missingFolder = folder.file("gone/halc.inf");
    std::filesystem::create_directory(target);  // a folder named like the file

    for (const std::string& path : {underAFile, missingFolder, target}) {
        SCOPED_TRACE(path);
        prompts.clear();
        ConfigFileWriter writer;
        writer.setSensitivity(carVehicle, 5, 10, 7);
        EXPECT_FALSE(writer.writeSensitivityFile(path));
        ASSERT_EQ(prompts.calls().size(), 1u);
        const auto& call = prompts.calls().front();
        EXPECT_EQ(call.kind, ScriptedPrompts::Kind::message);
        EXPECT_EQ(call.text, path + " の出力に失敗しました");
        EXPECT_EQ(call.buttons, Prompts::Buttons::Ok);
        EXPECT_EQ(call.icon, Prompts::Icon::Warning);
    }
    EXPECT_EQ(readBytes(folder.file("card")), "not a folder");
    EXPECT_FALSE(std::filesystem::exists(folder.file("gone")));
    EXPECT_TRUE(std::filesystem::is_directory(target));
}

TEST_F(SensitivityFileTest, FullDiskAfterTheOpenThrowsTheFileError) {
    ConfigFileWriter writer;
    writer.setSensitivity(carVehicle, 5, 10, 7);
    try {
        writer.writeSensitivityFile("/dev/full");
        FAIL() << "no FileError";
    } catch (const FileError& error) {
        EXPECT_EQ(error.kind(), FileError::Kind::diskFull);
        EXPECT_EQ(error.path(), "/dev/full");
        EXPECT_STREQ(error.what(), "Disk full while accessing /dev/full.");
    }
    EXPECT_TRUE(prompts.calls().empty());
}

// A comma-decimal locale for this process: an installed one, or one compiled for the test.
std::string commaDecimalLocale(const TempFolder& scratch) {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "de_DE", "German_Germany.1252"}) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            return name;
        }
    }
    const std::string command =
        "localedef -i de_DE -f UTF-8 " + scratch.file("de_DE.UTF-8") + " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) {
        return {};
    }
    setEnvironment("LOCPATH", scratch.path());
    return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr ? "de_DE.UTF-8" : "";
}

TEST_F(SensitivityFileTest, FullStopEvenUnderACommaDecimalLocale) {
    TempFolder scratch;
    const std::string name = commaDecimalLocale(scratch);
    if (name.empty()) {
        GTEST_SKIP() << "no comma-decimal locale on this system";
    }
    char probe[16];
    std::snprintf(probe, sizeof probe, "%4.2f", 0.5);
    EXPECT_STREQ(probe, "0,50");  // the locale really is in force

    const std::string bytes = write(carVehicle, 5, 10, 7);

    std::setlocale(LC_ALL, "C");
    unsetEnvironment("LOCPATH");
    EXPECT_EQ(bytes, halcInf("0.30", "0.20", "0.26", "0.60", "0.60", "0.60"));
}

}  // namespace
