
#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>


#include "ArgumentReader.h"
#include "ClipExport.h"
#include "ClockOptions.h"
#include "Commands.h"
#include "GuiSession.h"
#include "TargetRequest.h"
#include "ProgressLine.h"
#include "Recording.h"
#include "RedactionOption.h"
#include "StandInOwner.h"

namespace {

constexpr const char* usage =
    "usage: halcyra-cli video FILE --out PATH [--from SECONDS] [--to SECONDS] [--no-overlay]\n"
    "                         [--clock-offset SECONDS [--clock-note TEXT]] [--force]\n"
    "                         [--redact FILE.json]\n\n"
    "Writes a clip of the recording. PATH ending in .avi or .mkv: the original, every frame's\n"
    "recorded JPEG bytes unchanged. PATH ending in .mp4: a share copy (H.264) with the time of\n"
    "day and the readout's time burned in at the bottom, unless --no-overlay. Frames keep their\n"
    "recorded timing. --from and --to limit the clip to a span of the readout's time axis\n"
    "(both ends included, e.g. --from -5 --to 3). An existing PATH is replaced only with --force.\n"
    "--clock-offset says how far the recorder's clock was off (true time = recorded time +\n"
    "SECONDS, e.g. +65 or -3600.5): the time of day is shown corrected and marked 補正;\n"
    "--clock-note gives the reason (share copy with the overlay only).\n"
    "--redact FILE.json makes the regions of the redaction file a coarse mosaic in a share copy\n"
    "(drawn before the times); an original is never redacted.\n"
    "Exit status: 0 written, 3 written but some frames did not decode completely (they show as\n"
    "in the viewer), 1 the recording is refused or PATH exists or cannot be written (nothing is\n"
    "left behind), 2 usage error (unknown extension, a span with no frame, a malformed number,\n"
    "--redact with an original, a malformed redaction file).\n";

struct VideoRequest {
    std::string recordingPath;
    std::string out;
    ReadoutSpan span;
    bool overlay = true;
    bool force = false;
    ClockOptions clock;
    std::string redactPath;
};

std::optional<double> parseSeconds(const std::string& text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

bool parseRequest(std::span<const std::string> args, VideoRequest& request) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        const bool hasValue = i + 1 < args.size();
        const ClockOptions::Read clockRead = request.clock.read(args, i);
        if (clockRead != ClockOptions::Read::NotMine) {
            if (clockRead == ClockOptions::Read::Malformed) {
                return false;
            }
        } else if (word == "--out" && hasValue && request.out.empty()) {
            request.out = args[++i];
        } else if (word == "--from" && hasValue && !request.span.fromSeconds) {
            request.span.fromSeconds = parseSeconds(args[++i]);
            if (!request.span.fromSeconds) {
                return false;
            }
        } else if (word == "--to" && hasValue && !request.span.toSeconds) {
            request.span.toSeconds = parseSeconds(args[++i]);
            if (!request.span.toSeconds) {
                return false;
            }
        } else if (word == "--no-overlay" && request.overlay) {
            request.overlay = false;
        } else if (word == "--redact" && hasValue && request.redactPath.empty() &&
                   !args[i + 1].empty()) {
            request.redactPath = args[++i];
        } else if (word == "--force" && !request.force) {
            request.force = true;
        } else if (!word.starts_with("--") && request.recordingPath.empty() && !word.empty()) {
            request.recordingPath = word;
        } else {
            return false;
        }
    }
    return !request.recordingPath.empty() && !request.out.empty() && request.clock.complete();
}

}  // namespace

int runVideoCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    if (wantsHelp(args)) {
        out << usage;
        return 0;
    }
    VideoRequest request;
    if (!parseRequest(args, request)) {
        err << usage;
        return 2;
    }
    const std::optional<ClipKind> kind = clipKindForPath(request.out);
    if (!kind) {
        err << "halcyra-cli: " << request.out
            << ": the clip's name must end in .avi, .mkv or .mp4\n";
        return 2;
    }
    if (!request.redactPath.empty() && *kind != ClipKind::ShareMp4) {
        err << "halcyra-cli: " << request.out
            << ": an original clip (.avi, .mkv) is never redacted; --redact needs a .mp4\n";
        return 2;
    }

    if (request.clock.given() && (*kind != ClipKind::ShareMp4 || !request.overlay)) {
        err << "halcyra-cli: --clock-offset and --clock-note correct the share copy's burned-in "
               "time of day; an original clip or one without the overlay shows none\n";
        return 2;
    }

    StandInOwner owner;
    Recording recording;
    recording.setOwner(&owner);
    if (!loadRecordingForExport(recording, request.recordingPath, err)) {
        return 1;
    }
    if (!framesInSpan(recording, request.span)) {
        err << "halcyra-cli: no frame of " << request.recordingPath << " lies in the span\n";
        return 2;
    }

    std::shared_ptr<const RedactionPlan> redaction;
    if (!loadRedactionOption(request.redactPath, recording, redaction, err)) {
        return 2;
    }

    ClipOptions options;
    options.redaction = redaction;
    options.kind = *kind;
    options.span = request.span;
    options.overlay = request.overlay;
    options.replace = request.force;
    options.clock = request.clock.clock();
    // Only the share copy's burned-in times draw text.
    std::optional<GuiSession> gui;
    if (*kind == ClipKind::ShareMp4 && options.overlay) {
        gui.emplace();
    }
    ExportResult result;
    {
        ProgressLine progress(err, "video");
        result = exportClip(recording, request.out, options, progress);
    }
    return reportExportResult(result, err);
}
