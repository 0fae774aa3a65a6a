#include "EvidencePackage.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <vector>

#include "ClipExport.h"
#include "EventFrames.h"
#include "FileDigest.h"
#include "Recording.h"
#include "RedactionFile.h"
#include "StageProgress.h"
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

// What the package wrote so far, taken back unless it is kept.
class PackageFolder {
public:
    explicit PackageFolder(fs::path folder) : folder(std::move(folder)) {}
    ~PackageFolder() {
        if (!kept) {
            takeBack();
        }
    }
    PackageFolder(const PackageFolder&) = delete;
    PackageFolder& operator=(const PackageFolder&) = delete;

    // Creates the folder and any missing folders above it, remembering which it made.
    bool create(std::string& error) {
        std::vector<fs::path> missing;
        std::error_code code;
        for (fs::path at = folder; !at.empty() && !fs::exists(at, code); at = at.parent_path()) {
            missing.push_back(at);
            if (at == at.parent_path()) {
                break;
            }
        }
        // Outermost first.
        std::reverse(missing.begin(), missing.end());
        for (const fs::path& missingFolder : missing) {
            if (!fs::create_directory(missingFolder, code) && !fs::is_directory(missingFolder)) {
                error = missingFolder.string() + ": cannot create the folder: " + code.message();
                return false;
            }
            made.push_back(missingFolder);
        }
        if (!fs::is_directory(folder, code)) {
            error = folder.string() + ": is not a folder";
            return false;
        }
        return true;
    }

    std::string pathOf(const std::string& name) const { return (folder / name).string(); }
    void wrote(const std::string& name) { files.push_back(name); }
    const std::vector<std::string>& written() const { return files; }
    void keep() { kept = true; }

private:
    void takeBack() {
        std::error_code code;
        for (const std::string& name : files) {
            fs::remove(folder / name, code);
        }
        // Innermost first; remove() only takes a folder that is empty again.
        for (std::size_t i = made.size(); i-- > 0;) {
            fs::remove(made[i], code);
        }
    }

    fs::path folder;
    std::vector<fs::path> made;
    std::vector<std::string> files;
    bool kept = false;
};

bool holdsAnything(const fs::path& folder) {
    std::error_code code;
    return fs::is_directory(folder, code) && !fs::is_empty(folder, code);
}

std::string checksumLines(const PackageFolder& package, std::string& error) {
    std::string lines;
    for (const std::string& name : package.written()) {
        const std::optional<std::string> digest = fileSha256(package.pathOf(name), error);
        if (!digest) {
            std::string message = package.pathOf(name);
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
    const fs::path path(recordingPath);
    const std::string prefix =
        datePrefix(recording.getCaptureDate()).value_or(path.stem().string());
    PackageFileNames names;
    names.recording = path.filename().string();
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
    if (fs::exists(folder, code) && !fs::is_directory(folder, code)) {
        return ExportResult::failure(Status::Refused, folder + ": is a file, not a folder");
    }
    if (!options.replace && holdsAnything(folder)) {
        return ExportResult::failure(Status::Refused, folder + ": holds files already");
    }
    if (fs::equivalent(recordingPath, fs::path(folder) / names.recording, code)) {
        return ExportResult::failure(Status::Refused,
                                     folder + ": holds the recording itself; choose another folder");
    }

    PackageFolder package{fs::path(folder)};
    std::string error;
    if (!package.create(error)) {
        return ExportResult::failure(Status::Failed, error);
    }

    // Shares of the whole progress, by the time each file takes on the sample.
    struct Stage {
        std::uint64_t weight;
        std::function<ExportResult(ExportProgress&)> write;
        const std::string* name;
    };
    const std::string copied = package.pathOf(names.recording);
    const bool replace = options.replace;
    ReportOptions report = options.report;
    report.replace = replace;
    report.redaction = options.redaction;
    std::vector<Stage> stages{
        {2,
         [&](ExportProgress& p) { return copyToTarget(recordingPath, copied, replace, p); },
         &names.recording},
        {4,
         [&](ExportProgress& p) {
             const ClipOptions clip{ClipKind::OriginalAvi, {}, true, replace, nullptr};
             return exportClip(recording, package.pathOf(names.originalClip), clip, p);
         },
         &names.originalClip},
        {76,
         [&](ExportProgress& p) {
             const ClipOptions clip{ClipKind::ShareMp4, {}, true, replace, options.redaction};
             return exportClip(recording, package.pathOf(names.shareClip), clip, p);
         },
         &names.shareClip},
        // The report is made from the copy: the hash it prints is that of the file beside it.
        {15,
         [&](ExportProgress& p) {
             return exportReport(recording, copied, package.pathOf(names.report), report, p);
         },
         &names.report},
        {1,
         [&](ExportProgress& p) {
             return exportStill(recording, frames->event.index,
                                package.pathOf(names.eventStill), {false, replace, nullptr}, p);
         },
         &names.eventStill},
    };
    if (options.redaction) {
        // Beside the redacted share copy, the regions it was made with.
        stages.insert(stages.begin() + 3,
                      {1,
                       [&](ExportProgress& p) {
                           ExportResult written = writeRedactionFile(
                               *options.redaction, package.pathOf(names.redaction), replace);
                           p.advance(1, 1);
                           return written;
                       },
                       &names.redaction});
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
    ExportResult sums = writeTargetBytes(package.pathOf(names.checksums),
                                         std::span<const char>(lines.data(), lines.size()), replace);
    if (!sums.written()) {
        return sums;
    }
    package.keep();
    progress.advance(total, total);
    return outcome;
}
