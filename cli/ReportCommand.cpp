#include "ArgumentReader.h"
#include "Commands.h"
#include "GuiSession.h"
#include "LibraryFields.h"
#include "ProgressLine.h"
#include "Recording.h"
#include "RedactionOption.h"
#include "ReportExport.h"
#include "StandInOwner.h"
#include "TargetRequest.h"

namespace {

constexpr const char* usage =
    "usage: halcyra-cli report FILE --out PATH.pdf [--clock-offset SECONDS [--clock-note TEXT]]\n"
    "                          [--force] [--redact FILE.json]\n\n"
    "Writes the report of a recording as a PDF (A4). Page one: the file's name, size, SHA-256,\n"
    "the capture date, the frame count, the first and last readout time, the event frame\n"
    "(0.000 s) large and the frames 1, 2 and 3 seconds before and after it, each with its\n"
    "readout time and time of day; the following page holds the record of the steps (the\n"
    "recording received, with its size and SHA-256), any clock correction and, with --redact,\n"
    "the regions of the share copy's redaction file (the report's pictures carry the same\n"
    "mosaic).\n"
    "--clock-offset says how far the recorder's clock was off (true time = recorded time +\n"
    "SECONDS, e.g. +65 or -3600.5): the time of day is shown corrected and marked 補正;\n"
    "--clock-note gives the reason, printed beside the recorded and the corrected times.\n"
    "An existing PATH is replaced only with --force.\n"
    "Exit status: 0 written, 1 the recording is refused or PATH exists or cannot be written\n"
    "(nothing is left behind), 2 usage error (a malformed redaction file too).\n";

}  // namespace

int runReportCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    if (wantsHelp(args)) {
        out << usage;
        return 0;
    }
    TargetRequest request;
    if (!request.parse(args) || !request.out.ends_with(".pdf")) {
        err << usage;
        return 2;
    }
    StandInOwner owner;
    Recording recording;
    recording.setOwner(&owner);
    if (!loadRecordingForExport(recording, request.recordingPath, err)) {
        return 1;
    }
    std::shared_ptr<const RedactionPlan> redaction;
    if (!loadRedactionOption(request.redactPath, recording, redaction, err)) {
        return 2;
    }
    const GuiSession gui;
    ReportOptions options;
    options.redaction = redaction;
    options.programVersion = HALCYRA_PROGRAM_VERSION;
    options.replace = request.force;
    options.clock = request.clock.clock();
    options.userFields = libraryFieldsOf(request.recordingPath);
    ExportResult result;
    {
        ProgressLine progress(err, "report");
        result = exportReport(recording, request.recordingPath, request.out, options, progress);
    }
    return reportExportResult(result, err);
}
