// The bytes of one frame into a bitmap of its own size (as the first frame of a recording)
// and into a small bitmap of another size (as every later frame), from a copy that ends at
// an inaccessible page; then into planes of that small size, as the share copy decodes.
#include <algorithm>
#include <cstring>

#include "FrameBitmap.h"
#include "FuzzEntries.h"
#include "GuardedCopy.h"
#include "JpegFrameDecoder.h"
#include "PlanePicture.h"

namespace {

// Only to keep every input quick: a damaged header may announce any size up to the
// bitmap's limits, and all its rows would be decoded.
constexpr long long maxPixels = 1LL << 22;
constexpr int smallWidth = 37;  // rows of 111 bytes, padded to 112
constexpr int smallHeight = 23;
constexpr std::uint8_t untouched = 0xA5;

// True when the decode ran to completion, false when it failed as documented (int 1).
bool decode(std::span<const std::uint8_t> jpeg, FrameBitmap& target, bool ownSize, int& width,
            int& height) {
    const auto targetFor = [&](int frameWidth, int frameHeight) -> FrameBitmap* {
        width = frameWidth;
        height = frameHeight;
        if (static_cast<long long>(frameWidth) * frameHeight > maxPixels) {
            return nullptr;
        }
        if (ownSize && !target.create(frameWidth, frameHeight)) {
            return nullptr;
        }
        return &target;
    };
    try {
        return decodeJpegFrame(jpeg, targetFor);
    } catch (int code) {
        fuzzCheck(code == 1, "decoder threw an int other than 1");
        return false;
    }
}

// Into planes of the small size: only the frame's top-left part of each plane is written.
void decodePlanes(std::span<const std::uint8_t> jpeg) {
    PlanePicture planes;
    fuzzCheck(planes.create(smallWidth, smallHeight), "small planes refused");
    std::memset(planes.y(), untouched, static_cast<std::size_t>(planes.lumaWidth()) * planes.lumaHeight());
    const auto chromaSize = static_cast<std::size_t>(planes.chromaWidth()) * planes.chromaHeight();
    std::memset(planes.cb(), untouched, chromaSize);
    std::memset(planes.cr(), untouched, chromaSize);
    int width = 0;
    int height = 0;
    const auto targetFor = [&](int frameWidth, int frameHeight) -> PlanePicture* {
        width = frameWidth;
        height = frameHeight;
        return static_cast<long long>(frameWidth) * frameHeight > maxPixels ? nullptr : &planes;
    };
    try {
        static_cast<void>(decodeJpegPlanes(jpeg, targetFor));
    } catch (int code) {
        fuzzCheck(code == 1, "plane decoder threw an int other than 1");
    }
    const auto untouchedBeyond = [](const std::uint8_t* plane, int stride, int planeRows,
                                    int columns, int rows) {
        for (int y = 0; y < planeRows; ++y) {
            const std::uint8_t* row = plane + static_cast<std::size_t>(y) * stride;
            const int from = y < rows ? columns : 0;
            if (!std::all_of(row + from, row + stride,
                             [](std::uint8_t b) { return b == untouched; })) {
                return false;
            }
        }
        return true;
    };
    const int columns = std::clamp(width, 0, smallWidth);
    const int rows = std::clamp(height, 0, smallHeight);
    fuzzCheck(untouchedBeyond(planes.y(), planes.lumaWidth(), planes.lumaHeight(), columns, rows) &&
                  untouchedBeyond(planes.cb(), planes.chromaWidth(), planes.chromaHeight(),
                                  (columns + 1) / 2, (rows + 1) / 2) &&
                  untouchedBeyond(planes.cr(), planes.chromaWidth(), planes.chromaHeight(),
                                  (columns + 1) / 2, (rows + 1) / 2),
              "plane decoder wrote outside the frame's part of the planes");
}

}  // namespace

void fuzzJpegDecode(std::span<const std::uint8_t> input) {
    const GuardedCopy copy(input);

    FrameBitmap own;
    int width = 0;
    int height = 0;
    const bool ownDecoded = decode(copy.bytes(), own, true, width, height);
    fuzzCheck(!ownDecoded || (own.width() == width && own.height() == height),
              "bitmap of the frame's own size has another size");

    FrameBitmap small;
    fuzzCheck(small.create(smallWidth, smallHeight), "small bitmap refused");
    std::memset(small.pixels(), untouched, small.byteSize());
    width = 0;
    height = 0;
    const bool smallDecoded = decode(copy.bytes(), small, false, width, height);

    // Only the top-left corner that both share is written; padding, columns and rows beyond
    // the frame keep what they held.
    const int rows = std::min(height, smallHeight);
    const std::size_t written = static_cast<std::size_t>(std::clamp(width, 0, smallWidth)) * 3;
    for (int y = 0; y < smallHeight; ++y) {
        const std::uint8_t* row = small.pixels() + static_cast<std::size_t>(y) * small.stride();
        const std::size_t from = y < rows ? written : 0;
        fuzzCheck(std::all_of(row + from, row + small.stride(),
                              [](std::uint8_t b) { return b == untouched; }),
                  "decoder wrote outside the frame's part of the bitmap");
    }

    if (ownDecoded && smallDecoded) {
        for (int y = 0; y < rows; ++y) {
            fuzzCheck(std::memcmp(small.pixels() + static_cast<std::size_t>(y) * small.stride(),
                                  own.pixels() + static_cast<std::size_t>(y) * own.stride(),
                                  written) == 0,
                      "the same frame decoded to different pixels");
        }
    }

    decodePlanes(copy.bytes());
}
