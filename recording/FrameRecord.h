#pragma once

#include <array>
#include <cstdint>

// One frame of a recording: its 12 header bytes as read, its frame number and its JPEG bytes.
// jpegData belongs to the Recording the record came from.
struct FrameRecord {
    std::array<char, 8> name{};
    std::int32_t jpegSize = 0;
    std::int32_t number = 0;
    const std::uint8_t* jpegData = nullptr;
};
