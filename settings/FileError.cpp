#include "FileError.h"

#include <utility>

FileError::FileError(std::string path, Kind kind)
    : std::runtime_error(messageFor(path)), path_(std::move(path)), kind_(kind) {}

std::string FileError::messageFor(const std::string& path) {
    return "Disk full while accessing " + path + ".";
}
