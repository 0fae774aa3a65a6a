#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class Recording;

// The frame number at which the readout passes 0.000 s: the moment the shock was detected.
inline constexpr std::int32_t eventFrameNumber = 451;

// One frame the report shows, with the times printed beside it.
struct EventFrame {
    std::uint32_t index = 0;
    std::int32_t number = 0;
    int offsetSeconds = 0;  // 0 for the event frame itself
    std::string timeText;   // the readout's text (frameTimeText)
    std::string timeOfDay;  // empty when the recording has no capture date
};

// The event frame and the frames around it.
struct EventFrames {
    EventFrame event;
    // In order from -3 s to +3 s; an offset with no frame of its own is left out.
    std::vector<EventFrame> around;
};

// The frame the slider selects for a frame number: the last of the leading frames whose
// numbers are not later than `number`. Nothing when the first frame is already later.
std::optional<std::uint32_t> lastFrameNotLaterThan(const Recording& recording, std::int64_t number);

// The event frame is the last frame not later than 0.000 s, or the first frame when all lie
// after it. Around it: the last frame not later than -3, -2, -1, +1, +2 and +3 s from the event
// frame, each left out when there is none or when it is a frame already shown for an offset
// nearer the event (a gap in the recording). Nothing for an empty recording.
std::optional<EventFrames> findEventFrames(const Recording& recording);
