#include "FlatJpeg.h"

#include <cstdlib>

#include "JpegEncoder.h"

std::vector<std::uint8_t> flatJpeg(FlatColour colour, int width, int height) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0; i < rgb.size(); i += 3) {
        rgb[i] = static_cast<std::uint8_t>(colour.red);
        rgb[i + 1] = static_cast<std::uint8_t>(colour.green);
        rgb[i + 2] = static_cast<std::uint8_t>(colour.blue);
    }
    JpegEncodeOptions options;
    options.quality = 95;
    options.subsampling = ChromaSubsampling::Yuv444;
    return encodeJpeg(width, height, rgb, options);
}

int nearestColour(const std::uint8_t* bgr, std::span<const FlatColour> palette) {
    int best = -1;
    int bestDistance = 1 << 30;
    for (std::size_t k = 0; k < palette.size(); ++k) {
        const FlatColour& c = palette[k];
        const int distance =
            std::abs(bgr[2] - c.red) + std::abs(bgr[1] - c.green) + std::abs(bgr[0] - c.blue);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<int>(k);
        }
    }
    return best;
}
