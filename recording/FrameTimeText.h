#pragma once

#include <cstdint>
#include <string>

// The readout of a frame number in milliseconds on the recording's time axis: -15000 at frame
// number 1 and 0 at frame number 451, in the recorder's 100/33/33 ms steps.
std::int64_t frameTimeMilliseconds(std::int32_t number);

// The readout text of a frame number: seconds on the recording's time axis, "-15.000" at
// frame number 1 and "0.000" at frame number 451. Always with a point, whatever the locale.
std::string frameTimeText(std::int32_t number);
