#pragma once

#include <cstdint>

// The vehicle choice as the recorder's tables and Halcyra.ini number it.
using VehicleType = std::int32_t;

inline constexpr VehicleType carVehicle = 0;
inline constexpr VehicleType truckVehicle = 1;
