#include "H264Encoder.h"

#include <algorithm>
#include <cstring>
#include <thread>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
}

#include "PlanePicture.h"

namespace av {

H264Encoder::H264Encoder(std::string path) : shownPath(std::move(path)) {
    silenceLibraryLog();
}

H264Encoder::~H264Encoder() = default;

bool H264Encoder::fail(const std::string& what, int code) {
    lastError = shownPath + ": " + what + (code != 0 ? ": " + errorText(code) : std::string());
    return false;
}

bool H264Encoder::open(int width, int height, bool globalHeader) {
    const AVCodec* encoder = avcodec_find_encoder_by_name("libx264");
    if (encoder == nullptr) {
        return fail("no H.264 encoder (libx264) in this system's libavcodec", 0);
    }
    codec.reset(avcodec_alloc_context3(encoder));
    frame.reset(av_frame_alloc());
    packet.reset(av_packet_alloc());
    if (!codec || !frame || !packet) {
        return fail("cannot prepare the H.264 encoder", AVERROR(ENOMEM));
    }
    pictureWidth = width;
    pictureHeight = height;
    codec->width = (width + 1) & ~1;
    codec->height = (height + 1) & ~1;
    codec->pix_fmt = AV_PIX_FMT_YUV420P;
    codec->time_base = AVRational{1, clipRate};
    codec->max_b_frames = 0;
    // One frame thread a core (libavcodec's default is one in all). x264's own choice, half
    // as many again, was no faster on two cores and holds one more frame's buffers.
    const unsigned cores = std::thread::hardware_concurrency();
    codec->thread_count = static_cast<int>(std::clamp(cores, 1U, 16U));
    codec->color_range = AVCOL_RANGE_MPEG;
    codec->colorspace = AVCOL_SPC_SMPTE170M;
    codec->color_primaries = AVCOL_PRI_SMPTE170M;
    codec->color_trc = AVCOL_TRC_SMPTE170M;
    if (globalHeader) {
        codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    AVDictionary* settings = nullptr;
    av_dict_set(&settings, "preset", "medium", 0);
    av_dict_set(&settings, "profile", "high", 0);
    av_dict_set(&settings, "crf", "20", 0);
    // x264 gives the look-ahead one thread of its own on a small machine; a second one keeps
    // both cores of a two-core machine busy while the frame threads wait for it. The
    // job stays preset medium at CRF 20 without B-frames; only the look-ahead's work is split.
    if (cores >= 2) {
        av_dict_set(&settings, "x264-params", "lookahead-threads=2", 0);
    }
    int result = avcodec_open2(codec.get(), encoder, &settings);
    av_dict_free(&settings);
    if (result < 0) {
        return fail("cannot open the H.264 encoder", result);
    }

    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = codec->width;
    frame->height = codec->height;
    frame->color_range = AVCOL_RANGE_MPEG;
    frame->colorspace = AVCOL_SPC_SMPTE170M;
    result = av_frame_get_buffer(frame.get(), 0);
    if (result < 0) {
        return fail("cannot hold a picture", result);
    }
    return true;
}

bool H264Encoder::encode(const PlanePicture& picture, std::int64_t pts, std::int64_t duration,
                         const PacketSink& sink) {
    if (picture.width() != pictureWidth || picture.height() != pictureHeight) {
        return fail("a picture of another size than the stream's", AVERROR(EINVAL));
    }
    const int result = av_frame_make_writable(frame.get());
    if (result < 0) {
        return fail("cannot hold a picture", result);
    }
    const std::uint8_t* const planes[3] = {picture.y(), picture.cb(), picture.cr()};
    const int widths[3] = {picture.lumaWidth(), picture.chromaWidth(), picture.chromaWidth()};
    const int heights[3] = {picture.lumaHeight(), picture.chromaHeight(), picture.chromaHeight()};
    for (int plane = 0; plane < 3; ++plane) {
        for (int row = 0; row < heights[plane]; ++row) {
            std::memcpy(frame->data[plane] + static_cast<std::ptrdiff_t>(row) * frame->linesize[plane],
                        planes[plane] + static_cast<std::ptrdiff_t>(row) * widths[plane],
                        static_cast<std::size_t>(widths[plane]));
        }
    }
    frame->pts = pts;
    durations[pts] = duration;
    return send(frame.get(), sink);
}

bool H264Encoder::flush(const PacketSink& sink) {
    return send(nullptr, sink);
}

bool H264Encoder::send(const AVFrame* picture, const PacketSink& sink) {
    int result = avcodec_send_frame(codec.get(), picture);
    if (result < 0) {
        return fail("cannot encode a picture", result);
    }
    for (;;) {
        result = avcodec_receive_packet(codec.get(), packet.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
            return true;
        }
        if (result < 0) {
            return fail("cannot encode a picture", result);
        }
        const auto known = durations.find(packet->pts);
        if (known != durations.end()) {
            packet->duration = known->second;
            durations.erase(known);
        }
        const bool taken = sink(*packet);
        av_packet_unref(packet.get());
        if (!taken) {
            return false;
        }
    }
}

}  // namespace av
