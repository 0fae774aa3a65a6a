#include "TimeOfDay.h"

#include "ClockCorrection.h"

#include <chrono>
#include <cstdio>

namespace {

bool readField(const std::string& text, std::size_t at, std::size_t digits, int& value) {
    value = 0;
    for (std::size_t i = at; i < at + digits; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

}  // namespace

std::optional<std::int64_t> frameInstantMilliseconds(const std::string& captureDate,
                                                     std::int32_t firstNumber, std::int32_t number) {
    using namespace std::chrono;
    // "YYYY:MM:DD HH:MM:SS", exactly as the camera writes it.
    if (captureDate.size() != 19 || captureDate[4] != ':' || captureDate[7] != ':' ||
        captureDate[10] != ' ' || captureDate[13] != ':' || captureDate[16] != ':') {
        return std::nullopt;
    }
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (!readField(captureDate, 0, 4, y) || !readField(captureDate, 5, 2, mo) ||
        !readField(captureDate, 8, 2, d) || !readField(captureDate, 11, 2, h) ||
        !readField(captureDate, 14, 2, mi) || !readField(captureDate, 17, 2, s)) {
        return std::nullopt;
    }
    const year_month_day date{year{y}, month{static_cast<unsigned>(mo)},
                              day{static_cast<unsigned>(d)}};
    if (!date.ok() || h > 23 || mi > 59 || s > 59) {
        return std::nullopt;
    }
    const std::int64_t units = std::int64_t{number} - firstNumber;
    const sys_time<milliseconds> start = sys_days{date} + hours{h} + minutes{mi} + seconds{s};
    const sys_time<milliseconds> at =
        start + floor<milliseconds>(duration<std::int64_t, std::ratio<1, 30>>{units});
    return at.time_since_epoch().count();
}

std::optional<std::string> frameTimeOfDay(const std::string& captureDate,
                                          std::int32_t firstNumber, std::int32_t number,
                                          std::int64_t offsetMilliseconds) {
    using namespace std::chrono;
    const std::optional<std::int64_t> instant =
        frameInstantMilliseconds(captureDate, firstNumber, number);
    if (!instant) {
        return std::nullopt;
    }
    // Whole seconds towards the past, so a frame is never stamped with a second not yet begun.
    // Without a correction this is floor(units / 30) seconds after the capture date.
    const sys_seconds at =
        floor<seconds>(sys_time<milliseconds>{milliseconds{*instant + offsetMilliseconds}});
    const sys_days atDay = floor<days>(at);
    const year_month_day atDate{atDay};
    const hh_mm_ss clock{at - atDay};
    char text[40];
    std::snprintf(text, sizeof text, "%04d/%02u/%02u %02d:%02d:%02d",
                  static_cast<int>(atDate.year()), static_cast<unsigned>(atDate.month()),
                  static_cast<unsigned>(atDate.day()), static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return std::string(text);
}

std::string shownTimeOfDay(const std::string& captureDate, std::int32_t firstNumber,
                           std::int32_t number, const ClockCorrection& clock) {
    const std::optional<std::string> time =
        frameTimeOfDay(captureDate, firstNumber, number, clock.offsetMilliseconds.value_or(0));
    if (!time) {
        return {};
    }
    return clock.stated() ? *time + " 補正" : *time;
}
