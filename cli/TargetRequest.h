#pragma once

#include <ostream>
#include <span>
#include <string>

#include "ClockOptions.h"
#include "ExportResult.h"

class Recording;

// The words of a command that writes one target from a recording: FILE --out PATH [--force]
// [--clock-offset SECONDS] [--clock-note TEXT] [--redact FILE.json].
struct TargetRequest {
    std::string recordingPath;
    std::string out;
    bool force = false;
    ClockOptions clock;
    std::string redactPath;  // --redact FILE.json

    // False for a usage error: a word it does not know, a repeated or missing one.
    bool parse(std::span<const std::string> args);
};

// Loads the recording as the viewer does; on failure says so on `err`.
bool loadRecordingForExport(Recording& recording, const std::string& path, std::ostream& err);

// The exit status of an export, with its message on `err`: 0 written, 3 written with frames
// that did not decode completely, 1 anything not written.
int reportExportResult(const ExportResult& result, std::ostream& err);
