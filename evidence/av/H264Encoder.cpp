#include "H264Encoder.h"

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

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
    codec->thread_count = 0;  // as many as x264 finds useful; libavcodec's default is one
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
    // Black in limited range; the padding keeps it, the picture is written over the rest.
    std::memset(frame->data[0], 16, static_cast<std::size_t>(frame->linesize[0]) * frame->height);
    for (int plane = 1; plane < 3; ++plane) {
        std::memset(frame->data[plane], 128,
                    static_cast<std::size_t>(frame->linesize[plane]) * (frame->height / 2));
    }

    converter.reset(sws_getContext(width, height, AV_PIX_FMT_BGR24, width, height,
                                   AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!converter) {
        return fail("cannot prepare the colour conversion", AVERROR(EINVAL));
    }
    const int* bt601 = sws_getCoefficients(SWS_CS_ITU601);
    if (sws_setColorspaceDetails(converter.get(), bt601, 1, bt601, 0, 0, 1 << 16, 1 << 16) < 0) {
        return fail("cannot convert to BT.601 limited range", AVERROR(EINVAL));
    }
    return true;
}

bool H264Encoder::encode(const std::uint8_t* bgr, int stride, std::int64_t pts,
                         std::int64_t duration, const PacketSink& sink) {
    int result = av_frame_make_writable(frame.get());
    if (result < 0) {
        return fail("cannot hold a picture", result);
    }
    const std::uint8_t* const source[1] = {bgr};
    const int sourceStride[1] = {stride};
    if (sws_scale(converter.get(), source, sourceStride, 0, pictureHeight, frame->data,
                  frame->linesize) != pictureHeight) {
        return fail("cannot convert a picture", AVERROR(EINVAL));
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
