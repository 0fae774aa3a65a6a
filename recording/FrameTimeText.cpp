#include "FrameTimeText.h"

#include <cstdio>

std::string frameTimeText(std::int32_t number) {
    // Unsigned 32-bit on purpose: numbers below 1 wrap to large positive times, as the
    // recorder's own arithmetic does.
    const std::uint32_t k = static_cast<std::uint32_t>(number) - 1u;
    const std::uint32_t ms = (k / 3u) * 100u + (k % 3u) * 33u;
    const double seconds = ms * 0.001 - 15.0;
    // ms is at most 2^32 - 1, so the text never exceeds 11 characters.
    char text[32];
    std::snprintf(text, sizeof text, "%04.3f", seconds);
    return text;
}
