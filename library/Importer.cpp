#include "Importer.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include "Descriptor.h"
#include "FileOps.h"
#include "FrameTimeText.h"
#include "PathText.h"
#include "RecordStream.h"
#include "Sha256.h"
#include "Sidecar.h"

namespace {

constexpr std::size_t pieceSize = std::size_t{1} << 20;
// Room kept for recording.json and the folder itself when checking free space.
constexpr std::uint64_t sidecarRoom = std::uint64_t{64} * 1024;
// A library disk with less than this left after a copy is nearly full.
constexpr std::uint64_t nearlyFullBytes = std::uint64_t{2} << 30;

std::string systemText(int error) {
    return std::strerror(error != 0 ? error : EIO);
}

constexpr std::string_view stagingPrefix = ".import-";
// An import writes into its staging folder every moment it copies: one with nothing written
// for this long is a stopped import's.
constexpr auto staleStaging = std::chrono::hours(1);

// The import's temporary folder in the library, removed with what it holds unless kept.
class StagingFolder {
public:
    explicit StagingFolder(const std::string& root) {
        std::string pattern = root + "/" + std::string(stagingPrefix) + "XXXXXX";
        if (const std::error_code made = fileOps::createTemporaryFolder(pattern)) {
            error_ = made.value();
        } else {
            path_ = pattern;
        }
    }
    ~StagingFolder() {
        if (!path_.empty()) {
            QDir(pathText::toQt(path_)).removeRecursively();
        }
    }
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    bool made() const { return !path_.empty(); }
    int error() const { return error_; }
    const std::string& path() const { return path_; }
    // It now has another name and is the library's.
    void release() { path_.clear(); }

private:
    std::string path_;
    int error_ = 0;
};

// Removes what imports killed or cut off by a crash or a lost disk left at the library's root:
// staging folders in which nothing was written for an hour. A running import, here or on
// another PC sharing the library, keeps writing into its own. The hour is counted on the
// library disk's clock, from the time it gave `ours`, just made: a PC whose own clock is ahead
// never takes another's running import for a stopped one.
void removeStoppedImports(const std::string& root, const std::string& ours) {
    namespace fs = std::filesystem;
    std::error_code error;
    const auto now = fs::last_write_time(fileOps::fsPath(ours), error);
    if (error) {
        return;
    }
    for (const auto& entry : fs::directory_iterator(fileOps::fsPath(root), error)) {
        const std::string name = fileOps::utf8Path(entry.path().filename());
        std::error_code code;
        if (!name.starts_with(stagingPrefix) || !entry.is_directory(code) || entry.path() == fileOps::fsPath(ours)) {
            continue;
        }
        auto newest = fs::last_write_time(entry.path(), code);
        for (const auto& inside : fs::directory_iterator(entry.path(), code)) {
            std::error_code timeError;
            newest = std::max(newest, fs::last_write_time(inside.path(), timeError));
        }
        if (!code && now - newest > staleStaging) {
            std::error_code ignored;
            fs::remove_all(entry.path(), ignored);
        }
    }
}

bool isDigits(const std::string& text, std::size_t from, std::size_t count) {
    for (std::size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
    }
    return true;
}

// "2026:11:28 14:35:07" as "2026-11-28_143507"; "" when the date is not of that form.
std::string folderDate(const std::string& captureDate) {
    const std::string& d = captureDate;
    if (d.size() < 19 || !isDigits(d, 0, 4) || d[4] != ':' || !isDigits(d, 5, 2) || d[7] != ':' ||
        !isDigits(d, 8, 2) || d[10] != ' ' || !isDigits(d, 11, 2) || d[13] != ':' ||
        !isDigits(d, 14, 2) || d[16] != ':' || !isDigits(d, 17, 2)) {
        return "";
    }
    return d.substr(0, 4) + "-" + d.substr(5, 2) + "-" + d.substr(8, 2) + "_" + d.substr(11, 2) +
           d.substr(14, 2) + d.substr(17, 2);
}

// A recording named like our own files is kept under a name the listing does not pass over;
// recording.json keeps the original name.
std::string storedName(const std::string& original) {
    if (original.starts_with('.') || original.starts_with(sidecar::fileName)) {
        return "_" + original;
    }
    return original;
}

// Whether `in` starts with a record's header. When not, `result` says why: Failed when it cannot
// be read, Skipped when it is no recording.
bool startsRecording(const Descriptor& in, ImportResult& result) {
    std::uint8_t header[RecordStream::headerSize];
    const std::int64_t got = in.valid() ? in.readAt(0, header, sizeof header) : -1;
    if (got < 0) {
        result.status = ImportResult::Status::Failed;
        result.reason = "cannot be read: " + systemText(errno);
        return false;
    }
    const std::span headerBytes(header, static_cast<std::size_t>(got));
    if (!RecordStream::startsRecord(headerBytes)) {
        result.status = ImportResult::Status::Skipped;
        result.reason = RecordStream::whyNotRecord(headerBytes);
        return false;
    }
    return true;
}

// Hashes `path` as it is on the disk (its cached pages dropped first), feeding `records` when
// given. Nothing and `error` filled when it cannot be read.
std::optional<std::string> readBack(const std::string& path, RecordStream* records, std::string& error) {
    const Descriptor in = Descriptor::openForReading(path);
    if (!in.valid()) {
        error = systemText(errno);
        return std::nullopt;
    }
    in.dropCache();
    Sha256 hash;
    std::vector<std::uint8_t> buffer(pieceSize);
    std::uint64_t done = 0;
    for (;;) {
        const std::int64_t got = in.readSome(buffer.data(), buffer.size());
        if (got < 0) {
            error = "at byte " + std::to_string(done) + ": " + systemText(errno);
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        const std::span piece(buffer.data(), static_cast<std::size_t>(got));
        hash.update(piece);
        if (records != nullptr) {
            records->feed(piece);
        }
        done += piece.size();
    }
    if (records != nullptr) {
        records->finish();
    }
    return hash.finalHex();
}

// The library's facts of a recording read through `records`; source and volume left to fill.
LibraryEntry describe(const RecordStream& records, const std::string& originalName, const std::string& sha256,
                      std::uint64_t size) {
    LibraryEntry entry;
    entry.fileName = originalName;
    entry.sha256 = sha256;
    entry.size = size;
    entry.importedAt = pathText::fromQt(QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    entry.captureDate = records.captureDate();
    entry.frames = records.frames();
    if (records.frames() > 0) {
        entry.firstTime = frameTimeText(records.firstNumber());
        entry.lastTime = frameTimeText(records.lastNumber());
    }
    entry.complete = records.complete();
    return entry;
}

// Writes `entry`'s recording.json beside the recording in `staging` (`storedFile` names it) and
// renames the folder into place under a name never replaced: Present when another import got
// there first with the same recording.
ImportResult place(const std::string& root, StagingFolder& staging, const LibraryEntry& entry,
                   const std::string& storedFile) {
    ImportResult result;
    result.status = ImportResult::Status::Failed;
    std::string sidecarError;
    if (!sidecar::write(staging.path(), entry, sidecarError)) {
        result.reason = sidecarError;
        return result;
    }
    const std::string& sha256 = entry.sha256;
    std::string date = folderDate(entry.captureDate);
    if (date.empty()) {
        date = pathText::fromQt(QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd_HHmmss")));
    }
    // Eight hex digits name the folder; a different recording of the same second and the same
    // eight takes more of its hash.
    for (std::size_t digits = 8; digits <= sha256.size(); digits += 8) {
        std::string folder = root;
        folder.append("/").append(date).append("_").append(sha256, 0, digits);
        const std::error_code moved = fileOps::moveEntry(staging.path(), folder, false);
        if (!moved) {
            staging.release();
            fileOps::flushToDisk(root);
            result.status = ImportResult::Status::Imported;
            result.path = folder.append("/").append(storedFile);
            result.sha256 = sha256;
            result.complete = entry.complete;
            return result;
        }
        if (moved != std::errc::file_exists && moved != std::errc::directory_not_empty) {
            result.reason = "cannot rename the copy into place in " + root + ": " + moved.message();
            return result;
        }
        // Another import (perhaps on another PC) got there first with the same file.
        if (const auto there = Library::readFolder(folder); there && there->sha256 == sha256) {
            result.status = ImportResult::Status::Present;
            result.path = there->path;
            result.sha256 = sha256;
            result.complete = there->complete;
            return result;
        }
    }
    result.reason = "no free folder name in " + root + " for " + date;
    return result;
}

}  // namespace

const char* statusText(ImportResult::Status status) {
    switch (status) {
        case ImportResult::Status::Imported: return "imported";
        case ImportResult::Status::Present: return "present";
        case ImportResult::Status::Skipped: return "skipped";
        case ImportResult::Status::Failed: return "failed";
        case ImportResult::Status::Cancelled: return "cancelled";
    }
    return "failed";
}

Importer::Importer(Library library) : library(std::move(library)) {}

std::vector<std::string> Importer::filesIn(const std::vector<std::string>& sources) const {
    namespace fs = std::filesystem;
    std::error_code ignored;
    const fs::path libraryRoot = fs::weakly_canonical(fileOps::fsPath(library.root()), ignored);
    std::vector<std::string> files;
    for (const std::string& source : sources) {
        std::error_code error;
        const fs::path sourcePath = fileOps::fsPath(source);
        if (!fs::is_directory(sourcePath, error)) {
            if (fs::exists(sourcePath, error)) {
                files.push_back(source);
            }
            continue;
        }
        std::vector<std::string> found;
        fs::recursive_directory_iterator it(sourcePath, fs::directory_options::skip_permission_denied,
                                            error);
        for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
            const fs::directory_entry& entry = *it;
            std::error_code kind;
            if (entry.is_directory(kind)) {
                const bool inLibrary = fs::weakly_canonical(entry.path(), kind) == libraryRoot;
                if (entry.is_symlink(kind) || inLibrary || it.depth() + 1 >= searchDepth) {
                    it.disable_recursion_pending();
                }
                continue;
            }
            if (entry.is_regular_file(kind)) {
                found.push_back(fileOps::utf8Path(entry.path()));
            }
        }
        std::sort(found.begin(), found.end());
        files.insert(files.end(), found.begin(), found.end());
    }
    return files;
}

std::vector<ImportResult> Importer::importSources(const std::vector<std::string>& sources) {
    const std::vector<std::string> files = filesIn(sources);
    doneBytes = 0;
    totalBytes = 0;
    for (const std::string& file : files) {
        // Each recording is read twice over: the copy and its check.
        std::error_code error;
        const auto size = std::filesystem::file_size(fileOps::fsPath(file), error);
        totalBytes += error ? 0 : 2 * size;
    }
    std::vector<ImportResult> results;
    results.reserve(files.size());
    for (const std::string& file : files) {
        ImportResult result;
        if (cancelled()) {
            result.source = file;
            result.status = ImportResult::Status::Cancelled;
            result.reason = "not imported: the import was cancelled";
        } else {
            result = importFile(file);
        }
        if (onResult) {
            onResult(result);
        }
        results.push_back(std::move(result));
    }
    return results;
}

void Importer::advance(std::uint64_t bytes) {
    doneBytes += bytes;
    if (progress) {
        progress(std::min(doneBytes, totalBytes), totalBytes);
    }
}

ImportResult Importer::importFile(const std::string& source) {
    ImportResult result;
    result.source = source;
    result.status = ImportResult::Status::Failed;

    const Descriptor file = Descriptor::openForReading(source);
    Descriptor::Facts facts;
    if (!file.valid() || !file.facts(facts)) {
        result.reason = "cannot be opened: " + systemText(errno);
        return result;
    }
    if (!facts.regular) {
        result.status = ImportResult::Status::Skipped;
        result.reason = "not a recording: not a regular file";
        return result;
    }
    const std::uint64_t size = facts.size;
    const std::uint64_t start = doneBytes;
    const auto settle = [&] {
        // Whatever happened to this file, its share of the progress is done.
        if (doneBytes < start + 2 * size) {
            advance(start + 2 * size - doneBytes);
        }
    };

    if (!startsRecording(file, result)) {
        if (result.status == ImportResult::Status::Skipped) {
            settle();
        }
        return result;
    }

    std::string error;
    if (!library.ensureRoot(error)) {
        result.reason = error;
        return result;
    }

    // Only a file of a size the library already holds can be there: hash it first then, so
    // that a card imported again is read once and nothing is written.
    const std::vector<LibraryEntry> held = library.entries();
    const bool sizeHeld = std::any_of(held.begin(), held.end(), [size](const LibraryEntry& e) {
        return e.size == size;
    });
    if (sizeHeld) {
        std::string hashError;
        const auto sha = Sha256::ofFile(source, hashError);
        if (!sha) {
            result.reason = "cannot be read: " + hashError;
            return result;
        }
        if (const auto present = library.findBySha256(*sha)) {
            result.status = ImportResult::Status::Present;
            result.path = present->path;
            result.sha256 = *sha;
            result.complete = present->complete;
            settle();
            return result;
        }
    }

    ImportResult copied = copyIn(source, size);
    copied.source = source;
    settle();
    return copied;
}

ImportResult Importer::copyIn(const std::string& source, std::uint64_t size) {
    ImportResult result;
    result.status = ImportResult::Status::Failed;
    const std::string& root = library.root();

    const QStorageInfo disk(pathText::toQt(root));
    if (disk.isValid()) {
        const auto available = static_cast<std::uint64_t>(std::max<qint64>(disk.bytesAvailable(), 0));
        if (available < size + sidecarRoom) {
            result.reason = "not enough free space in the library " + root + ": the copy needs " +
                            std::to_string(size) + " bytes, " + std::to_string(available) +
                            " are free";
            return result;
        }
        const std::uint64_t left = available - size;
        const auto total = static_cast<std::uint64_t>(std::max<qint64>(disk.bytesTotal(), 0));
        if (left < std::min(nearlyFullBytes, total / 20)) {
            result.warning = "the library disk is nearly full: " + std::to_string(left / (std::uint64_t{1024} * 1024)) +
                             " MiB left after this copy";
        }
    }

    const Descriptor in = Descriptor::openForReading(source);
    if (!in.valid()) {
        result.reason = "cannot be opened: " + systemText(errno);
        return result;
    }
    StagingFolder staging(root);
    if (!staging.made()) {
        result.reason = "cannot make a folder in the library " + root + ": " +
                        systemText(staging.error());
        return result;
    }
    if (!swept) {
        swept = true;
        removeStoppedImports(root, staging.path());
    }
    const QFileInfo sourceInfo(pathText::toQt(source));
    const std::string originalName = pathText::fromQt(sourceInfo.fileName());
    const std::string copyPath = staging.path() + "/" + storedName(originalName);
    Descriptor out = Descriptor::createNew(copyPath);
    if (!out.valid()) {
        result.reason = "cannot write the copy in " + root + ": " + systemText(errno);
        return result;
    }

    Sha256 hash;
    RecordStream records;
    std::vector<std::uint8_t> buffer(pieceSize);
    std::uint64_t copiedBytes = 0;
    for (;;) {
        if (cancelled()) {
            result.status = ImportResult::Status::Cancelled;
            result.reason = "not imported: the import was cancelled";
            return result;
        }
        const std::int64_t got = in.readSome(buffer.data(), buffer.size());
        if (got < 0) {
            result.reason = "cannot be read at byte " + std::to_string(copiedBytes) + ": " +
                            systemText(errno);
            return result;
        }
        if (got == 0) {
            break;
        }
        const std::span piece(buffer.data(), static_cast<std::size_t>(got));
        hash.update(piece);
        records.feed(piece);
        if (!out.writeAll(piece.data(), piece.size())) {
            result.reason = "cannot write the copy in " + root + ": " + systemText(errno);
            return result;
        }
        copiedBytes += piece.size();
        advance(piece.size());
    }
    records.finish();
    const std::string sha256 = hash.finalHex();
    if (!out.sync() || !out.close()) {
        result.reason = "cannot write the copy in " + root + ": " + systemText(errno);
        return result;
    }
    if (copiedBytes != size) {
        result.reason = "changed while it was read: " + std::to_string(size) + " bytes before, " +
                        std::to_string(copiedBytes) + " read";
        return result;
    }

    // The check reads what reached the library's disk, not what we meant to write.
    std::string readError;
    const auto copySha = readBack(copyPath, nullptr, readError);
    advance(size);
    if (!copySha) {
        result.reason = "the copy in " + root + " cannot be read back: " + readError;
        return result;
    }
    if (*copySha != sha256) {
        result.reason = "the copy in " + root + " differs from the source (SHA-256 " + *copySha +
                        ", the source's " + sha256 + ")";
        return result;
    }

    LibraryEntry entry = describe(records, originalName, sha256, size);
    entry.source = pathText::fromQt(sourceInfo.absoluteFilePath());
    entry.volumeLabel = pathText::fromQt(QStorageInfo(pathText::toQt(source)).name());
    return place(root, staging, entry, storedName(originalName));
}

ImportResult Importer::adoptFile(const std::string& file, const std::string& sha256,
                                 const std::string& originalName, const std::string& sourceText) {
    ImportResult result;
    result.source = file;
    result.status = ImportResult::Status::Failed;
    const std::string& root = library.root();

    if (!startsRecording(Descriptor::openForReading(file), result)) {
        return result;
    }
    // Staged beside the file, inside its hidden folder: whatever stops this process, what is
    // left is that folder's, which its owner clears.
    StagingFolder staging(fileOps::utf8Path(fileOps::fsPath(file).parent_path()));
    if (!staging.made()) {
        result.reason = "cannot make a folder in the library " + root + ": " + systemText(staging.error());
        return result;
    }
    const std::string stored = staging.path() + "/" + storedName(originalName);
    if (const std::error_code moved = fileOps::moveEntry(file, stored, false)) {
        result.reason = "cannot move the file into the library " + root + ": " + moved.message();
        return result;
    }

    // Read once more from the disk: the hash checks what reached it, and the same pass finds
    // the recording's facts.
    RecordStream records;
    std::string readError;
    const auto storedSha = readBack(stored, &records, readError);
    if (!storedSha) {
        result.reason = "the file in " + root + " cannot be read back: " + readError;
        return result;
    }
    if (*storedSha != sha256) {
        result.reason = "the file in " + root + " differs from what was received (SHA-256 " + *storedSha +
                        ", received " + sha256 + ")";
        return result;
    }
    std::error_code sizeError;
    const auto size = std::filesystem::file_size(fileOps::fsPath(stored), sizeError);
    LibraryEntry entry = describe(records, originalName, sha256, sizeError ? 0 : size);
    entry.source = sourceText;
    if (folderDate(entry.captureDate).empty()) {
        // Without a capture date the folder's name is the time of the import, so the rename
        // cannot find the same recording taken in earlier: look for it.
        if (const auto present = library.findBySha256(sha256)) {
            result.status = ImportResult::Status::Present;
            result.path = present->path;
            result.sha256 = sha256;
            result.complete = present->complete;
            return result;
        }
    }
    return place(root, staging, entry, storedName(originalName));
}
