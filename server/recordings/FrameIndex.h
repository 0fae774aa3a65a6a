#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Where each frame of a recording file lies, from its record headers alone (12 bytes a
// record; the JPEG bytes are skipped, not read). The walk stops at the first header that is
// not a record's or a frame that the file does not hold whole.
namespace frameIndex {

struct Frame {
    std::uint64_t offset = 0;  // of the JPEG bytes
    std::uint32_t size = 0;
    std::int32_t number = 0;
};

// Nothing when the file cannot be opened.
std::optional<std::vector<Frame>> framesOf(const std::string& path);

// The recorded JPEG bytes of frame `index`; nothing when there is no such frame or it cannot
// be read.
std::optional<std::string> frameBytes(const std::string& path, std::uint64_t index);

}  // namespace frameIndex
