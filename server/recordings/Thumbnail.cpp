#include "Thumbnail.h"

#include <memory>
#include <vector>

#include <turbojpeg.h>

#include "RecordingHead.h"

namespace {

// The frame number at which the readout passes 0.000 s.
constexpr std::int32_t eventNumber = 451;
constexpr int targetWidth = 160;
constexpr int targetHeight = 120;
constexpr int quality = 80;

struct TurboJpegFree {
    void operator()(void* handle) const { tjDestroy(handle); }
};

}  // namespace

std::optional<std::string> thumbnailOf(const std::string& recordingPath) {
    const std::vector<std::uint8_t> jpeg = recordingHead::eventFrameJpeg(recordingPath, eventNumber);
    if (jpeg.empty()) {
        return std::nullopt;
    }
    const std::unique_ptr<void, TurboJpegFree> decoder(tjInitDecompress());
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourSpace = 0;
    const auto size = static_cast<unsigned long>(jpeg.size());
    if (!decoder || tjDecompressHeader3(decoder.get(), jpeg.data(), size, &width, &height, &subsampling,
                                        &colourSpace) != 0 ||
        width <= 0 || height <= 0) {
        return std::nullopt;
    }
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    tjscalingfactor chosen{1, 1};
    for (int i = 0; i < count; ++i) {
        const tjscalingfactor f = factors[i];
        const bool covers = TJSCALED(width, f) >= targetWidth && TJSCALED(height, f) >= targetHeight;
        if (covers && TJSCALED(width, f) < TJSCALED(width, chosen)) {
            chosen = f;
        }
    }
    const int w = TJSCALED(width, chosen);
    const int h = TJSCALED(height, chosen);
    std::vector<unsigned char> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3);
    if (tjDecompress2(decoder.get(), jpeg.data(), size, pixels.data(), w, w * 3, h, TJPF_RGB, 0) != 0 &&
        tjGetErrorCode(decoder.get()) != TJERR_WARNING) {
        return std::nullopt;  // a cut frame's warning still gives its picture
    }
    const std::unique_ptr<void, TurboJpegFree> encoder(tjInitCompress());
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    if (!encoder || tjCompress2(encoder.get(), pixels.data(), w, w * 3, h, TJPF_RGB, &out, &outSize,
                                TJSAMP_420, quality, 0) != 0) {
        tjFree(out);
        return std::nullopt;
    }
    std::string bytes(reinterpret_cast<const char*>(out), outSize);
    tjFree(out);
    return bytes;
}
