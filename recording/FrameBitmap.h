#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// A 24-bit picture with blue-green-red pixels, rows top-down, each row padded to a multiple
// of 4 bytes: the layout of a device-independent bitmap, written directly by the decoder.
class FrameBitmap {
public:
    // Largest side and largest pixel memory that create() accepts; the decoder refuses
    // frames beyond them before it allocates anything for them.
    static constexpr int maxSide = 16384;
    static constexpr std::size_t maxByteSize = std::size_t{256} << 20;

    // Allocates zeroed pixel memory for width x height; reuses (and zeroes) the memory it
    // already holds when the size is the same. Returns false (and holds nothing) for a size
    // it refuses or memory it cannot get.
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
    static bool isAcceptableSize(long long width, long long height);

private:
    std::unique_ptr<std::uint8_t[]> pixelData;
    int pixelWidth = 0;
    int pixelHeight = 0;
    int rowStride = 0;
};
