#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The wall-clock time of a frame: the first frame's capture date (EXIF text,
// "YYYY:MM:DD HH:MM:SS") plus the time elapsed from the first frame's number to `number`
// at 30 frame numbers a second, to the whole second (earlier, never later), as
// "YYYY/MM/DD HH:MM:SS". Nothing when the capture date is missing or not a valid date.
std::optional<std::string> frameTimeOfDay(const std::string& captureDate,
                                          std::int32_t firstNumber, std::int32_t number);
