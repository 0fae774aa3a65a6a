#pragma once

#include <stdexcept>
#include <string>

// A write or close that failed on a device file that was already open. It is always
// reported as a full disk, whatever the system said, because that is what the user can act
// on: the card is full or was pulled out.
class FileError : public std::runtime_error {
public:
    enum class Kind { diskFull };

    explicit FileError(std::string path, Kind kind = Kind::diskFull);

    Kind kind() const { return kind_; }
    // Full path of the file, as it was passed to the writer.
    const std::string& path() const { return path_; }

    // "Disk full while accessing <path>."
    static std::string messageFor(const std::string& path);

private:
    std::string path_;
    Kind kind_;
};
