#include "EvidencePackage.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <vector>

#include "ClipExport.h"
#include "EventFrames.h"
#include "FileDigest.h"
#include "FileOps.h"
#include "PackageFolder.h"
#include "Recording.h"
#include "RedactionFile.h"
#include "StageProgress.h"
#include "StepRecord.h"
#include "StillExport.h"
#include "TargetWriting.h"
#include "TimeOfDay.h"

namespace fs = std::filesystem;

namespace {

using Status = ExportResult::Status;

// "YYYY:MM:DD HH:MM:SS" as "YYYYMMDD-HHMMSS"; nothing unless it is a valid date and time.
std::optional<std::string> datePrefix(const std::string& captureDate) {
    if (!frameTimeOfDay(captureDate, 0, 0)) {
        return std::nullopt;
    }
    const std::string& d = captureDate;
    return d.substr(0, 4) + d.substr(5, 2) + d.substr(8, 2) + "-" + d.substr(11, 2) +
           d.substr(14, 2) + d.substr(17, 2);
}

bool holdsAnything(const fs::path& folder) {
    std::error_code code;
    return fs::is_directory(folder, code) && !fs::is_empty(folder, code);
}

std::string checksumLines(const PackageFolder& package, std::string& error) {
    std::string lines;
    for (const std::string& name : package.written()) {
        const std::optional<std::string> digest = fileSha256(package.stagedPathOf(name), error);
        if (!digest) {
            std::string message = package.stagedPathOf(name);
            message.append(": cannot be read back: ").append(error);
            error = std::move(message);
            return {};
        }
        lines.append(*digest).append("  ").append(name).append("\n");
    }
    return lines;
}

}  // namespace

PackageFileNames packageFileNames(const Recording& recording, const std::string& recordingPath) {
    const fs::path path = fileOps::fsPath(recordingPath);
    const std::string prefix =
        datePrefix(recording.getCaptureDate()).value_or(fileOps::utf8Path(path.stem()));
    PackageFileNames names;
    names.recording = fileOps::utf8Path(path.filename());
    names.originalClip = prefix + "-original.avi";
    names.shareClip = prefix + "-share.mp4";
    names.report = prefix + "-report.pdf";
    names.eventStill = prefix + "-event.jpg";
    names.redaction = prefix + "-redaction.json";
    return names;
}

ExportResult exportEvidencePackage(const Recording& recording, const std::string& recordingPath,
                                   const std::string& folder, const PackageOptions& options,
                                   ExportProgress& progress) {
    const std::optional<EventFrames> frames = findEventFrames(recording);
    if (!frames) {
        return ExportResult::failure(Status::Refused,
                                     recordingPath + ": the recording holds no frame");
    }
    if (!drawingAvailable()) {
        return ExportResult::failure(
            Status::Failed, folder + ": the package needs the program's drawing, which is not running");
    }
    const PackageFileNames names = packageFileNames(recording, recordingPath);
    if (names.recording == names.checksums) {
        return ExportResult::failure(Status::Refused,
                                     recordingPath + ": a recording named " + names.checksums +
                                         " cannot go into a package beside its checksums");
    }
    std::error_code code;
    if (fs::exists(fileOps::fsPath(folder), code) && !fs::is_directory(fileOps::fsPath(folder), code)) {
        return ExportResult::failure(Status::Refused, folder + ": is a file, not a folder");
    }
    // What a run that stopped there left is cleared first; it is nothing of the user's.
    if (std::string error; fs::is_directory(fileOps::fsPath(folder), code) &&
                           !PackageFolder::clearLeftovers(fileOps::fsPath(folder), error)) {
        return ExportResult::failure(Status::Failed, error);
    }
    if (!options.replace && holdsAnything(fileOps::fsPath(folder))) {
        return ExportResult::failure(Status::Refused, folder + ": holds files already");
    }
    if (fs::equivalent(fileOps::fsPath(recordingPath),
                      fileOps::fsPath(folder) / fileOps::fsPath(names.recording), code)) {
        return ExportResult::failure(Status::Refused,
                                     folder + ": holds the recording itself; choose another folder");
    }

    PackageFolder package{fileOps::fsPath(folder)};
    std::string error;
    if (!package.create(error)) {
        return ExportResult::failure(Status::Failed, error);
    }

    // Shares of the whole progress, by the time each file takes on the sample.
    struct Stage {
        std::uint64_t weight;
        std::function<ExportResult(ExportProgress&)> write;
        const std::string* name;
        // What the report's record of the steps says of the file; the report itself has none.
        const char* what;
        std::string how;
    };
    const std::string copied = package.stagedPathOf(names.recording);
    // Every file goes into the fresh staging folder; only the final step meets the old ones.
    const bool replace = false;
    ReportOptions report = options.report;
    report.replace = replace;
    report.redaction = options.redaction;
    const ClipOptions original{ClipKind::OriginalAvi, {}, true, replace, {}, nullptr};
    const ClipOptions share{ClipKind::ShareMp4, {}, true, replace, report.clock, options.redaction};
    // The report comes last so that its record of the steps holds the others' hashes.
    std::vector<Stage> stages{
        {2,
         [&](ExportProgress& p) { return copyToTarget(recordingPath, copied, replace, p); },
         &names.recording, "録画のコピー", "受け取った録画をバイト単位でそのまま複製"},
        {4,
         [&](ExportProgress& p) {
             return exportClip(recording, package.stagedPathOf(names.originalClip), original, p);
         },
         &names.originalClip, "原本の動画", clipMethod(original)},
        {76,
         [&](ExportProgress& p) {
             return exportClip(recording, package.stagedPathOf(names.shareClip), share, p);
         },
         &names.shareClip, "共有用の動画", clipMethod(share)},
        {1,
         [&](ExportProgress& p) {
             return exportStill(recording, frames->event.index,
                                package.stagedPathOf(names.eventStill), {false, replace, {}, nullptr}, p);
         },
         &names.eventStill, "イベント位置の静止画", "記録されたJPEGをそのまま"},
        // Made from the copy: the hash it prints is that of the file beside it.
        {15,
         [&](ExportProgress& p) {
             return exportReport(recording, copied, package.stagedPathOf(names.report), report, p);
         },
         &names.report, nullptr, {}},
    };
    if (options.redaction) {
        // Beside the redacted share copy, the regions it was made with.
        stages.insert(stages.begin() + 3,
                      {1,
                       [&](ExportProgress& p) {
                           ExportResult written = writeRedactionFile(
                               *options.redaction, package.stagedPathOf(names.redaction), replace);
                           p.advance(1, 1);
                           return written;
                       },
                       &names.redaction, "墨消しの領域", "共有用の動画に用いた墨消しの領域（JSON）"});
    }
    constexpr std::uint64_t unitsPerWeight = 1000;
    constexpr std::uint64_t checksumWeight = 2;
    std::uint64_t totalWeight = checksumWeight;
    for (const Stage& stage : stages) {
        totalWeight += stage.weight;
    }
    const std::uint64_t total = totalWeight * unitsPerWeight;

    ExportResult outcome = ExportResult::ok();
    std::uint64_t start = 0;
    for (const Stage& stage : stages) {
        if (progress.isCancelled()) {
            return ExportResult::failure(Status::Cancelled, folder + ": cancelled, nothing was left");
        }
        StageProgress stageProgress(progress, start, stage.weight * unitsPerWeight, total);
        ExportResult result = stage.write(stageProgress);
        if (!result.written()) {
            if (result.status == Status::Cancelled || progress.isCancelled()) {
                return ExportResult::failure(Status::Cancelled,
                                             folder + ": cancelled, nothing was left");
            }
            return result;
        }
        package.wrote(*stage.name);
        if (stage.what != nullptr) {
            std::optional<ReportRecordEntry> entry = writtenFileEntry(
                package.stagedPathOf(*stage.name), *stage.name, stage.what, stage.how, error);
            if (!entry) {
                return ExportResult::failure(Status::Failed, error);
            }
            report.outputs.push_back(std::move(*entry));
        }
        if (result.status == Status::WrittenWithDamage) {
            outcome = result;
        }
        start += stage.weight * unitsPerWeight;
        progress.advance(start, total);
    }
    if (progress.isCancelled()) {
        return ExportResult::failure(Status::Cancelled, folder + ": cancelled, nothing was left");
    }
    const std::string lines = checksumLines(package, error);
    if (lines.empty()) {
        return ExportResult::failure(Status::Failed, error);
    }
    ExportResult sums = writeTargetBytes(package.stagedPathOf(names.checksums),
                                         std::span<const char>(lines.data(), lines.size()), replace);
    if (!sums.written()) {
        return sums;
    }
    package.wrote(names.checksums);
    if (progress.isCancelled()) {
        return ExportResult::failure(Status::Cancelled, folder + ": cancelled, nothing was left");
    }
    if (!package.place(options.replace, error)) {
        return ExportResult::failure(Status::Failed, error + "; the folder was left as it was");
    }
    progress.advance(total, total);
    return outcome;
}
