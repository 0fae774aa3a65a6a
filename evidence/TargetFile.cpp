#include "TargetFile.h"

#include "FileOps.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string describe(const std::string& path, const char* what, int code) {
    return path + ": " + what + ": " + std::strerror(code);
}

}  // namespace

TargetFile::TargetFile(std::string path, bool mayReplace)
    : target(std::move(path)), replace(mayReplace) {}

TargetFile::~TargetFile() { discard(); }

bool TargetFile::open() {
    discard();
    existed = false;
    std::error_code code;
    if (!replace && std::filesystem::exists(std::filesystem::symlink_status(target, code))) {
        existed = true;
        lastError = target + ": exists already";
        return false;
    }
    const std::filesystem::path where(target);
    const std::filesystem::path folder = where.has_parent_path() ? where.parent_path() : ".";
    std::string pattern = (folder / ("." + where.filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0) {
        lastError = describe(target, "cannot create a file beside it", errno);
        return false;
    }
    // mkstemp makes the file private; give it the permissions a new file normally gets.
    const mode_t mask = umask(0);
    umask(mask);
    static_cast<void>(fchmod(fd, 0666 & ~mask));
    close(fd);
    temporary = pattern;
    committed = false;
    return true;
}

bool TargetFile::commit() {
    if (temporary.empty()) {
        lastError = target + ": nothing was written";
        return false;
    }
    if (const std::error_code code = fileOps::flushToDisk(temporary)) {
        lastError = describe(target, "cannot be written", code.value());
        discard();
        return false;
    }
    // Without leave to replace, the rename itself refuses a target that appeared meanwhile.
    if (const std::error_code code = fileOps::moveEntry(temporary, target, replace)) {
        existed = code == std::errc::file_exists;
        lastError = existed ? target + ": exists already"
                            : describe(target, "cannot be given its name", code.value());
        discard();
        return false;
    }
    committed = true;
    temporary.clear();
    return true;
}

void TargetFile::discard() {
    if (!temporary.empty() && !committed) {
        std::remove(temporary.c_str());
    }
    temporary.clear();
}
