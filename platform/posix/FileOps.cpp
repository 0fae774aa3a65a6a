#include "FileOps.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fileOps {

namespace {

std::error_code lastError() { return {errno, std::generic_category()}; }

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t count = ::write(fd, bytes.data(), bytes.size());
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(count));
    }
    return true;
}

}  // namespace

std::error_code moveEntry(const std::string& from, const std::string& to, bool replace) {
    // rename(2) would silently replace an empty folder or any file of the target's name.
    const int result = replace ? std::rename(from.c_str(), to.c_str())
                               : renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(),
                                           RENAME_NOREPLACE);
    return result == 0 ? std::error_code() : lastError();
}

std::error_code removeFile(const std::string& path) {
    if (::unlink(path.c_str()) == 0 || errno == ENOENT) {
        return {};
    }
    return lastError();
}

std::error_code createTemporaryFolder(std::string& pattern) {
    return ::mkdtemp(pattern.data()) != nullptr ? std::error_code() : lastError();
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

FileHandle openStream(const std::string& path, std::string_view mode) {
    std::string binaryMode(mode);
    if (binaryMode.find('b') == std::string::npos) {
        binaryMode += 'b';
    }
    return FileHandle(std::fopen(path.c_str(), binaryMode.c_str()));
}

std::filesystem::path fsPath(const std::string& path) { return {path}; }

std::string utf8Path(const std::filesystem::path& path) { return path.string(); }

FileContents readSmallFile(const std::string& path, std::size_t limit) {
    // Non-blocking, so that a fifo of that name cannot hang the caller.
    Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) {
        return {lastError(), {}};
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        return {lastError(), {}};
    }
    if (!S_ISREG(info.st_mode)) {
        return {std::make_error_code(std::errc::invalid_argument), {}};
    }
    const auto tooLarge = std::make_error_code(std::errc::file_too_large);
    if (static_cast<std::size_t>(info.st_size) > limit) {
        return {tooLarge, {}};
    }
    FileContents contents{{}, {}, static_cast<unsigned>(info.st_mode & 07777)};
    char buffer[16384];
    for (;;) {
        const ssize_t count = ::read(file.get(), buffer, sizeof buffer);
        if (count == 0) {
            return contents;
        }
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return {lastError(), {}};
        }
        contents.bytes.append(buffer, static_cast<std::size_t>(count));
        if (contents.bytes.size() > limit) {
            return {tooLarge, {}};
        }
    }
}

std::error_code replaceFile(const std::string& path, std::string_view bytes, unsigned permissions) {
    std::string temporaryPath = path + ".XXXXXX";
    Descriptor file(::mkstemp(temporaryPath.data()));
    if (file.get() < 0) {
        return lastError();
    }
    const bool written = ::fchmod(file.get(), static_cast<mode_t>(permissions)) == 0 &&
                         writeAll(file.get(), bytes) && ::fsync(file.get()) == 0 &&
                         ::close(file.release()) == 0 &&
                         ::rename(temporaryPath.c_str(), path.c_str()) == 0;
    if (!written) {
        const std::error_code code = lastError();
        ::unlink(temporaryPath.c_str());
        return code ? code : std::make_error_code(std::errc::io_error);
    }
    return {};
}

std::string executableFolder() {
    std::error_code code;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", code);
    return code ? std::string() : exe.parent_path().string();
}

}  // namespace fileOps
