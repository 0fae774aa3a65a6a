#include "FuzzEntries.h"

std::span<const FuzzTarget> fuzzTargets() {
    static constexpr FuzzTarget targets[] = {
        {"recording", fuzzRecordingLoad},
        {"exif", fuzzExifDate},
        {"jpeg", fuzzJpegDecode},
        {"profile", fuzzProfileFile},
        {"cli", fuzzCliArguments},
        {"redaction", fuzzRedactionFile},
        {"sidecar", fuzzSidecarFile},
#ifdef HALCYRA_FUZZ_SERVER
        {"server", fuzzServerRequest},
#endif
    };
    return targets;
}
