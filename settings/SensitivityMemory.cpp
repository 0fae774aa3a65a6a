#include "SensitivityMemory.h"

#include <utility>

namespace {

constexpr const char* section = "Config";
// How much of a stored value is read, terminator included: a longer value is cut before it
// is read as a number (a position keeps its first nine characters).
constexpr std::size_t vehicleTypeBufferSize = 100;
constexpr std::size_t positionBufferSize = 10;

struct PositionKeys {
    const char* frontBack;
    const char* leftRight;
    const char* upDown;
};

PositionKeys keysFor(VehicleType vehicleType) {
    return vehicleType == truckVehicle ? PositionKeys{"ty", "tx", "tz"}
                                       : PositionKeys{"y", "x", "z"};
}

}  // namespace

SensitivityMemory::SensitivityMemory(std::string iniPath) : file_(std::move(iniPath)) {}

SensitivityPositions SensitivityMemory::defaults(VehicleType vehicleType) {
    return vehicleType == truckVehicle ? SensitivityPositions{5, 5, 10}
                                       : SensitivityPositions{10, 5, 7};
}

VehicleType SensitivityMemory::loadVehicleType() const {
    const int stored = file_.readInteger(section, "CarType", "", vehicleTypeBufferSize);
    return stored == 1 ? truckVehicle : carVehicle;
}

SensitivityPositions SensitivityMemory::loadPositions(VehicleType vehicleType) const {
    const PositionKeys keys = keysFor(vehicleType);
    const SensitivityPositions fallback = defaults(vehicleType);
    const auto read = [this](const char* key, int defaultValue) {
        return file_.readInteger(section, key, std::to_string(defaultValue), positionBufferSize);
    };
    return {read(keys.frontBack, fallback.frontBack), read(keys.leftRight, fallback.leftRight),
            read(keys.upDown, fallback.upDown)};
}

void SensitivityMemory::save(VehicleType vehicleType, const SensitivityPositions& positions) const {
    const PositionKeys keys = keysFor(vehicleType);
    file_.writeString(section, "carType", vehicleType == truckVehicle ? "1" : "0");
    file_.writeString(section, keys.frontBack, std::to_string(positions.frontBack));
    file_.writeString(section, keys.leftRight, std::to_string(positions.leftRight));
    file_.writeString(section, keys.upDown, std::to_string(positions.upDown));
}
