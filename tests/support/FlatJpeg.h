#pragma once

#include <cstdint>
#include <span>
#include <vector>

struct FlatColour {
    int red;
    int green;
    int blue;
};

// A small JPEG of one colour (quality 95, no chroma subsampling, so the decoded pixels stay
// within a few steps of the colour): tests paint each frame in its own colour and tell from
// one pixel which frame is on display.
std::vector<std::uint8_t> flatJpeg(FlatColour colour, int width, int height);

// The index of the colour in `palette` closest to one blue-green-red pixel, -1 when the
// palette is empty.
int nearestColour(const std::uint8_t* bgr, std::span<const FlatColour> palette);
