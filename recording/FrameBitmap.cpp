#include "FrameBitmap.h"

#include <cstring>
#include <new>

bool FrameBitmap::isAcceptableSize(long long width, long long height) {
    if (width <= 0 || height <= 0 || width > maxSide || height > maxSide) {
        return false;
    }
    const auto bytes = static_cast<std::size_t>(strideFor(static_cast<int>(width))) *
                       static_cast<std::size_t>(height);
    return bytes <= maxByteSize;
}

bool FrameBitmap::create(int width, int height) {
    if (!isAcceptableSize(width, height)) {
        release();
        return false;
    }
    if (pixelData && width == pixelWidth && height == pixelHeight) {
        std::memset(pixelData.get(), 0, byteSize());
        return true;
    }
    release();
    const int stride = strideFor(width);
    try {
        pixelData = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(stride) *
                                                     static_cast<std::size_t>(height));
    } catch (const std::bad_alloc&) {
        return false;
    }
    pixelWidth = width;
    pixelHeight = height;
    rowStride = stride;
    return true;
}

void FrameBitmap::release() {
    pixelData.reset();
    pixelWidth = 0;
    pixelHeight = 0;
    rowStride = 0;
}
