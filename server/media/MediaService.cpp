#include "MediaService.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <semaphore>

#include "ClipExport.h"
#include "EvidencePackage.h"
#include "FileOps.h"
#include "Recording.h"
#include "ReportExport.h"
#include "Sha256.h"
#include "StandInOwner.h"
#include "Thumbnail.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* cacheName = ".halcyra-cache";
constexpr const char* temporaryPrefix = "making-";

// Encodes at once, whoever asks: each takes a core for seconds and its recording's memory.
std::counting_semaphore<1>& encodeSlots() {
    static std::counting_semaphore<1> available(1);
    return available;
}

class EncodeSlot {
public:
    EncodeSlot() { encodeSlots().acquire(); }
    ~EncodeSlot() { encodeSlots().release(); }
    EncodeSlot(const EncodeSlot&) = delete;
    EncodeSlot& operator=(const EncodeSlot&) = delete;
};

// A fresh folder under the cache's temporary folder, removed with everything in it when it goes.
class ScratchFolder {
public:
    ScratchFolder(const std::string& parent, std::string& error) {
        std::error_code code;
        fs::create_directories(fileOps::fsPath(parent), code);
        std::string pattern = parent + "/" + temporaryPrefix + "XXXXXX";
        if (code || (code = fileOps::createTemporaryFolder(pattern))) {
            error = "cannot make a folder in " + parent + ": " + code.message();
            return;
        }
        path = pattern;
    }
    ~ScratchFolder() {
        if (!path.empty()) {
            std::error_code ignored;
            fs::remove_all(fileOps::fsPath(path), ignored);
        }
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    bool made() const { return !path.empty(); }

    std::string path;
};

ClockCorrection clockOf(const IndexedRecording& r) {
    ClockCorrection clock;
    if (r.clockOffset != 0.0) {
        clock.offsetMilliseconds = std::llround(r.clockOffset * 1000.0);
    }
    return clock;
}

bool load(Recording& recording, const std::string& path, std::string& error) {
    if (!recording.load(path)) {
        error = path + ": the recording cannot be read";
        return false;
    }
    return true;
}

std::int64_t nowSeconds() {
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace

MediaService::MediaService(Library library) : library(std::move(library)) {}

std::string MediaService::cacheFolder() const {
    return library.root() + "/" + cacheName;
}

std::optional<std::string> MediaService::thumbnail(const std::string& sha256, const std::string& recordingPath) const {
    constexpr std::size_t thumbnailLimit = std::size_t{1} << 20;
    const std::string kept = cacheFolder() + "/thumbnails/" + sha256 + ".jpg";
    if (fileOps::FileContents known = fileOps::readSmallFile(kept, thumbnailLimit); !known.error) {
        return std::move(known.bytes);
    }
    auto made = thumbnailOf(recordingPath);
    if (made) {
        // Kept when it can be; served all the same when not.
        std::error_code ignored;
        std::filesystem::create_directories(cacheFolder() + "/thumbnails", ignored);
        fileOps::replaceFile(kept, *made, 0640);
    }
    return made;
}

void MediaService::removeLeftovers() const {
    // Another instance on the same folder may be making something right now: only folders
    // where nothing was written for an hour are a stopped server's.
    const auto stale = fs::file_time_type::clock::now() - std::chrono::hours(1);
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(fileOps::fsPath(cacheFolder() + "/tmp"), error)) {
        if (!entry.path().filename().string().starts_with(temporaryPrefix)) {
            continue;
        }
        std::error_code code;
        auto newest = fs::last_write_time(entry.path(), code);
        for (const auto& inside : fs::recursive_directory_iterator(entry.path(), code)) {
            std::error_code timeError;
            newest = std::max(newest, fs::last_write_time(inside.path(), timeError));
        }
        if (!code && newest < stale) {
            std::error_code ignored;
            fs::remove_all(entry.path(), ignored);
        }
    }
}

std::shared_ptr<std::mutex> MediaService::lockFor(const std::string& key) {
    const std::lock_guard guard(locksGuard);
    std::erase_if(locks, [](const auto& item) { return item.second.expired(); });
    auto& slot = locks[key];
    auto lock = slot.lock();
    if (!lock) {
        lock = std::make_shared<std::mutex>();
        slot = lock;
    }
    return lock;
}

std::optional<std::string> MediaService::shareCopy(const IndexedRecording& r, const std::string& recordingPath,
                                                   std::string& error) {
    const ClockCorrection clock = clockOf(r);
    // A new clock offset burns other times in: a copy of its own.
    const std::string name = r.sha256 +
                             (clock.stated() ? "-clock" + std::to_string(*clock.offsetMilliseconds) : "") +
                             "-share.mp4";
    const std::string folder = cacheFolder() + "/share";
    const std::string target = folder + "/" + name;
    std::error_code code;
    if (fs::is_regular_file(fileOps::fsPath(target), code)) {
        return target;
    }
    // One maker a copy in this process; the others wait for it and take its file.
    const auto lock = lockFor(name);
    const std::lock_guard making(*lock);
    if (fs::is_regular_file(fileOps::fsPath(target), code)) {
        return target;
    }
    if (!drawingAvailable()) {
        error = "the share copy needs the program's drawing, which is not running";
        return std::nullopt;
    }
    const EncodeSlot slot;
    const ScratchFolder scratch(cacheFolder() + "/tmp", error);
    if (!scratch.made()) {
        return std::nullopt;
    }
    StandInOwner owner;
    Recording recording;
    recording.setOwner(&owner);
    if (!load(recording, recordingPath, error)) {
        return std::nullopt;
    }
    const std::string made = scratch.path + "/share.mp4";
    const ClipOptions options{ClipKind::ShareMp4, {}, true, false, clock, nullptr};
    ExportProgress progress;
    const ExportResult result = exportClip(recording, made, options, progress);
    if (!result.written()) {
        error = result.message;
        return std::nullopt;
    }
    fs::create_directories(fileOps::fsPath(folder), code);
    if (code) {
        error = "cannot make the folder " + folder + ": " + code.message();
        return std::nullopt;
    }
    if ((code = fileOps::flushToDisk(made)) || (code = fileOps::moveEntry(made, target, true))) {
        error = "cannot put the share copy in place as " + target + ": " + code.message();
        return std::nullopt;
    }
    // Copies made with an earlier clock offset are not asked for again.
    for (const auto& entry : fs::directory_iterator(fileOps::fsPath(folder), code)) {
        const std::string other = entry.path().filename().string();
        if (other != name && other.starts_with(r.sha256) && other.ends_with("-share.mp4")) {
            std::error_code ignored;
            fs::remove(entry.path(), ignored);
        }
    }
    return target;
}

std::string MediaService::packageName(const IndexedRecording& r) {
    const std::string& d = r.captureDate;  // "2026:11:28 14:35:07"
    const bool dated = d.size() >= 19 && std::all_of(d.begin(), d.begin() + 19, [](char c) {
                           return (c >= '0' && c <= '9') || c == ':' || c == ' ';
                       });
    const std::string stem = dated ? d.substr(0, 4) + d.substr(5, 2) + d.substr(8, 2) + "-" + d.substr(11, 2) +
                                         d.substr(14, 2) + d.substr(17, 2)
                                   : r.sha256.substr(0, 16);
    return stem + "-evidence";
}

std::optional<StoredZip> MediaService::package(const IndexedRecording& r, const std::string& recordingPath,
                                               const std::function<std::string()>& custodyCsv,
                                               std::string& error) {
    if (!drawingAvailable()) {
        error = "the package needs the program's drawing, which is not running";
        return std::nullopt;
    }
    const EncodeSlot slot;
    const ScratchFolder scratch(cacheFolder() + "/tmp", error);
    if (!scratch.made()) {
        return std::nullopt;
    }
    StandInOwner owner;
    Recording recording;
    recording.setOwner(&owner);
    if (!load(recording, recordingPath, error)) {
        return std::nullopt;
    }
    const std::string folder = scratch.path + "/package";
    PackageOptions options;
    options.report.programVersion = HALCYRA_PROGRAM_VERSION;
    options.report.programName = "Halcyra (halcyra-server)";
    options.report.clock = clockOf(r);
    options.report.userFields = ReportUserFields{r.vehicle, r.driver, r.note};
    ExportProgress progress;
    const ExportResult result = exportEvidencePackage(recording, recordingPath, folder, options, progress);
    if (!result.written()) {
        error = result.message;
        return std::nullopt;
    }
    const PackageFileNames names = packageFileNames(recording, recordingPath);

    // custody.csv, then its line in SHA256SUMS: `sha256sum -c SHA256SUMS` proves it too.
    const std::string custodyPath = folder + "/custody.csv";
    std::error_code code = fileOps::replaceFile(custodyPath, custodyCsv(), 0644);
    const std::optional<std::string> custodyHash = code ? std::nullopt : Sha256::ofFile(custodyPath, error);
    if (!custodyHash) {
        error = custodyPath + ": cannot be written: " + (code ? code.message() : error);
        return std::nullopt;
    }
    const std::string sumsPath = folder + "/" + names.checksums;
    fileOps::FileContents sums = fileOps::readSmallFile(sumsPath, std::size_t{1} << 20);
    if (sums.error) {
        error = sumsPath + ": cannot be read back: " + sums.error.message();
        return std::nullopt;
    }
    sums.bytes += *custodyHash + "  custody.csv\n";
    if ((code = fileOps::replaceFile(sumsPath, sums.bytes, 0644))) {
        error = sumsPath + ": cannot be written: " + code.message();
        return std::nullopt;
    }

    // The files as SHA256SUMS lists them, then SHA256SUMS, in a folder of the package's name.
    const std::string inside = packageName(r) + "/";
    std::vector<StoredZip::Member> members;
    std::size_t from = 0;
    while (from < sums.bytes.size()) {
        const std::size_t end = sums.bytes.find('\n', from);
        const std::string line = sums.bytes.substr(from, end - from);
        from = end == std::string::npos ? sums.bytes.size() : end + 1;
        if (line.size() > 66) {
            const std::string file = line.substr(66);
            std::string path = folder;
            path.append("/").append(file);
            members.push_back(StoredZip::Member{inside + file, std::move(path), 0, 0, false});
        }
    }
    members.push_back(StoredZip::Member{inside + names.checksums, sumsPath, 0, 0, false});
    return StoredZip::build(std::move(members), nowSeconds(), error);
}
