#include "TestRecordings.h"

#include <cstdlib>

#include "FlatJpeg.h"
#include "FrameBitmap.h"
#include "RecordingFileWriter.h"

namespace {

FlatColour shadeColour(int shade) {
    return {(shade * 53 + 30) % 256, (shade * 97 + 60) % 256, (shade * 31 + 200) % 256};
}

}  // namespace

std::vector<std::uint8_t> flatFrame(int shade, int width, int height) {
    return flatJpeg(shadeColour(shade), width, height);
}

int shadeOf(const FrameBitmap& bitmap) {
    if (!bitmap.isCreated()) {
        return -1;
    }
    const std::uint8_t* p = bitmap.pixels();
    int best = -1;
    int bestDistance = 1 << 30;
    for (int shade = 0; shade < 64; ++shade) {
        const FlatColour c = shadeColour(shade);
        const int d =
            std::abs(p[2] - c.red) + std::abs(p[1] - c.green) + std::abs(p[0] - c.blue);
        if (d < bestDistance) {
            bestDistance = d;
            best = shade;
        }
    }
    return best;
}

std::vector<std::uint8_t> recordingOfNumbers(const std::vector<int>& numbers) {
    std::vector<std::uint8_t> file;
    for (std::size_t k = 0; k < numbers.size(); ++k) {
        appendFrame(file, numbers[k], flatFrame(static_cast<int>(k)));
    }
    return file;
}
