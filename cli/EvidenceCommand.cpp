#include "ArgumentReader.h"
#include "Commands.h"
#include "EvidencePackage.h"
#include "GuiSession.h"
#include "LibraryFields.h"
#include "ProgressLine.h"
#include "Recording.h"
#include "RedactionOption.h"
#include "StandInOwner.h"
#include "TargetRequest.h"

namespace {

constexpr const char* usage =
    "usage: halcyra-cli evidence FILE --out DIR [--clock-offset SECONDS [--clock-note TEXT]]\n"
    "                            [--force] [--redact FILE.json]\n\n"
    "Writes the evidence package of a recording into DIR (created; refused when it holds\n"
    "files, unless --force): the recording copied byte for byte, the original clip (.avi),\n"
    "the share copy (.mp4), the report (.pdf), the event frame's recorded JPEG (.jpg) and\n"
    "SHA256SUMS, so that `sha256sum -c SHA256SUMS` in DIR proves the set. The files are named\n"
    "after the capture date and time (20261128-143507-report.pdf ...), or after FILE's name\n"
    "when it has no date. With --force, files of the same names in DIR are replaced, but only\n"
    "once the whole new package is written: until then, and after a failure, the old files\n"
    "stay as they were.\n"
    "--clock-offset says how far the recorder's clock was off (true time = recorded time +\n"
    "SECONDS, e.g. +65 or -3600.5): the time of day is shown corrected and marked 補正;\n"
    "--clock-note gives the reason: the share copy and the report show the corrected times.\n"
    "--redact makes the share copy a redacted one: its regions become a mosaic, the package\n"
    "holds the file as ...-redaction.json and the report lists the regions. The original\n"
    "clip, the event frame's JPEG and the recording stay as recorded.\n"
    "Exit status: 0 written, 1 the recording is refused, DIR holds files or a file cannot be\n"
    "written (nothing the package wrote is left behind), 2 usage error (a malformed redaction\n"
    "file too).\n";

}  // namespace

int runEvidenceCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    if (wantsHelp(args)) {
        out << usage;
        return 0;
    }
    TargetRequest request;
    if (!request.parse(args)) {
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
    PackageOptions options;
    options.redaction = redaction;
    options.report.programVersion = HALCYRA_PROGRAM_VERSION;
    options.replace = request.force;
    options.report.clock = request.clock.clock();
    options.report.userFields = libraryFieldsOf(request.recordingPath);
    ExportResult result;
    {
        ProgressLine progress(err, "evidence");
        result = exportEvidencePackage(recording, request.recordingPath, request.out, options,
                                       progress);
    }
    if (result.status == ExportResult::Status::WrittenWithDamage) {
        // The package is complete; the note says which pictures show damage as in the viewer.
        err << "halcyra-cli: note: " << result.message << "\n";
        return 0;
    }
    return reportExportResult(result, err);
}
