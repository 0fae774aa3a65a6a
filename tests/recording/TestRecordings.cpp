#include "TestRecordings.h"

#include <atomic>
#include <cstdlib>
#include <unistd.h>

#include "FrameBitmap.h"
#include "JpegEncoder.h"
#include "RecordingFileWriter.h"

namespace {

struct Rgb {
    int r, g, b;
};

Rgb shadeColour(int shade) {
    return {(shade * 53 + 30) % 256, (shade * 97 + 60) % 256, (shade * 31 + 200) % 256};
}

}  // namespace

std::vector<std::uint8_t> flatFrame(int shade, int width, int height) {
    const Rgb colour = shadeColour(shade);
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0; i < rgb.size(); i += 3) {
        rgb[i] = static_cast<std::uint8_t>(colour.r);
        rgb[i + 1] = static_cast<std::uint8_t>(colour.g);
        rgb[i + 2] = static_cast<std::uint8_t>(colour.b);
    }
    JpegEncodeOptions options;
    options.quality = 95;
    options.subsampling = ChromaSubsampling::Yuv444;
    return encodeJpeg(width, height, rgb, options);
}

int shadeOf(const FrameBitmap& bitmap) {
    if (!bitmap.isCreated()) {
        return -1;
    }
    const std::uint8_t* p = bitmap.pixels();
    int best = -1;
    int bestDistance = 1 << 30;
    for (int shade = 0; shade < 64; ++shade) {
        const Rgb c = shadeColour(shade);
        const int d = std::abs(p[2] - c.r) + std::abs(p[1] - c.g) + std::abs(p[0] - c.b);
        if (d < bestDistance) {
            bestDistance = d;
            best = shade;
        }
    }
    return best;
}

TempFile::TempFile(const std::vector<std::uint8_t>& bytes, const std::string& name) {
    static std::atomic<int> counter{0};
    dir = std::filesystem::temp_directory_path() /
          ("halcyra-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(dir);
    filePath = (dir / name).string();
    writeFile(filePath, bytes);
}

TempFile::~TempFile() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

std::vector<std::uint8_t> recordingOfNumbers(const std::vector<int>& numbers) {
    std::vector<std::uint8_t> file;
    for (std::size_t k = 0; k < numbers.size(); ++k) {
        appendFrame(file, numbers[k], flatFrame(static_cast<int>(k)));
    }
    return file;
}
