#pragma once

#include <string>

#include "ProfileFile.h"
#include "VehicleType.h"

// Slider positions of the three axes, as Halcyra.ini stores them. Not limited to 0 to 10:
// the sliders pull stored values into their range.
struct SensitivityPositions {
    int frontBack;  // 前後, y
    int leftRight;  // 左右, x
    int upDown;     // 上下, z

    friend bool operator==(const SensitivityPositions&, const SensitivityPositions&) = default;
};

// The last output's vehicle type and positions per vehicle type, kept in Halcyra.ini.
class SensitivityMemory {
public:
    explicit SensitivityMemory(std::string iniPath);

    static SensitivityPositions defaults(VehicleType vehicleType);

    // Truck only when "CarType" reads as 1.
    VehicleType loadVehicleType() const;
    // The positions saved for that type, each missing one at the type's default.
    SensitivityPositions loadPositions(VehicleType vehicleType) const;
    // Saves the type and that type's positions; the other type's keys stay as they are.
    // Save failures are not reported: the device file has been written by then.
    void save(VehicleType vehicleType, const SensitivityPositions& positions) const;

private:
    ProfileFile file_;
};
