#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "FrameBitmap.h"
#include "RoadScene.h"
#include "TestFrames.h"

namespace {

// The JFIF conversion in 16-bit fixed point, written out independently of the library.
class ScalarYccToBgr {
public:
    ScalarYccToBgr() {
        for (int i = 0; i < 256; ++i) {
            const std::int32_t x = i - 128;
            redFromCr[i] = (91881 * x + 32768) >> 16;
            blueFromCb[i] = (116130 * x + 32768) >> 16;
            greenFromCr[i] = -46802 * x;
            greenFromCb[i] = -22554 * x + 32768;
        }
    }

    std::array<std::uint8_t, 3> bgr(int y, int cb, int cr) const {
        const auto clamp = [](std::int32_t v) {
            return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
        };
        return {clamp(y + blueFromCb[cb]), clamp(y + ((greenFromCb[cb] + greenFromCr[cr]) >> 16)),
                clamp(y + redFromCr[cr])};
    }

private:
    std::array<std::int32_t, 256> redFromCr{}, blueFromCb{}, greenFromCr{}, greenFromCb{};
};

struct Scene {
    std::string name;
    int width;
    int height;
    std::vector<std::uint8_t> rgb;
};

std::vector<Scene> scenes() {
    return {{"road", 640, 480, renderRoadScene(640, 480, 200, 600)},
            {"sweep", 321, 181, colourSweep(321, 181)}};
}

TEST(ColourConversion, BgrBytesEqualTheFixedPointFormulaOnTheSameUpsampledSamples) {
    const ScalarYccToBgr formula;
    for (const Scene& scene : scenes()) {
        for (const ChromaSubsampling subsampling :
             {ChromaSubsampling::Yuv420, ChromaSubsampling::Yuv422, ChromaSubsampling::Yuv444}) {
            SCOPED_TRACE(scene.name + " subsampling " +
                         std::to_string(static_cast<int>(subsampling)));
            const auto jpeg = jpegOf(scene.width, scene.height, scene.rgb, subsampling);
            const FrameBitmap bitmap = decodedFrame(jpeg);
            const LibraryImage ycc = decodeWithLibrary(jpeg, LibraryOutput::YCbCr);
            ASSERT_EQ(bitmap.width(), scene.width);
            ASSERT_EQ(bitmap.height(), scene.height);
            ASSERT_EQ(ycc.components, 3);

            int mismatches = 0;
            for (int y = 0; y < scene.height; ++y) {
                for (int x = 0; x < scene.width; ++x) {
                    const std::uint8_t* in =
                        &ycc.samples[(static_cast<std::size_t>(y) * scene.width + x) * 3];
                    const std::uint8_t* out = bitmap.pixels() + y * bitmap.stride() + x * 3;
                    const auto expected = formula.bgr(in[0], in[1], in[2]);
                    if (!std::equal(expected.begin(), expected.end(), out) && mismatches++ == 0) {
                        ADD_FAILURE() << "first difference at " << x << "," << y;
                    }
                }
            }
            EXPECT_EQ(mismatches, 0);
        }
    }
}

TEST(ColourConversion, BytesAreBlueGreenRed) {
    std::vector<std::uint8_t> red(16 * 16 * 3, 0);
    for (std::size_t i = 0; i < red.size(); i += 3) {
        red[i] = 255;
    }
    const FrameBitmap bitmap = decodedFrame(jpegOf(16, 16, red, ChromaSubsampling::Yuv444));
    EXPECT_LT(bitmap.pixels()[0], 30);
    EXPECT_LT(bitmap.pixels()[1], 30);
    EXPECT_GT(bitmap.pixels()[2], 225);
}

TEST(ColourConversion, GreyscaleFrameComesOutGrey) {
    JpegEncodeOptions options;
    options.grayscale = true;
    const auto jpeg = encodeJpeg(40, 24, colourSweep(40, 24), options);
    const FrameBitmap bitmap = decodedFrame(jpeg);
    const LibraryImage grey = decodeWithLibrary(jpeg, LibraryOutput::Grey);
    ASSERT_EQ(bitmap.width(), 40);
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 40; ++x) {
            const std::uint8_t* pixel = bitmap.pixels() + y * bitmap.stride() + x * 3;
            const std::uint8_t value = grey.samples[static_cast<std::size_t>(y) * 40 + x];
            ASSERT_EQ(pixel[0], value) << x << "," << y;
            ASSERT_EQ(pixel[1], value) << x << "," << y;
            ASSERT_EQ(pixel[2], value) << x << "," << y;
        }
    }
}

}  // namespace
