#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "JpegEncoder.h"

class FrameBitmap;

// Saturated hues across, brightness down, with per-pixel noise: every chroma value and the
// clamping at both ends get exercised.
std::vector<std::uint8_t> colourSweep(int width, int height);
// Left half black, right half white.
std::vector<std::uint8_t> verticalEdge(int width, int height);

std::vector<std::uint8_t> jpegOf(int width, int height, std::span<const std::uint8_t> rgb,
                                 ChromaSubsampling subsampling = ChromaSubsampling::Yuv420);

// The frame decoded by the library's own memory source, either to its YCbCr samples (same
// upsampling as a colour decode) or to grey. Throws std::runtime_error on a library error.
struct LibraryImage {
    int width = 0;
    int height = 0;
    int components = 0;
    std::vector<std::uint8_t> samples;
};
enum class LibraryOutput { YCbCr, Grey };
LibraryImage decodeWithLibrary(std::span<const std::uint8_t> jpeg, LibraryOutput output);

enum class Outcome { Complete, ReturnedFalse, ThrewOne, ThrewOtherInt };
struct Attempt {
    Outcome outcome;
    int targetRequests = 0;
    int requestedWidth = 0;
    int requestedHeight = 0;
};
// Decodes into `target` (which may be null); exceptions other than int propagate.
Attempt decodeInto(std::span<const std::uint8_t> jpeg, FrameBitmap* target);

// A fresh bitmap of its own size holding the decoded frame.
FrameBitmap decodedFrame(std::span<const std::uint8_t> jpeg);
