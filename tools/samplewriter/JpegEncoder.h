#pragma once

#include <cstdint>
#include <span>
#include <vector>

enum class ChromaSubsampling { Yuv420, Yuv422, Yuv444 };

struct JpegEncodeOptions {
    ChromaSubsampling subsampling = ChromaSubsampling::Yuv420;
    int quality = 85;
    bool grayscale = false;
    // A complete APP1 segment (FF E1, length, payload), put right after SOI when not empty.
    // It replaces the JFIF APP0 segment, as in a camera's EXIF file.
    std::vector<std::uint8_t> app1;
};

// Baseline JPEG of width x height RGB pixels (top-down, 3 bytes each). Throws
// std::invalid_argument for a bad size or too few pixels, std::runtime_error when the
// library fails.
std::vector<std::uint8_t> encodeJpeg(int width, int height, std::span<const std::uint8_t> rgb,
                                     const JpegEncodeOptions& options = {});

// A four-component (CMYK) baseline JPEG, 4 bytes per pixel.
std::vector<std::uint8_t> encodeCmykJpeg(int width, int height, std::span<const std::uint8_t> cmyk);
