#include "FrameTimeText.h"

#include <cstdio>

std::int64_t frameTimeMilliseconds(std::int32_t number) {
    // Unsigned 32-bit on purpose: numbers below 1 wrap to large positive times, as the
    // recorder's own arithmetic does.
    const std::uint32_t k = static_cast<std::uint32_t>(number) - 1u;
    const std::uint32_t ms = (k / 3u) * 100u + (k % 3u) * 33u;
    return std::int64_t{ms} - 15000;
}

std::string frameTimeText(std::int32_t number) {
    // Whole thousandths printed as integers: printf's %f would take the decimal comma of a
    // German or French locale, which the window's process adopts from its environment.
    const std::int64_t ms = frameTimeMilliseconds(number);
    const std::int64_t magnitude = ms < 0 ? -ms : ms;
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld.%03lld", ms < 0 ? "-" : "",
                  static_cast<long long>(magnitude / 1000), static_cast<long long>(magnitude % 1000));
    return text;
}
