#include "JpegPictureSize.h"

namespace {

bool isFrameHeader(std::uint8_t marker) {
    // SOF0 .. SOF15, less DHT (C4), JPG (C8) and DAC (CC), which share the range.
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool standsAlone(std::uint8_t marker) {
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8);
}

}  // namespace

std::optional<std::pair<int, int>> jpegPictureSize(std::span<const std::uint8_t> jpeg) {
    const std::size_t size = jpeg.size();
    if (size < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) {
        return std::nullopt;
    }
    std::size_t at = 2;
    while (at + 1 < size) {
        if (jpeg[at] != 0xFF) {
            return std::nullopt;
        }
        std::uint8_t marker = jpeg[at + 1];
        ++at;
        while (marker == 0xFF && at + 1 < size) {  // fill bytes
            marker = jpeg[++at];
        }
        ++at;
        if (standsAlone(marker)) {
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA || at + 2 > size) {
            return std::nullopt;
        }
        const std::size_t length = (std::size_t{jpeg[at]} << 8) | jpeg[at + 1];
        if (length < 2) {
            return std::nullopt;
        }
        if (isFrameHeader(marker)) {
            if (length < 7 || at + 7 > size) {
                return std::nullopt;
            }
            const int height = (jpeg[at + 3] << 8) | jpeg[at + 4];
            const int width = (jpeg[at + 5] << 8) | jpeg[at + 6];
            return std::make_pair(width, height);
        }
        at += length;
    }
    return std::nullopt;
}
