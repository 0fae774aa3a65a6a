#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What can be learnt of a recording file without reading it whole: the records are walked
// by their headers, and only the bytes of the one frame asked for are read.
namespace recordingHead {

// A record's frame must fit in this to be read; a header announcing more is not believed.
constexpr std::uint32_t frameLimit = std::uint32_t{8} << 20;

// The cheap identity of a recording on a card: its size and modification time, and the
// SHA-256 of its first record (header and frame bytes). The same file keeps the same key;
// a copy in the library has the same size and first record, whatever its time.
struct Key {
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // seconds since the epoch
    std::string firstRecord;    // hex

    bool sameRecording(const Key& other) const {
        return size == other.size && firstRecord == other.firstRecord;
    }
};

// The key of `path`; nothing when its first record header says it is no recording or the
// first record cannot be read whole.
std::optional<Key> keyOf(const std::string& path);

// The JPEG bytes of the event frame (the last of the leading frames not later than frame
// number `eventNumber`, or the first frame when all are later), reading the headers up to
// it and that frame alone. Empty when the file has no frame that can be read.
std::vector<std::uint8_t> eventFrameJpeg(const std::string& path, std::int32_t eventNumber);

}  // namespace recordingHead
