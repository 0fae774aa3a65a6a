#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class FrameBitmap;

// Big recordings for the scale test and benchmark, made of a few small frames repeated.
// Frame k of a file is picture k % pictures and carries number numberOf(k, count): frame
// numbers rise through the file as the recorder writes them, several frames sharing one
// where there are more frames than three digits can number.
namespace scale {

// `count` flat pictures of width x height, each in its own colour.
std::vector<std::vector<std::uint8_t>> pictures(int count, int width, int height);
// The picture whose colour is closest to the top-left pixel of `bitmap`, -1 when it is empty.
int pictureOf(const FrameBitmap& bitmap, int count);

std::int32_t numberOf(std::size_t index, std::size_t count);
// How many frames of these pictures make a file of about `bytes`.
std::size_t framesForSize(std::span<const std::vector<std::uint8_t>> pictures, std::uint64_t bytes);

// Writes the file a record at a time, so it never sits in memory whole. Throws on failure.
void writeRecording(const std::string& path, std::size_t frameCount,
                    std::span<const std::vector<std::uint8_t>> pictures);

}  // namespace scale
