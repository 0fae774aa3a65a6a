#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// A 24-bit picture with blue-green-red pixels, rows top-down, each row padded to a multiple
// of 4 bytes: the layout of a device-independent bitmap, written directly by the decoder.
class FrameBitmap {
public:
    // Allocates zeroed pixel memory for width x height; reuses the memory it already holds
    // when the size is the same. Returns false (and holds nothing) for a size it refuses.
    bool create(int width, int height);
    void release();

    bool isCreated() const { return pixelData != nullptr; }
    int width() const { return pixelWidth; }
    int height() const { return pixelHeight; }
    // Bytes from one row to the next: width * 3 rounded up to a multiple of 4.
    int stride() const { return rowStride; }
    std::size_t byteSize() const { return static_cast<std::size_t>(rowStride) * pixelHeight; }

    std::uint8_t* pixels() { return pixelData.get(); }
    const std::uint8_t* pixels() const { return pixelData.get(); }

    static int strideFor(int width) { return (width * 3 + 3) & ~3; }

    // The largest width or height we make a bitmap for (and decode at all): far above any
    // recorder frame, small enough that a lying frame header cannot exhaust memory.
    static constexpr int maxSide = 8192;

private:
    std::unique_ptr<std::uint8_t[]> pixelData;
    int pixelWidth = 0;
    int pixelHeight = 0;
    int rowStride = 0;
};
