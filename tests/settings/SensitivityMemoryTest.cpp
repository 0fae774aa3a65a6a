#include <gtest/gtest.h>

#include <filesystem>

#include "FileBytes.h"
#include "SensitivityMemory.h"
#include "TempFolder.h"

namespace {

class SensitivityMemoryTest : public ::testing::Test {
protected:
    TempFolder folder;
    std::string path = folder.file("Halcyra.ini");
    SensitivityMemory memory{path};
};

TEST_F(SensitivityMemoryTest, FirstRunGivesCarAndEachTypesDefaults) {
    EXPECT_EQ(memory.loadVehicleType(), carVehicle);
    EXPECT_EQ(memory.loadPositions(carVehicle), (SensitivityPositions{10, 5, 7}));
    EXPECT_EQ(memory.loadPositions(truckVehicle), (SensitivityPositions{5, 5, 10}));
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(SensitivityMemoryTest, OnlyALeadingOneMeansTruck) {
    for (const char* value : {"1", "01", "1abc", " 1", "+1"}) {
        writeBytes(path, std::string("[Config]\r\nCarType=") + value + "\r\n");
        EXPECT_EQ(memory.loadVehicleType(), truckVehicle) << value;
    }
    for (const char* value : {"0", "2", "-1", "", "truck", "11", "0x1"}) {
        writeBytes(path, std::string("[Config]\r\ncartype=") + value + "\r\n");
        EXPECT_EQ(memory.loadVehicleType(), carVehicle) << value;
    }
    // The 1 at the hundredth character is cut off with the rest of the value.
    writeBytes(path, "[Config]\r\nCarType=" + std::string(99, '0') + "1\r\n");
    EXPECT_EQ(memory.loadVehicleType(), carVehicle);
    writeBytes(path, "[Config]\r\nCarType=" + std::string(98, '0') + "1\r\n");
    EXPECT_EQ(memory.loadVehicleType(), truckVehicle);
}

TEST_F(SensitivityMemoryTest, TruckWithoutItsKeysGetsTruckDefaults) {
    writeBytes(path, "[Config]\r\nCarType=1\r\ny=0\r\nx=0\r\nz=0\r\n");
    EXPECT_EQ(memory.loadVehicleType(), truckVehicle);
    EXPECT_EQ(memory.loadPositions(truckVehicle), (SensitivityPositions{5, 5, 10}));
}

TEST_F(SensitivityMemoryTest, StoredPositionsComeBackUnclamped) {
    writeBytes(path, "[Config]\r\ny=15\r\nx=-3\r\nz=high\r\nty=0000000001\r\ntx=\r\ntz=7.9\r\n");
    EXPECT_EQ(memory.loadPositions(carVehicle), (SensitivityPositions{15, -3, 0}));
    // "0000000001" is cut to nine characters, all zeros.
    EXPECT_EQ(memory.loadPositions(truckVehicle), (SensitivityPositions{0, 0, 7}));
}

TEST_F(SensitivityMemoryTest, SavesTheTypeThenItsKeysAndKeepsTheOtherType) {
    memory.save(carVehicle, {10, 5, 7});
    EXPECT_EQ(readBytes(path), "[Config]\r\ncarType=0\r\ny=10\r\nx=5\r\nz=7\r\n");

    memory.save(truckVehicle, {2, 3, 4});
    EXPECT_EQ(readBytes(path),
              "[Config]\r\ncarType=1\r\ny=10\r\nx=5\r\nz=7\r\nty=2\r\ntx=3\r\ntz=4\r\n");
    EXPECT_EQ(memory.loadVehicleType(), truckVehicle);
    EXPECT_EQ(memory.loadPositions(carVehicle), (SensitivityPositions{10, 5, 7}));

    memory.save(carVehicle, {0, 1, 2});
    EXPECT_EQ(memory.loadVehicleType(), carVehicle);
    EXPECT_EQ(memory.loadPositions(carVehicle), (SensitivityPositions{0, 1, 2}));
    EXPECT_EQ(memory.loadPositions(truckVehicle), (SensitivityPositions{2, 3, 4}));
}

TEST_F(SensitivityMemoryTest, SaveKeepsForeignContent) {
    writeBytes(path, "[Window]\nleft=10\n[Config]\nCarType=1\nnote=mine\n");
    memory.save(carVehicle, {1, 2, 3});
    EXPECT_EQ(readBytes(path),
              "[Window]\nleft=10\n[Config]\ncarType=0\nnote=mine\ny=1\nx=2\nz=3\n");
}

TEST_F(SensitivityMemoryTest, UnsavableFileIsIgnored) {
    std::filesystem::create_directory(path);
    memory.save(truckVehicle, {1, 2, 3});
    EXPECT_TRUE(std::filesystem::is_directory(path));
    EXPECT_EQ(memory.loadVehicleType(), carVehicle);
}

}  // namespace
