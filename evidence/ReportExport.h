#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ClockCorrection.h"
#include "ExportProgress.h"
#include "ExportResult.h"
#include "ReportPage.h"
#include "ReportRecord.h"

class Recording;
class RedactionPlan;

struct ReportOptions {
    // Printed at the foot of the page; the window takes them from the version store.
    std::string programName = "Halcyra";
    std::string programVersion;
    // When the report was made, as printed; empty means now, in local time.
    std::string madeAt;
    bool replace = false;
    // A stated correction of the recorder's clock: the report shows the recorded and the
    // corrected times, the offset and the reason.
    ClockCorrection clock;
    // The files written together with the report (a package's clips and still), listed in its
    // record of the steps after the recording it was made from.
    std::vector<ReportRecordEntry> outputs;
    // Vehicle, driver and note of a recording kept in the library, among the facts.
    std::optional<ReportUserFields> userFields;
    // The regions of the redacted share copy: listed, and drawn into the report's pictures.
    std::shared_ptr<const RedactionPlan> redaction;
};

// True when a QGuiApplication runs, so that text can be drawn (the report, the overlay).
bool drawingAvailable();

// The time now as the report prints it: "YYYY/MM/DD HH:MM:SS" in local time and its UTC offset.
std::string reportTimeNow();

// Writes the one-page report of `recording`, loaded from `recordingPath` (whose name, size and
// SHA-256 it prints), as a PDF to `target`. The pictures are the viewer's: decoded in order
// from the first frame with a decoder of the export's own, so a damaged frame shows as it does
// in playback. Advances `progress` per decoded frame. Needs a QGuiApplication; may run on any
// thread while the window keeps playing the same recording.
ExportResult exportReport(const Recording& recording, const std::string& recordingPath,
                          const std::string& target, const ReportOptions& options,
                          ExportProgress& progress);
