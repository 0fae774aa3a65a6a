#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The wall-clock time of a frame: the first frame's capture date (EXIF text,
// "YYYY:MM:DD HH:MM:SS") plus the time elapsed from the first frame's number to `number`
// at 30 frame numbers a second, to the whole second (earlier, never later), as
// "YYYY/MM/DD HH:MM:SS". Nothing when the capture date is missing or not a valid date.
// `offsetMilliseconds` moves the clock by a stated correction; the second is then that of the
// corrected instant (whole seconds towards the past again).
std::optional<std::string> frameTimeOfDay(const std::string& captureDate,
                                          std::int32_t firstNumber, std::int32_t number,
                                          std::int64_t offsetMilliseconds = 0);

// The instant of a frame by the recorder's clock, in milliseconds since 1970-01-01 00:00:00 of
// the capture date's own (unstated) time zone; nothing without a valid capture date.
std::optional<std::int64_t> frameInstantMilliseconds(const std::string& captureDate,
                                                     std::int32_t firstNumber, std::int32_t number);

// The time of day the exports show for a frame: the recorded one, or with a stated correction
// the corrected one marked "補正". Empty when the recording has no valid capture date.
struct ClockCorrection;
std::string shownTimeOfDay(const std::string& captureDate, std::int32_t firstNumber,
                           std::int32_t number, const ClockCorrection& clock);
