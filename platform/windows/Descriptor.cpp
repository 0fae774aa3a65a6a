#include "Descriptor.h"

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <windows.h>

#include "TemporaryName.h"
#include "WideText.h"

namespace {

// _O_BINARY: no system rewrites line ends; _O_NOINHERIT: no child process keeps it open.
int openWide(const std::string& path, int flags) {
    const auto wide = wideText(path);
    if (!wide) {
        errno = EINVAL;
        return -1;
    }
    int fd = -1;
    // Others may read and write the file meanwhile, as on POSIX systems.
    if (_wsopen_s(&fd, wide->c_str(), flags | _O_BINARY | _O_NOINHERIT, _SH_DENYNO,
                  _S_IREAD | _S_IWRITE) != 0) {
        return -1;
    }
    return fd;
}

}  // namespace

Descriptor::~Descriptor() {
    if (fd_ >= 0) {
        ::_close(fd_);
    }
}

Descriptor::Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::_close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

Descriptor Descriptor::openForReading(const std::string& path) {
    return Descriptor(openWide(path, _O_RDONLY));
}

Descriptor Descriptor::openForWriting(const std::string& path) {
    return Descriptor(openWide(path, _O_WRONLY | _O_TRUNC));
}

Descriptor Descriptor::createNew(const std::string& path) {
    return Descriptor(openWide(path, _O_WRONLY | _O_CREAT | _O_EXCL));
}

Descriptor Descriptor::createTemporary(std::string& pattern) {
    TemporaryName name(pattern);
    if (!name.valid()) {
        errno = EINVAL;
        return {};
    }
    for (int attempt = 0; attempt < TemporaryName::attempts; ++attempt) {
        name.next();
        Descriptor file(openWide(pattern, _O_RDWR | _O_CREAT | _O_EXCL));
        if (file.valid() || errno != EEXIST) {
            return file;
        }
    }
    return {};
}

std::int64_t Descriptor::readSome(void* into, std::size_t size) const {
    const auto chunk = static_cast<unsigned>(size > (1U << 30) ? (1U << 30) : size);
    return ::_read(fd_, into, chunk);
}

std::int64_t Descriptor::readAt(std::uint64_t offset, void* into, std::size_t size) const {
    // No pread here: the position moves, which none of our readers minds.
    if (::_lseeki64(fd_, static_cast<__int64>(offset), SEEK_SET) < 0) {
        return -1;
    }
    return readSome(into, size);
}

bool Descriptor::writeAll(const void* bytes, std::size_t size) const {
    const auto* data = static_cast<const char*>(bytes);
    while (size > 0) {
        const auto chunk = static_cast<unsigned>(size > (1U << 30) ? (1U << 30) : size);
        const int put = ::_write(fd_, data, chunk);
        if (put < 0) {
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
    // _commit is FlushFileBuffers on the descriptor's handle.
    return ::_commit(fd_) == 0;
}

bool Descriptor::facts(Facts& facts) const {
    struct _stat64 status {};
    if (::_fstat64(fd_, &status) != 0) {
        return false;
    }
    facts.regular = (status.st_mode & _S_IFMT) == _S_IFREG;
    facts.size = static_cast<std::uint64_t>(status.st_size);
    return true;
}

void Descriptor::dropCache() const {}

bool Descriptor::close() {
    const int held = std::exchange(fd_, -1);
    return held < 0 || ::_close(held) == 0;
}
