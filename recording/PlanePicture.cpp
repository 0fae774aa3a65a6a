#include "PlanePicture.h"

#include <new>

#include "FrameBitmap.h"

bool PlanePicture::create(int width, int height) {
    luma.clear();
    blue.clear();
    red.clear();
    pictureWidth = 0;
    pictureHeight = 0;
    if (!FrameBitmap::isAcceptableSize(width, height)) {
        return false;
    }
    pictureWidth = width;
    pictureHeight = height;
    const auto lumaSize = static_cast<std::size_t>(lumaWidth()) * lumaHeight();
    const auto chromaSize = static_cast<std::size_t>(chromaWidth()) * chromaHeight();
    try {
        luma.assign(lumaSize, 16);
        blue.assign(chromaSize, 128);
        red.assign(chromaSize, 128);
    } catch (const std::bad_alloc&) {
        luma.clear();
        blue.clear();
        red.clear();
        pictureWidth = 0;
        pictureHeight = 0;
        return false;
    }
    return true;
}
