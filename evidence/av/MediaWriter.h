#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "AvHandles.h"

struct AVStream;

namespace av {

class H264Encoder;

// One video stream written into a container file (AVI, Matroska, MP4) through libavformat.
// Every step's result is checked, the trailer and the final close included; a failure stops
// the writer and error() names the file and the cause. Timestamps are given in 1/30 s.
class MediaWriter {
public:
    // `shownPath` is the name used in messages (the user's target, not the temporary file).
    explicit MediaWriter(std::string shownPath);
    ~MediaWriter();
    MediaWriter(const MediaWriter&) = delete;
    MediaWriter& operator=(const MediaWriter&) = delete;

    // `formatName`: libavformat's short name ("avi", "matroska", "mp4"); `filePath`: the file
    // to create.
    bool open(const std::string& formatName, const std::string& filePath);
    // A stream of JPEG pictures as recorded; `fourccMjpg` tags it MJPG (for AVI).
    bool addJpegStream(int width, int height, bool fourccMjpg);
    // A stream for the encoder's packets; call after the encoder is open.
    bool addEncodedStream(const H264Encoder& encoder);
    bool writeHeader(const std::vector<std::pair<std::string, std::string>>& options = {});

    // One packet holding exactly `bytes`, a key frame.
    bool writeBytes(std::span<const std::uint8_t> bytes, std::int64_t pts, std::int64_t duration);
    // An encoder's packet, its timestamps in 1/30 s.
    bool writePacket(AVPacket& packet);
    // Trailer, flush and close; the file is complete only when this returns true.
    bool finish();

    const std::string& error() const { return lastError; }

private:
    bool fail(const std::string& what, int code);
    void closeQuietly();

    std::string shownPath;
    std::string lastError;
    AVFormatContext* context = nullptr;
    AVStream* stream = nullptr;
    bool headerWritten = false;
};

}  // namespace av
