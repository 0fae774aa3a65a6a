#include "UploadService.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <sys/statvfs.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "CustodyLog.h"
#include "FileOps.h"
#include "Importer.h"
#include "Sha256Text.h"

namespace {

constexpr const char* stagingPrefix = ".upload-";
// Another host's staging folder untouched this long is a leftover.
constexpr auto staleAfter = std::chrono::hours(1);
// Room for recording.json and the recording's folder beside an upload's bytes.
constexpr std::uint64_t sidecarRoom = std::uint64_t{64} * 1024;

std::string hostName() {
    char name[256] = {};
    gethostname(name, sizeof name - 1);
    std::string host;
    for (const char c : std::string(name)) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '.';
        host += plain ? c : '_';
    }
    return host.empty() ? "host" : host;
}

// The program name and state of a process, from /proc/PID/stat ("PID (NAME) STATE ..."; the
// name may hold spaces and parentheses, the last ')' ends it). False when there is none.
bool processFacts(const std::string& pid, std::string& name, char& state) {
    std::ifstream stat("/proc/" + pid + "/stat");
    std::string line;
    if (!std::getline(stat, line)) {
        return false;
    }
    const auto open = line.find('(');
    const auto close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open ||
        close + 2 >= line.size()) {
        return false;
    }
    name = line.substr(open + 1, close - open - 1);
    state = line[close + 2];
    return true;
}

// Whether `pid` is a server like this one still running: a process of this program's name
// that has not ended (a killed one waiting to be reaped has; a number taken again by another
// program is not ours).
bool serverRuns(pid_t pid) {
    std::string name;
    std::string ownName;
    char state = 'X';
    char ownState = 'R';
    return pid > 0 && processFacts(std::to_string(pid), name, state) &&
           processFacts("self", ownName, ownState) && state != 'Z' && state != 'X' && name == ownName;
}

// The newest time anything in `folder` (or the folder itself) was written.
std::filesystem::file_time_type lastWritten(const std::filesystem::path& folder) {
    std::error_code error;
    auto newest = std::filesystem::last_write_time(folder, error);
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::error_code ignored;
        newest = std::max(newest, std::filesystem::last_write_time(entry.path(), ignored));
    }
    return newest;
}

// Whether a staging folder named ".upload-HOST-PID-XXXXXX" is no upload's any more.
bool isLeftover(const std::filesystem::path& folder, const std::string& host) {
    const std::string name = folder.filename().string().substr(std::strlen(stagingPrefix));
    // HOST-PID-XXXXXX; any other name is an older server's and no upload's now.
    const auto suffix = name.rfind('-');
    const auto pidStart = suffix == std::string::npos || suffix == 0 ? std::string::npos
                                                                      : name.rfind('-', suffix - 1);
    if (pidStart == std::string::npos) {
        return true;
    }
    const std::string owner = name.substr(0, pidStart);
    const std::string pidText = name.substr(pidStart + 1, suffix - pidStart - 1);
    if (owner != host) {
        return std::filesystem::file_time_type::clock::now() - lastWritten(folder) > staleAfter;
    }
    if (pidText.empty() || pidText.size() > 9 ||
        pidText.find_first_not_of("0123456789") != std::string::npos) {
        return true;
    }
    const pid_t pid = static_cast<pid_t>(std::stol(pidText));
    return pid == getpid() || !serverRuns(pid);
}

// The last part of a client's file name; "" when nothing usable is left.
std::string baseName(const std::string& name) {
    const auto slash = name.find_last_of("/\\");
    std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    if (base.empty() || base == "." || base == ".." || base.size() > 255) {
        return "";
    }
    for (const char c : base) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            return "";
        }
    }
    return base;
}

std::optional<std::uint64_t> freeBytes(const std::string& folder) {
    struct statvfs facts {};
    if (statvfs(folder.c_str(), &facts) != 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(facts.f_bavail) * facts.f_frsize;
}

UploadService::Outcome outcome(UploadService::Outcome::Kind kind, std::string reason) {
    UploadService::Outcome o;
    o.kind = kind;
    o.reason = std::move(reason);
    return o;
}

}  // namespace

UploadService::Staged::~Staged() {
    file.close();
    if (!folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
}

bool UploadService::Staged::write(const char* bytes, std::size_t size) {
    if (tooLarge || writeError != 0) {
        return false;
    }
    if (size > limit - received) {
        tooLarge = true;
        return false;
    }
    if (!file.writeAll(bytes, size)) {
        writeError = errno != 0 ? errno : EIO;
        return false;
    }
    hash.update(bytes, size);
    received += size;
    return true;
}

std::unique_ptr<UploadService::Staged> UploadService::stage(const std::string& fileName,
                                                            std::optional<std::uint64_t> announced,
                                                            Outcome& refused) {
    using Kind = Outcome::Kind;
    const std::string base = baseName(fileName);
    if (base.empty()) {
        refused = outcome(Kind::BadRequest, "X-Filename must name a file (up to 255 bytes, no control characters)");
        return nullptr;
    }
    if (announced && *announced > maxBytes) {
        refused = outcome(Kind::TooLarge, "the upload of " + std::to_string(*announced) +
                                              " bytes is over the limit of " + std::to_string(maxBytes));
        return nullptr;
    }
    // The folder is made when the server starts. Gone while it serves (a shared file system
    // not mounted), it is not made again: the upload would land on the disk beneath the mount.
    std::error_code missing;
    if (!std::filesystem::is_directory(library.root(), missing)) {
        refused = outcome(Kind::Unavailable, "the library folder cannot be reached");
        return nullptr;
    }
    if (announced) {
        const auto free = freeBytes(library.root());
        // The staged bytes become the library's copy; recording.json needs a little more.
        if (free && *free < *announced + sidecarRoom) {
            refused = outcome(Kind::NoSpace, "not enough free space in the library " + library.root() +
                                                 ": " + std::to_string(*free) + " bytes free");
            return nullptr;
        }
    }
    std::unique_ptr<Staged> staged(new Staged);
    std::string pattern = library.root() + "/" + stagingPrefix + stagingOwner() + "-XXXXXX";
    if (const std::error_code made = fileOps::createTemporaryFolder(pattern)) {
        refused = outcome(made.value() == ENOSPC ? Kind::NoSpace : Kind::Failed,
                          "cannot make a folder in the library " + library.root() + ": " + made.message());
        return nullptr;
    }
    staged->folder = pattern;
    staged->path = pattern + "/" + base;
    staged->file = Descriptor::createNew(staged->path);
    if (!staged->file.valid()) {
        const int why = errno;
        refused = outcome(why == ENOSPC ? Kind::NoSpace : Kind::Failed,
                          "cannot write in the library " + library.root() + ": " + std::strerror(why));
        return nullptr;
    }
    staged->limit = maxBytes;
    return staged;
}

UploadService::Outcome UploadService::finish(std::unique_ptr<Staged> staged, bool complete,
                                             const std::string& expectedSha256,
                                             const std::string& depot, const Caller& caller) {
    using Kind = Outcome::Kind;
    if (staged->tooLarge) {
        return outcome(Kind::TooLarge, "the upload is over the limit of " + std::to_string(maxBytes) + " bytes");
    }
    if (staged->writeError != 0) {
        return outcome(staged->writeError == ENOSPC ? Kind::NoSpace : Kind::Failed,
                       "cannot write in the library " + library.root() + ": " +
                           std::strerror(staged->writeError));
    }
    if (!complete) {
        return outcome(Kind::BadRequest, "the upload ended after " + std::to_string(staged->received) +
                                             " bytes, before its end");
    }
    if (!staged->file.sync() || !staged->file.close()) {
        const int why = errno;
        return outcome(why == ENOSPC ? Kind::NoSpace : Kind::Failed,
                       "cannot write in the library " + library.root() + ": " + std::strerror(why));
    }
    const std::string sha256 = staged->hash.finalHex();
    if (!expectedSha256.empty() && expectedSha256 != sha256) {
        return outcome(Kind::Mismatch, "the bytes' SHA-256 is " + sha256 + ", X-Sha256 says " + expectedSha256);
    }

    // Held already: the index names its folder, and the recording is still there.
    std::optional<IndexedRecording> held;
    {
        store::Transaction t(database, store::Transaction::Read);
        held = recordingIndex::get(*t, sha256);
    }
    std::optional<LibraryEntry> entry;
    if (held) {
        entry = Library::readFolder(library.root() + "/" + held->folder);
        if (entry && entry->sha256 != sha256) {
            entry.reset();
        }
    }
    Outcome done;
    done.kind = Kind::Present;
    if (!entry) {
        // The staged file is on the library's disk already: moved in, not copied.
        const std::string fileName = std::filesystem::path(staged->path).filename().string();
        Importer importer(library);
        const ImportResult result = importer.adoptFile(
            staged->path, sha256, fileName, "upload by " + caller.actor() + " from " + caller.client + ": " + fileName);
        switch (result.status) {
            case ImportResult::Status::Imported: done.kind = Kind::Imported; break;
            case ImportResult::Status::Present: done.kind = Kind::Present; break;
            case ImportResult::Status::Skipped:
                return outcome(Kind::Skipped, result.reason);
            case ImportResult::Status::Failed:
            case ImportResult::Status::Cancelled: {
                const bool full = result.reason.find(std::strerror(ENOSPC)) != std::string::npos;
                return outcome(full ? Kind::NoSpace : Kind::Failed, result.reason);
            }
        }
        const std::string folder = std::filesystem::path(result.path).parent_path().string();
        entry = Library::readFolder(folder);
        if (!entry) {
            return outcome(Kind::Failed, "the recording's folder cannot be read: " + folder);
        }
    }
    store::Transaction t(database, store::Transaction::Write);
    recordingIndex::put(*t, library.root(), *entry, depot);
    CustodyLog::append(*t, caller.actor(), caller.client, "upload", entry->sha256,
                       nlohmann::json{{"fileName", entry->fileName},
                                      {"status", done.kind == Kind::Imported ? "imported" : "present"},
                                      {"depot", depot},
                                      {"size", entry->size}}
                           .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    done.recording = recordingIndex::get(*t, entry->sha256);
    t.commit();
    return done;
}

std::string UploadService::stagingOwner() {
    return hostName() + "-" + std::to_string(getpid());
}

void UploadService::removeLeftovers(const std::string& libraryRoot) {
    const std::string host = hostName();
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(libraryRoot, error)) {
        if (entry.path().filename().string().starts_with(stagingPrefix) && isLeftover(entry.path(), host)) {
            std::error_code ignored;
            std::filesystem::remove_all(entry.path(), ignored);
        }
    }
}
