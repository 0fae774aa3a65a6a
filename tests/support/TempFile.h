#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "TempFolder.h"

// One file with the given bytes, alone in a fresh TempFolder; both go with the object.
class TempFile {
public:
    explicit TempFile(const std::vector<std::uint8_t>& bytes,
                      const std::string& name = "halcjpeg.dat");

    const std::string& path() const { return path_; }
    // The folder that holds the file, without a trailing "/".
    std::filesystem::path folder() const { return std::filesystem::path(path_).parent_path(); }

private:
    TempFolder folder_;
    std::string path_;
};
