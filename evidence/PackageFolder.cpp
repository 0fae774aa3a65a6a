#include "PackageFolder.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "FileOps.h"

namespace fs = std::filesystem;

namespace {

// The new files and the old ones they replace, in two folders so that no file name can meet
// the other folder's name.
constexpr const char* newPart = "new";
constexpr const char* oldPart = "old";

constexpr std::string_view stagingPrefix = ".halcyra-package-";

bool entryExists(const fs::path& path) {
    std::error_code code;
    return fs::exists(fs::symlink_status(path, code));
}

bool isStagingName(const std::string& name) {
    if (name.size() <= stagingPrefix.size() || name.compare(0, stagingPrefix.size(), stagingPrefix) != 0) {
        return false;
    }
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(stagingPrefix.size()), name.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

bool isEmptyFolder(const fs::path& path) {
    std::error_code code;
    return !fs::exists(path, code) || fs::is_empty(path, code);
}

// A staging folder that a run left behind (a crash, a power cut) is taken away, and the folder
// is left holding one whole package. New files still waiting in it mean the run never finished
// placing its files: the old files it had moved aside take their names again. None waiting
// means every new file was in place: the old ones are what that run was removing. False, with
// the folder kept, when an old file could not be put back.
bool recoverLeftover(const fs::path& folder, const fs::path& leftover) {
    std::error_code code;
    const fs::path oldFiles = leftover / oldPart;
    if (!isEmptyFolder(leftover / newPart) && fs::is_directory(oldFiles, code)) {
        for (const fs::directory_entry& entry : fs::directory_iterator(oldFiles, code)) {
            const fs::path target = folder / entry.path().filename();
            // The unfinished run's file of that name is not the user's: it goes first.
            if (entryExists(target) && fileOps::removeFile(fileOps::utf8Path(target))) {
                return false;
            }
            if (fileOps::moveEntry(fileOps::utf8Path(entry.path()), fileOps::utf8Path(target), false)) {
                return false;
            }
        }
    }
    fs::remove_all(leftover, code);
    return !code;
}

}  // namespace

PackageFolder::PackageFolder(fs::path where) : folder(std::move(where)) {}

PackageFolder::~PackageFolder() {
    if (!placed) {
        takeBack();
    }
}

bool PackageFolder::create(std::string& error) {
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
    if (!clearLeftovers(folder, error)) {
        return false;
    }
    // A name of its own, should a leftover have stayed.
    for (int attempt = 1; attempt <= 1000; ++attempt) {
        const fs::path candidate = folder / (std::string(stagingPrefix) + std::to_string(attempt));
        if (fs::create_directory(candidate, code)) {
            staging = candidate;
            break;
        }
        if (code && code != std::errc::file_exists) {
            error = folder.string() + ": cannot create a folder in it: " + code.message();
            return false;
        }
    }
    if (staging.empty() || !fs::create_directory(staging / newPart, code) ||
        !fs::create_directory(staging / oldPart, code)) {
        error = folder.string() + ": cannot create a folder in it" +
                (code ? ": " + code.message() : std::string());
        return false;
    }
    return true;
}

bool PackageFolder::clearLeftovers(const fs::path& folder, std::string& error) {
    std::error_code code;
    std::vector<fs::path> leftovers;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, code)) {
        if (isStagingName(fileOps::utf8Path(entry.path().filename())) && entry.is_directory(code)) {
            leftovers.push_back(entry.path());
        }
    }
    for (const fs::path& leftover : leftovers) {
        if (!recoverLeftover(folder, leftover)) {
            error = fileOps::utf8Path(leftover) +
                    ": left by an earlier package that did not finish, and cannot be cleared";
            return false;
        }
    }
    return true;
}

std::string PackageFolder::stagedPathOf(const std::string& name) const {
    return fileOps::utf8Path(staging / newPart / fileOps::fsPath(name));
}

bool PackageFolder::place(bool replace, std::string& error) {
    hadOld.clear();
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string& name = files[i];
        const fs::path target = folder / fileOps::fsPath(name);
        const bool old = replace && entryExists(target);
        if (old) {
            if (const std::error_code code =
                    fileOps::moveEntry(target.string(), fileOps::utf8Path(staging / oldPart / fileOps::fsPath(name)), false)) {
                error = target.string() + ": cannot be replaced: " + code.message();
                restore(i);
                return false;
            }
        }
        hadOld.push_back(old);
        if (const std::error_code code =
                fileOps::moveEntry(stagedPathOf(name), target.string(), false)) {
            error = code == std::errc::file_exists
                        ? target.string() + ": exists already"
                        : target.string() + ": cannot be given its name: " + code.message();
            restore(i + 1);
            return false;
        }
    }
    placed = true;
    std::error_code code;
    // The old files go only now; what cannot be removed stays hidden, never in the package.
    fs::remove_all(staging, code);
    return true;
}

void PackageFolder::restore(std::size_t count) {
    for (std::size_t i = count; i-- > 0;) {
        const fs::path target = folder / fileOps::fsPath(files[i]);
        const fs::path staged = fileOps::fsPath(stagedPathOf(files[i]));
        if (!entryExists(staged)) {
            // Placed: the new file goes back, which frees the name for the old one.
            static_cast<void>(fileOps::moveEntry(target.string(), staged.string(), false));
        }
        if (hadOld[i]) {
            static_cast<void>(fileOps::moveEntry(fileOps::utf8Path(staging / oldPart / fileOps::fsPath(files[i])),
                                                 target.string(), false));
        }
    }
}

void PackageFolder::takeBack() {
    std::error_code code;
    if (!staging.empty()) {
        fs::remove_all(staging / newPart, code);
        // An old file that could not be put back stays here rather than being lost.
        fs::remove(staging / oldPart, code);
        fs::remove(staging, code);
    }
    // Innermost first; remove() only takes a folder that is empty again.
    for (std::size_t i = made.size(); i-- > 0;) {
        fs::remove(made[i], code);
    }
}
