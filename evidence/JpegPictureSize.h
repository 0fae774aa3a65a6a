#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <utility>

// The width and height in a JPEG's frame header, read without decoding; nothing when the
// bytes hold no frame header before the scan.
std::optional<std::pair<int, int>> jpegPictureSize(std::span<const std::uint8_t> jpeg);
