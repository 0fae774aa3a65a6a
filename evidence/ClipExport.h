#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ClockCorrection.h"
#include "ExportProgress.h"
#include "ExportResult.h"

class Recording;
class RedactionPlan;

enum class ClipKind { OriginalAvi, OriginalMkv, ShareMp4 };

// A span on the readout's time axis in seconds, both ends included, as the user reads the
// readout (-5 .. +3 around the event, say); an open end reaches the recording's end.
struct ReadoutSpan {
    std::optional<double> fromSeconds;
    std::optional<double> toSeconds;
};

struct ClipOptions {
    ClipKind kind = ClipKind::OriginalAvi;
    ReadoutSpan span;
    bool overlay = true;   // the share copy's burned-in times
    bool replace = false;  // an existing target may be replaced
    ClockCorrection clock{};  // the share copy's burned-in time of day, corrected and marked
    // The share copy's mosaic regions; an original clip with one is refused.
    std::shared_ptr<const RedactionPlan> redaction;
};

// .avi .mkv .mp4 (in any letter case), else nothing.
std::optional<ClipKind> clipKindForPath(const std::string& path);

// The indexes [first, last] of the frames inside the span; nothing when it holds no frame.
std::optional<std::pair<std::uint32_t, std::uint32_t>> framesInSpan(const Recording& recording,
                                                                    const ReadoutSpan& span);

// One frame of a clip on its time line, in 1/30 s units from the first exported frame.
struct ClipFrame {
    std::uint32_t index = 0;
    std::int64_t pts = 0;
    std::int64_t duration = 1;
};

// The time line of frames [first, last]: pts = number - the first exported frame's number,
// at least one unit after the frame before; the last frame lasts the gap before it (one unit
// alone). Frames without bytes are left out.
std::vector<ClipFrame> clipTimeline(const Recording& recording, std::uint32_t first,
                                    std::uint32_t last);

// Writes the clip of `recording` to `target`: the recorded JPEG bytes unchanged for the
// original kinds, an H.264 share copy with the times burned in for .mp4. Only reads the
// recording (its own decoder and picture for the share copy), so it may run on a worker
// thread while the window plays. The target appears whole or not at all.
ExportResult exportClip(const Recording& recording, const std::string& target,
                        const ClipOptions& options, ExportProgress& progress);
