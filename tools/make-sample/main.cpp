// Writes the sample recording: 640 x 480 4:2:0 frames numbered 1, 4, ..., 601 (-15 s to +5 s),
// the first one carrying the EXIF capture date. The output depends on nothing but this code.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <vector>

#include "ExifSegment.h"
#include "JpegEncoder.h"
#include "RecordingFileWriter.h"
#include "RoadScene.h"

namespace {

constexpr int frameWidth = 640;
constexpr int frameHeight = 480;
constexpr int firstNumber = 1;
constexpr int lastNumber = 601;
constexpr int numberStep = 3;  // 10 frames a second on the 1/30 s time code
constexpr const char* captureDate = "2026:11:28 14:35:07";

std::vector<std::uint8_t> buildRecording() {
    const int frameCount = (lastNumber - firstNumber) / numberStep + 1;
    std::vector<std::uint8_t> file;
    for (int i = 0; i < frameCount; ++i) {
        const std::vector<std::uint8_t> rgb =
            renderRoadScene(frameWidth, frameHeight, i, frameCount);
        JpegEncodeOptions options;
        if (i == 0) {
            options.app1 = makeExifSegment(captureDate);
        }
        appendFrame(file, firstNumber + i * numberStep,
                    encodeJpeg(frameWidth, frameHeight, rgb, options));
    }
    return file;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT_PATH\n", argc > 0 ? argv[0] : "halcyra-make-sample");
        return 2;
    }
    try {
        if (!writeFile(argv[1], buildRecording())) {
            std::fprintf(stderr, "cannot write %s\n", argv[1]);
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
