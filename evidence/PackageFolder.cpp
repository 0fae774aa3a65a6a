#include "PackageFolder.h"

#include <algorithm>
#include <utility>

#include "FileOps.h"

namespace fs = std::filesystem;

namespace {

// The new files and the old ones they replace, in two folders so that no file name can meet
// the other folder's name.
constexpr const char* newPart = "new";
constexpr const char* oldPart = "old";

bool entryExists(const fs::path& path) {
    std::error_code code;
    return fs::exists(fs::symlink_status(path, code));
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
    // A name of its own: a leftover of an earlier run (a power cut) is never reused.
    for (int attempt = 1; attempt <= 1000; ++attempt) {
        const fs::path candidate = folder / (".halcyra-package-" + std::to_string(attempt));
        if (fs::create_directory(candidate, code)) {
            staging = candidate;
            break;
        }
        if (code) {
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
