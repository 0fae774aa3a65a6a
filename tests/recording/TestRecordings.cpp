#include "TestRecordings.h"

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
    std::vector<FlatColour> palette;
    for (int shade = 0; shade < 64; ++shade) {
        palette.push_back(shadeColour(shade));
    }
    return nearestColour(bitmap.pixels(), palette);
}

std::vector<std::uint8_t> recordingOfNumbers(const std::vector<int>& numbers) {
    std::vector<std::uint8_t> file;
    for (std::size_t k = 0; k < numbers.size(); ++k) {
        appendFrame(file, numbers[k], flatFrame(static_cast<int>(k)));
    }
    return file;
}
