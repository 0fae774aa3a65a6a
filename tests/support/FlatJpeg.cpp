#include "FlatJpeg.h"

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
