#include "MediaReader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace av {

bool MediaReader::open(const std::string& path) {
    silenceLibraryLog();
    AVFormatContext* input = nullptr;
    int result = avformat_open_input(&input, path.c_str(), nullptr, nullptr);
    if (result < 0) {
        lastError = path + ": " + errorText(result);
        return false;
    }
    context.reset(input);
    result = avformat_find_stream_info(input, nullptr);
    if (result >= 0) {
        result = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    }
    if (result < 0) {
        lastError = path + ": " + errorText(result);
        return false;
    }
    streamIndex = result;
    packet.reset(av_packet_alloc());
    return packet != nullptr;
}

std::optional<MediaReader::Packet> MediaReader::next() {
    for (;;) {
        const int result = av_read_frame(context.get(), packet.get());
        if (result < 0) {
            if (result != AVERROR_EOF) {
                lastError = errorText(result);
            }
            return std::nullopt;
        }
        if (packet->stream_index != streamIndex) {
            av_packet_unref(packet.get());
            continue;
        }
        const AVRational base = context->streams[streamIndex]->time_base;
        const AVRational units{1, clipRate};
        constexpr auto nearest = static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX);
        Packet read;
        read.bytes.assign(packet->data, packet->data + packet->size);
        read.pts = av_rescale_q_rnd(packet->pts, base, units, nearest);
        read.duration = av_rescale_q_rnd(packet->duration, base, units, nearest);
        read.key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
        av_packet_unref(packet.get());
        return read;
    }
}

std::string MediaReader::codecName() const {
    return avcodec_get_name(context->streams[streamIndex]->codecpar->codec_id);
}

std::string MediaReader::codecTag() const {
    const std::uint32_t tag = context->streams[streamIndex]->codecpar->codec_tag;
    if (tag == 0) {
        return {};
    }
    std::string text;
    for (int shift = 0; shift < 32; shift += 8) {
        text += static_cast<char>((tag >> shift) & 0xFF);
    }
    return text;
}

int MediaReader::width() const {
    return context->streams[streamIndex]->codecpar->width;
}
int MediaReader::height() const {
    return context->streams[streamIndex]->codecpar->height;
}

}  // namespace av
