#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// How far the recorder's clock was off, as the user states it: true time = recorded time +
// offset. A documented correction of what is shown; the recording itself never changes.
struct ClockCorrection {
    std::optional<std::int64_t> offsetMilliseconds;  // nothing: no correction stated
    std::string note;                                // the user's reason, may be empty

    bool stated() const { return offsetMilliseconds.has_value(); }
};

// The furthest a stated offset may reach: a century either way.
inline constexpr std::int64_t maxClockOffsetMilliseconds = 100LL * 366 * 24 * 3600 * 1000;

// A signed decimal number of seconds with at most three decimals ("+65", "-3600.5", "0.25"),
// within a century; nothing for anything else.
std::optional<std::int64_t> parseClockOffset(std::string_view text);

// The offset as people read it: "+65 秒", "-3600.5 秒", "+0 秒".
std::string clockOffsetText(std::int64_t offsetMilliseconds);
