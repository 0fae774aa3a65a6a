#include <array>

#include "FuzzEntries.h"

std::span<const FuzzTarget> fuzzTargets() {
    static constexpr std::array<FuzzTarget, 7> targets{{
        {"recording", fuzzRecordingLoad},
        {"exif", fuzzExifDate},
        {"jpeg", fuzzJpegDecode},
        {"profile", fuzzProfileFile},
        {"cli", fuzzCliArguments},
        {"redaction", fuzzRedactionFile},
        {"sidecar", fuzzSidecarFile},
    }};
    return targets;
}
