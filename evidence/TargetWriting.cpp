#include "TargetWriting.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TargetFile.h"

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd(fd) {}
    ~Descriptor() { closeNow(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd; }
    // The result of close() counts: some file systems report a failed write only there.
    bool closeNow() {
        const int held = fd;
        fd = -1;
        return held < 0 || ::close(held) == 0;
    }

private:
    int fd;
};

std::string because(const std::string& path, const char* what) {
    return path + ": " + what + ": " + std::strerror(errno);
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

ExportResult targetFailure(const TargetFile& file) {
    return ExportResult::failure(
        file.targetExists() ? ExportResult::Status::Refused : ExportResult::Status::Failed,
        file.error());
}

}  // namespace

ExportResult writeTargetBytes(const std::string& target, std::span<const char> bytes,
                              bool replace) {
    TargetFile file(target, replace);
    if (!file.open()) {
        return targetFailure(file);
    }
    Descriptor out(::open(file.temporaryPath().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (out.get() < 0 || !writeAll(out.get(), bytes.data(), bytes.size()) || !out.closeNow()) {
        return ExportResult::failure(ExportResult::Status::Failed,
                                     because(target, "cannot be written"));
    }
    if (!file.commit()) {
        return targetFailure(file);
    }
    return ExportResult::ok();
}

ExportResult copyToTarget(const std::string& source, const std::string& target, bool replace,
                          ExportProgress& progress) {
    Descriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status {};
    if (in.get() < 0 || ::fstat(in.get(), &status) != 0) {
        return ExportResult::failure(ExportResult::Status::Failed,
                                     because(source, "cannot be read"));
    }
    const auto total = static_cast<std::uint64_t>(status.st_size);
    TargetFile file(target, replace);
    if (!file.open()) {
        return targetFailure(file);
    }
    Descriptor out(::open(file.temporaryPath().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (out.get() < 0) {
        return ExportResult::failure(ExportResult::Status::Failed,
                                     because(target, "cannot be written"));
    }
    std::vector<char> block(std::size_t{1} << 20);
    std::uint64_t done = 0;
    for (;;) {
        if (progress.isCancelled()) {
            return ExportResult::failure(ExportResult::Status::Cancelled, target + ": cancelled");
        }
        const ssize_t got = ::read(in.get(), block.data(), block.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return ExportResult::failure(ExportResult::Status::Failed,
                                         because(source, "cannot be read"));
        }
        if (got == 0) {
            break;
        }
        if (!writeAll(out.get(), block.data(), static_cast<std::size_t>(got))) {
            return ExportResult::failure(ExportResult::Status::Failed,
                                         because(target, "cannot be written"));
        }
        done += static_cast<std::uint64_t>(got);
        progress.advance(done, std::max(done, total));
    }
    if (!out.closeNow()) {
        return ExportResult::failure(ExportResult::Status::Failed,
                                     because(target, "cannot be written"));
    }
    if (!file.commit()) {
        return targetFailure(file);
    }
    return ExportResult::ok();
}
