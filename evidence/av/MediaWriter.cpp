#include "MediaWriter.h"

#include <cstring>

#include "H264Encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace av {

namespace {

constexpr AVRational clipTimeBase{1, clipRate};

}  // namespace

MediaWriter::MediaWriter(std::string path) : shownPath(std::move(path)) {
    silenceLibraryLog();
}

MediaWriter::~MediaWriter() {
    closeQuietly();
}

void MediaWriter::closeQuietly() {
    if (context == nullptr) {
        return;
    }
    if (context->pb != nullptr && (context->oformat->flags & AVFMT_NOFILE) == 0) {
        static_cast<void>(avio_closep(&context->pb));
    }
    avformat_free_context(context);
    context = nullptr;
    stream = nullptr;
}

bool MediaWriter::fail(const std::string& what, int code) {
    lastError = shownPath + ": " + what + (code != 0 ? ": " + errorText(code) : std::string());
    return false;
}

bool MediaWriter::open(const std::string& formatName, const std::string& filePath) {
    closeQuietly();
    headerWritten = false;
    int result =
        avformat_alloc_output_context2(&context, nullptr, formatName.c_str(), filePath.c_str());
    if (result < 0 || context == nullptr) {
        return fail("cannot prepare the " + formatName + " container", result);
    }
    result = avio_open(&context->pb, filePath.c_str(), AVIO_FLAG_WRITE);
    if (result < 0) {
        return fail("cannot be opened for writing", result);
    }
    return true;
}

bool MediaWriter::addJpegStream(int width, int height, bool fourccMjpg) {
    stream = avformat_new_stream(context, nullptr);
    if (stream == nullptr) {
        return fail("cannot add the video stream", AVERROR(ENOMEM));
    }
    AVCodecParameters& parameters = *stream->codecpar;
    parameters.codec_type = AVMEDIA_TYPE_VIDEO;
    parameters.codec_id = AV_CODEC_ID_MJPEG;
    parameters.codec_tag = fourccMjpg ? MKTAG('M', 'J', 'P', 'G') : 0;
    parameters.width = width;
    parameters.height = height;
    parameters.format = AV_PIX_FMT_YUVJ420P;
    stream->time_base = clipTimeBase;
    if (fourccMjpg) {
        stream->avg_frame_rate = av_inv_q(clipTimeBase);
        stream->r_frame_rate = av_inv_q(clipTimeBase);
    }
    return true;
}

bool MediaWriter::addEncodedStream(const H264Encoder& encoder) {
    stream = avformat_new_stream(context, nullptr);
    if (stream == nullptr) {
        return fail("cannot add the video stream", AVERROR(ENOMEM));
    }
    const int result = avcodec_parameters_from_context(stream->codecpar, encoder.context());
    if (result < 0) {
        return fail("cannot describe the video stream", result);
    }
    stream->time_base = clipTimeBase;
    return true;
}

bool MediaWriter::writeHeader(const std::vector<std::pair<std::string, std::string>>& options) {
    AVDictionary* dictionary = nullptr;
    for (const auto& [key, value] : options) {
        av_dict_set(&dictionary, key.c_str(), value.c_str(), 0);
    }
    const int result = avformat_write_header(context, &dictionary);
    const bool unused = av_dict_count(dictionary) > 0;
    av_dict_free(&dictionary);
    if (result < 0) {
        return fail("cannot write the container's header", result);
    }
    if (unused) {
        return fail("the container refused an option", 0);
    }
    headerWritten = true;
    return true;
}

bool MediaWriter::writeBytes(std::span<const std::uint8_t> bytes, std::int64_t pts,
                             std::int64_t duration) {
    const PacketPtr packet(av_packet_alloc());
    if (!packet || av_new_packet(packet.get(), static_cast<int>(bytes.size())) < 0) {
        return fail("cannot hold a frame", AVERROR(ENOMEM));
    }
    if (!bytes.empty()) {
        std::memcpy(packet->data, bytes.data(), bytes.size());
    }
    packet->pts = pts;
    packet->dts = pts;
    packet->duration = duration;
    packet->flags |= AV_PKT_FLAG_KEY;
    return writePacket(*packet);
}

bool MediaWriter::writePacket(AVPacket& packet) {
    packet.stream_index = stream->index;
    av_packet_rescale_ts(&packet, clipTimeBase, stream->time_base);
    const int result = av_write_frame(context, &packet);
    if (result < 0) {
        return fail("cannot write a frame", result);
    }
    if (context->pb->error < 0) {
        return fail("cannot write a frame", context->pb->error);
    }
    return true;
}

bool MediaWriter::finish() {
    if (!headerWritten) {
        return fail("nothing was written", 0);
    }
    int result = av_write_trailer(context);
    headerWritten = false;
    if (result < 0) {
        return fail("cannot finish the file", result);
    }
    avio_flush(context->pb);
    const int pending = context->pb->error;
    result = avio_closep(&context->pb);
    if (pending < 0) {
        return fail("cannot finish the file", pending);
    }
    if (result < 0) {
        return fail("cannot close the file", result);
    }
    return true;
}

}  // namespace av
