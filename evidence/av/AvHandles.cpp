#include "AvHandles.h"

#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
}

namespace av {

void CodecContextFree::operator()(AVCodecContext* context) const {
    avcodec_free_context(&context);
}
void FrameFree::operator()(AVFrame* frame) const {
    av_frame_free(&frame);
}
void PacketFree::operator()(AVPacket* packet) const {
    av_packet_free(&packet);
}
void InputContextClose::operator()(AVFormatContext* context) const {
    avformat_close_input(&context);
}

std::string errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    if (av_strerror(code, text, sizeof text) != 0) {
        return "error " + std::to_string(code);
    }
    return text;
}

void silenceLibraryLog() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

}  // namespace av
