#include <cstdio>
#include <filesystem>
#include <optional>

#include "ArgumentReader.h"
#include "ClockOptions.h"
#include "Commands.h"
#include "FileOps.h"
#include "FrameImageWriter.h"
#include "GuiSession.h"
#include "LoadFailureText.h"
#include "Recording.h"
#include "RedactionOption.h"
#include "StandInOwner.h"
#include "StillExport.h"
#include "TargetRequest.h"

namespace {

constexpr const char* usage =
    "usage: halcyra-cli export FILE --frame INDEX --out PATH [--overlay\n"
    "                          [--clock-offset SECONDS [--clock-note TEXT]]] [--redact FILE.json]\n"
    "       halcyra-cli export FILE --all --out DIR [--format png|ppm]\n\n"
    "Writes frames as the viewer shows them, at the size of the recording's picture.\n"
    "With --frame, PATH ends in .png, .ppm or .jpg; a .jpg is the frame's recorded JPEG bytes,\n"
    "unchanged (EXIF kept). --overlay burns the time of day and the readout's time into a\n"
    ".png, decoded as in playback; with --clock-offset (true time = recorded time + SECONDS,\n"
    "e.g. +65 or -3600.5) its time of day is corrected and marked 補正. With --all, every\n"
    "frame is written as DIR/frame-0000.png (or .ppm) in index order. --redact FILE.json makes\n"
    "the regions of the redaction file a coarse mosaic in a .png or .ppm of one frame (before\n"
    "the overlay); a .jpg is the recorded original and is never redacted.\n"
    "Exit status: 0 every frame decoded, 3 some did not (their pictures are still written),\n"
    "1 the recording is refused or a file cannot be written, 2 usage error.\n";

struct ExportRequest {
    std::string recordingPath;
    std::optional<std::string> frameText;
    bool all = false;
    std::string out;
    ImageFormat format = ImageFormat::Png;
    // A still of the evidence exports (.jpg, or .png with the overlay) instead of the bitmap.
    bool still = false;
    bool overlay = false;
    ClockOptions clock;
    std::string redactPath;
};

std::optional<ImageFormat> formatFromPath(const std::string& path) {
    if (path.ends_with(".png")) {
        return ImageFormat::Png;
    }
    if (path.ends_with(".ppm")) {
        return ImageFormat::Ppm;
    }
    return std::nullopt;
}

// Fills `request`, or returns false for a usage error.
bool parseRequest(std::span<const std::string> args, ExportRequest& request) {
    bool formatGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        const bool hasValue = i + 1 < args.size();
        const ClockOptions::Read clockRead = request.clock.read(args, i);
        if (clockRead != ClockOptions::Read::NotMine) {
            if (clockRead == ClockOptions::Read::Malformed) {
                return false;
            }
        } else if (word == "--frame" && hasValue && !request.frameText) {
            request.frameText = args[++i];
        } else if (word == "--out" && hasValue && request.out.empty()) {
            request.out = args[++i];
        } else if (word == "--overlay" && !request.overlay) {
            request.overlay = true;
        } else if (word == "--redact" && hasValue && request.redactPath.empty() &&
                   !args[i + 1].empty()) {
            request.redactPath = args[++i];
        } else if (word == "--all" && !request.all) {
            request.all = true;
        } else if (word == "--format" && hasValue && !formatGiven) {
            formatGiven = true;
            const std::string& name = args[++i];
            if (name == "png") {
                request.format = ImageFormat::Png;
            } else if (name == "ppm") {
                request.format = ImageFormat::Ppm;
            } else {
                return false;
            }
        } else if (!word.starts_with("--") && request.recordingPath.empty() && !word.empty()) {
            request.recordingPath = word;
        } else {
            return false;
        }
    }
    if (request.recordingPath.empty() || request.out.empty() ||
        request.all == request.frameText.has_value() || !request.clock.complete() ||
        (request.clock.given() && !request.overlay)) {
        return false;
    }
    if (request.all) {
        return !request.overlay && request.redactPath.empty();
    }
    if (formatGiven) {
        return false;
    }
    const std::optional<StillFormat> still = stillFormatForPath(request.out);
    if (!request.redactPath.empty()) {
        // A redacted picture is a still of the evidence exports, which refuse a .jpg with a reason.
        request.still = true;
        return still.has_value() && (!request.overlay || still != StillFormat::Ppm);
    }
    if (still == StillFormat::Jpeg || request.overlay) {
        request.still = true;
        return still == StillFormat::Jpeg ? !request.overlay : still == StillFormat::Png;
    }
    const std::optional<ImageFormat> format = formatFromPath(request.out);
    if (!format) {
        return false;
    }
    request.format = *format;
    return true;
}

bool decodeForExport(Recording& recording, std::uint32_t index) {
    try {
        return recording.decodeFrame(index, false);
    } catch (int) {
        return false;
    }
}

std::string numberedPath(const std::string& folder, std::uint32_t index, ImageFormat format) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%04u.%s", index,
                  format == ImageFormat::Png ? "png" : "ppm");
    return fileOps::utf8Path(fileOps::fsPath(folder) / name);
}

// .jpg: the recorded bytes; .png with the overlay: the picture as in playback, times burned in.
int writeStill(const Recording& recording, std::uint32_t index, const ExportRequest& request,
               std::ostream& err) {
    if (!request.redactPath.empty() && stillFormatForPath(request.out) == StillFormat::Jpeg) {
        err << "halcyra-cli: " << request.out
            << ": a .jpg is the frame's recorded original and is never redacted; --redact needs "
               "a .png or .ppm\n";
        return 2;
    }
    std::shared_ptr<const RedactionPlan> redaction;
    if (!loadRedactionOption(request.redactPath, recording, redaction, err)) {
        return 2;
    }
    std::optional<GuiSession> gui;
    if (request.overlay) {
        gui.emplace();
    }
    StillOptions options;
    options.overlay = request.overlay;
    options.clock = request.clock.clock();
    options.redaction = redaction;
    options.replace = true;  // as for the export's other pictures: the named file is written
    ExportProgress progress;
    return reportExportResult(exportStill(recording, index, request.out, options, progress), err);
}

}  // namespace

int runExportCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    if (wantsHelp(args)) {
        out << usage;
        return 0;
    }
    ExportRequest request;
    if (!parseRequest(args, request)) {
        err << usage;
        return 2;
    }

    StandInOwner owner;
    Recording recording;
    recording.setOwner(&owner);
    if (!recording.load(request.recordingPath)) {
        err << "halcyra-cli: " << request.recordingPath << ": "
            << loadFailureText(recording.lastLoadFailure()) << "\n";
        return 1;
    }
    const auto lastIndex = static_cast<std::uint32_t>(recording.frameCount() - 1);

    std::uint32_t first = 0;
    std::uint32_t last = lastIndex;
    if (!request.all) {
        const std::optional<std::uint32_t> index = parseIndex(*request.frameText, lastIndex);
        if (!index) {
            err << "halcyra-cli: --frame takes an index from 0 to " << lastIndex << "\n";
            return 2;
        }
        first = last = *index;
        if (request.still) {
            return writeStill(recording, *index, request, err);
        }
    } else {
        std::error_code error;
        std::filesystem::create_directories(fileOps::fsPath(request.out), error);
        if (!std::filesystem::is_directory(fileOps::fsPath(request.out), error)) {
            err << "halcyra-cli: " << request.out << ": cannot create the folder\n";
            return 1;
        }
    }

    bool allDecoded = true;
    for (std::uint32_t i = first; i <= last; ++i) {
        allDecoded = decodeForExport(recording, i) && allDecoded;
        // The viewer paints the bitmap the current frame was decoded into.
        const FrameBitmap& picture = recording.bitmapAt(1);
        if (!picture.isCreated()) {
            err << "halcyra-cli: no frame of the recording could be decoded, nothing to write\n";
            return 3;
        }
        const std::string path =
            request.all ? numberedPath(request.out, i, request.format) : request.out;
        if (!writeFrameImage(picture, path, request.format)) {
            err << "halcyra-cli: " << path << ": cannot be written\n";
            return 1;
        }
    }
    if (!allDecoded) {
        err << "halcyra-cli: some frames did not decode to completion; they were written as "
               "the viewer shows them\n";
        return 3;
    }
    return 0;
}
