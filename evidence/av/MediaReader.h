#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "AvHandles.h"

namespace av {

// Reads back the first video stream of a container file packet by packet, to check what a
// clip holds. Timestamps come in 1/30 s, rounded to the nearest unit (Matroska keeps
// milliseconds).
class MediaReader {
public:
    struct Packet {
        std::vector<std::uint8_t> bytes;
        std::int64_t pts = 0;
        std::int64_t duration = 0;
        bool key = false;
    };

    bool open(const std::string& path);
    // The next packet of the video stream; nothing at the end or on an error (see error()).
    std::optional<Packet> next();

    std::string codecName() const;
    // The stream's four-character code as stored ("MJPG"), empty when it has none.
    std::string codecTag() const;
    int width() const;
    int height() const;
    const std::string& error() const { return lastError; }

private:
    InputContextPtr context;
    PacketPtr packet;
    int streamIndex = -1;
    std::string lastError;
};

}  // namespace av
