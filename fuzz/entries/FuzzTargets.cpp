#include <array>

#include "FuzzEntries.h"

std::span<const FuzzTarget> fuzzTargets() {
    static constexpr std::array<FuzzTarget, 6> targets{{
        {"recording", fuzzRecordingLoad},
        {"exif", fuzzExifDate},
        {"jpeg", fuzzJpegDecode},
        {"profile", fuzzProfileFile},
        {"cli", fuzzCliArguments},
        {"redaction", fuzzRedactionFile},
    }};
    return targets;
}
