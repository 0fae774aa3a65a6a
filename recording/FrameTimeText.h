#pragma once

#include <cstdint>
#include <string>

// The readout text of a frame number: seconds on the recording's time axis, "-15.000" at
// frame number 1 and "0.000" at frame number 451.
std::string frameTimeText(std::int32_t number);
