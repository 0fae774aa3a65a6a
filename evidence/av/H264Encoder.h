#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "AvHandles.h"

class PlanePicture;

namespace av {

// Encodes pictures in planes as H.264 for sharing: High profile, yuv420p in limited range with
// BT.601 colours (tagged so), no B-frames, preset medium, CRF 20. A picture of odd width or
// height has been padded with black to even sides by its planes, never cut.
class H264Encoder {
public:
    // Receives each encoded packet, its timestamps in 1/30 s; false stops the encoding.
    using PacketSink = std::function<bool(AVPacket& packet)>;

    explicit H264Encoder(std::string shownPath);
    ~H264Encoder();
    H264Encoder(const H264Encoder&) = delete;
    H264Encoder& operator=(const H264Encoder&) = delete;

    // `globalHeader`: the container keeps the stream's parameter sets in its header (MP4).
    bool open(int width, int height, bool globalHeader);
    // One picture (`width` x `height` of open()) at `pts`, lasting `duration`, both in 1/30 s.
    bool encode(const PlanePicture& picture, std::int64_t pts, std::int64_t duration,
                const PacketSink& sink);
    // Hands on the packets the encoder still holds.
    bool flush(const PacketSink& sink);

    const AVCodecContext* context() const { return codec.get(); }
    const std::string& error() const { return lastError; }

private:
    bool fail(const std::string& what, int code);
    bool send(const AVFrame* frame, const PacketSink& sink);

    std::string shownPath;
    std::string lastError;
    int pictureWidth = 0;
    int pictureHeight = 0;
    CodecContextPtr codec;
    FramePtr frame;
    PacketPtr packet;
    // The encoder hands packets out later than their pictures; their durations wait here.
    std::map<std::int64_t, std::int64_t> durations;
};

}  // namespace av
