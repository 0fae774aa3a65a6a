#include "Descriptor.h"

#include <cerrno>
#include <cstdlib>  // mkstemp
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

Descriptor::~Descriptor() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

Descriptor::Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

Descriptor Descriptor::openForReading(const std::string& path) {
    return Descriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
}

Descriptor Descriptor::openForWriting(const std::string& path) {
    return Descriptor(::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY));
}

Descriptor Descriptor::createNew(const std::string& path) {
    return Descriptor(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
}

Descriptor Descriptor::createTemporary(std::string& pattern) {
    Descriptor file(::mkstemp(pattern.data()));
    if (file.valid()) {
        // mkstemp makes the file private; give it what a new file normally gets.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        static_cast<void>(::fchmod(file.get(), 0666 & ~mask));
    }
    return file;
}

std::int64_t Descriptor::readSome(void* into, std::size_t size) const {
    for (;;) {
        const ssize_t got = ::read(fd_, into, size);
        if (got >= 0 || errno != EINTR) {
            return got;
        }
    }
}

std::int64_t Descriptor::readAt(std::uint64_t offset, void* into, std::size_t size) const {
    for (;;) {
        const ssize_t got = ::pread(fd_, into, size, static_cast<off_t>(offset));
        if (got >= 0 || errno != EINTR) {
            return got;
        }
    }
}

bool Descriptor::writeAll(const void* bytes, std::size_t size) const {
    const auto* data = static_cast<const char*>(bytes);
    while (size > 0) {
        const ssize_t put = ::write(fd_, data, size);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (put == 0) {
            errno = ENOSPC;
            return false;
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

bool Descriptor::sync() const {
    return ::fsync(fd_) == 0;
}

bool Descriptor::facts(Facts& facts) const {
    struct stat status {};
    if (::fstat(fd_, &status) != 0) {
        return false;
    }
    facts.regular = S_ISREG(status.st_mode);
    facts.size = static_cast<std::uint64_t>(status.st_size);
    return true;
}

void Descriptor::dropCache() const {
    static_cast<void>(::posix_fadvise(fd_, 0, 0, POSIX_FADV_DONTNEED));
}

bool Descriptor::close() {
    const int held = std::exchange(fd_, -1);
    return held < 0 || ::close(held) == 0;
}
