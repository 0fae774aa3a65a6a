#pragma once

#include <cstdint>
#include <string>

// One line of the record of the steps: a file received or written, what it is, how it was
// made, its size and its SHA-256.
struct ReportRecordEntry {
    std::string name;
    std::string what;  // e.g. "原本の動画"
    std::string how;   // e.g. "記録されたJPEGをそのまま"
    std::uint64_t size = 0;
    std::string sha256;
};
