#pragma once

// Owners of FFmpeg's objects, and its error codes as text. The FFmpeg headers themselves are
// included only by the sources of this folder.

#include <memory>
#include <string>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;

namespace av {

struct CodecContextFree {
    void operator()(AVCodecContext* context) const;
};
struct FrameFree {
    void operator()(AVFrame* frame) const;
};
struct PacketFree {
    void operator()(AVPacket* packet) const;
};
// An input context is closed, an output context is freed (its file closed first).
struct InputContextClose {
    void operator()(AVFormatContext* context) const;
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using InputContextPtr = std::unique_ptr<AVFormatContext, InputContextClose>;

// The clips' time base is 1 / clipRate s: frame numbers count thirtieths of a second.
inline constexpr int clipRate = 30;

// FFmpeg's message for an error code ("No space left on device").
std::string errorText(int code);

// Keeps FFmpeg's own log quiet: the export reports every failure itself, with the file's name.
void silenceLibraryLog();

}  // namespace av
