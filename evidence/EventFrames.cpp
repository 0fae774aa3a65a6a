#include "EventFrames.h"

#include <algorithm>
#include <array>

#include "FrameTimeText.h"
#include "Recording.h"
#include "TimeOfDay.h"

namespace {

constexpr std::int32_t unitsPerSecond = 30;
constexpr int secondsAround = 3;

EventFrame describe(const Recording& recording, std::uint32_t index, int offsetSeconds) {
    const FrameRecord frame = recording.frameAt(index);
    const std::int32_t firstNumber = recording.frameAt(0).number;
    return {index, frame.number, offsetSeconds, frameTimeText(frame.number),
            frameTimeOfDay(recording.getCaptureDate(), firstNumber, frame.number).value_or("")};
}

}  // namespace

std::optional<std::uint32_t> lastFrameNotLaterThan(const Recording& recording,
                                                    std::int64_t number) {
    std::uint32_t count = 0;
    while (count < recording.frameCount() && recording.frameAt(count).number <= number) {
        ++count;
    }
    if (count == 0) {
        return std::nullopt;
    }
    return count - 1;
}

std::optional<EventFrames> findEventFrames(const Recording& recording) {
    if (recording.frameCount() == 0) {
        return std::nullopt;
    }
    const std::uint32_t eventIndex = lastFrameNotLaterThan(recording, eventFrameNumber).value_or(0);
    EventFrames frames{describe(recording, eventIndex, 0), {}};
    const std::int64_t eventNumber = frames.event.number;

    std::vector<std::uint32_t> shown{eventIndex};
    // Nearest offsets first, so a frame repeated by a gap stays with the offset nearest it.
    for (int distance = 1; distance <= secondsAround; ++distance) {
        for (const int offset : std::array{-distance, distance}) {
            const std::optional<std::uint32_t> index =
                lastFrameNotLaterThan(recording, eventNumber + std::int64_t{offset} * unitsPerSecond);
            if (!index || std::find(shown.begin(), shown.end(), *index) != shown.end()) {
                continue;
            }
            shown.push_back(*index);
            frames.around.push_back(describe(recording, *index, offset));
        }
    }
    std::sort(frames.around.begin(), frames.around.end(),
              [](const EventFrame& a, const EventFrame& b) {
                  return a.offsetSeconds < b.offsetSeconds;
              });
    return frames;
}
