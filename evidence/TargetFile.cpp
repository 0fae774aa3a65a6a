#include "TargetFile.h"

#include "Descriptor.h"
#include "FileOps.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

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
    if (!replace &&
        std::filesystem::exists(std::filesystem::symlink_status(fileOps::fsPath(target), code))) {
        existed = true;
        lastError = target + ": exists already";
        return false;
    }
    const std::filesystem::path where = fileOps::fsPath(target);
    const std::filesystem::path folder = where.has_parent_path() ? where.parent_path() : ".";
    std::string pattern =
        fileOps::utf8Path(folder / fileOps::fsPath("." + fileOps::utf8Path(where.filename()) + ".XXXXXX"));
    Descriptor file = Descriptor::createTemporary(pattern);
    if (!file.valid()) {
        lastError = describe(target, "cannot create a file beside it", errno);
        return false;
    }
    file.close();
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
        static_cast<void>(fileOps::removeFile(temporary));
    }
    temporary.clear();
}
