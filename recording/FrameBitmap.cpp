#include "FrameBitmap.h"

bool FrameBitmap::create(int width, int height) {
    if (width <= 0 || height <= 0 || width > maxSide || height > maxSide) {
        release();
        return false;
    }
    if (pixelData && width == pixelWidth && height == pixelHeight) {
        return true;
    }
    release();
    const int stride = strideFor(width);
    // Zeroed, as a freshly created bitmap of the window system is.
    pixelData = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(stride) * height);
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
