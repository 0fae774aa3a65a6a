#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ClockCorrection.h"
#include "ExportProgress.h"
#include "ExportResult.h"

class Recording;
class RedactionPlan;

enum class StillFormat {
    Jpeg,  // the frame's recorded bytes, unchanged (EXIF and all)
    Png,   // the picture as the viewer shows it
    Ppm,   // the same picture, binary PPM
};

// The format a target's extension asks for (.jpg/.jpeg, .png, .ppm, any case); nothing
// for any other.
std::optional<StillFormat> stillFormatForPath(const std::string& path);

struct StillOptions {
    // Burns the time of day and the readout's time into a PNG (never into the recorded bytes).
    bool overlay = false;
    bool replace = false;
    ClockCorrection clock{};  // the overlay's time of day, corrected and marked
    // Mosaic regions drawn into a .png or .ppm before the overlay; a .jpg with one is refused.
    std::shared_ptr<const RedactionPlan> redaction;
};

// Writes frame `index` to `target` in the format of its extension. A picture is decoded as in
// playback, in order from the first frame, so a damaged frame shows over the one before it.
// WrittenWithDamage when the frame itself did not decode completely. Drawing the overlay needs
// a QGuiApplication.
ExportResult exportStill(const Recording& recording, std::uint32_t index,
                         const std::string& target, const StillOptions& options,
                         ExportProgress& progress);
