#pragma once

#include <cstdint>
#include <vector>

// RGB pixels (top-down, 3 bytes each) of a synthetic dashboard-camera view: sky, hills, a road
// narrowing to the horizon with moving lane markings and posts, and a vehicle ahead that
// brakes hard, so that the gap closes in the seconds around 0 s. The scene's clock runs from
// -15 s at frame 0 to +5 s at frame frameCount - 1 and is drawn in the top-left corner.
// Deterministic: the same arguments give the same bytes. Empty for a size of 0 or less.
std::vector<std::uint8_t> renderRoadScene(int width, int height, int frameIndex, int frameCount);
