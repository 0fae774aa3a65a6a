#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A file descriptor for streaming large files (the import's copies, the exports' copies),
// closed when it goes. Every file is opened in binary mode and is not inherited by child
// processes. Paths are UTF-8; failures leave the descriptor invalid with errno saying why.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor();
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor(Descriptor&& other) noexcept;
    Descriptor& operator=(Descriptor&& other) noexcept;

    static Descriptor openForReading(const std::string& path);
    // An existing file, emptied.
    static Descriptor openForWriting(const std::string& path);
    // A new file that must not exist yet (EEXIST otherwise), with the permissions a new file
    // normally gets.
    static Descriptor createNew(const std::string& path);
    // Like mkstemp: the trailing "XXXXXX" of `pattern` becomes a fresh name, but the file gets
    // the permissions a new file normally gets rather than private ones.
    static Descriptor createTemporary(std::string& pattern);

    bool valid() const { return fd_ >= 0; }
    int get() const { return fd_; }

    // Up to `size` bytes; 0 at the end, -1 with errno on a failure. Interrupted reads are retried.
    std::int64_t readSome(void* into, std::size_t size) const;
    // Up to `size` bytes from `offset`, leaving the position where it was where the system
    // allows it; as readSome otherwise.
    std::int64_t readAt(std::uint64_t offset, void* into, std::size_t size) const;
    // All of it, or false with errno set (ENOSPC for a write that made no progress).
    bool writeAll(const void* bytes, std::size_t size) const;
    // The file's data and size through to the disk; false with errno set.
    bool sync() const;
    // Whether it is a regular file, and its size.
    struct Facts {
        bool regular = false;
        std::uint64_t size = 0;
    };
    bool facts(Facts& facts) const;
    // A hint that the file's cached pages will not be read again, so a following read meets
    // the disk rather than the cache. Nothing where the system has no such hint.
    void dropCache() const;
    // Closes now; false with errno set when the close reports a failed write.
    bool close();

private:
    int fd_ = -1;
};
