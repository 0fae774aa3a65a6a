#include "FileOps.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace fileOps {

namespace {

std::error_code lastError() { return {errno, std::generic_category()}; }

}  // namespace

std::error_code moveEntry(const std::string& from, const std::string& to, bool replace) {
    // rename(2) would silently replace an empty folder or any file of the target's name.
    const int result = replace ? std::rename(from.c_str(), to.c_str())
                               : renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(),
                                           RENAME_NOREPLACE);
    return result == 0 ? std::error_code() : lastError();
}

std::error_code flushToDisk(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return lastError();
    }
    std::error_code code;
    if (fsync(fd) != 0) {
        code = lastError();
    }
    close(fd);
    return code;
}

}  // namespace fileOps
