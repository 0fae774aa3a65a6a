#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ExifDateReader.h"
#include "ExifSegment.h"
#include "FileBytes.h"
#include "JpegEncoder.h"
#include "RecordingFileWriter.h"
#include "RoadScene.h"
#include "TempFolder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(const char* text, std::size_t n) {
    return Bytes(reinterpret_cast<const std::uint8_t*>(text),
                 reinterpret_cast<const std::uint8_t*>(text) + n);
}

struct FrameHeader {
    int width = 0;
    int height = 0;
    // Horizontal and vertical sampling factor of each component, in order.
    std::vector<std::pair<int, int>> sampling;
};

// Walks the segments by their lengths up to the baseline frame header (SOF0). Also collects
// the marker codes seen on the way.
std::optional<FrameHeader> baselineHeader(const Bytes& jpeg, std::vector<int>* markers = nullptr) {
    if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) {
        return std::nullopt;
    }
    std::size_t pos = 2;
    while (pos + 4 <= jpeg.size() && jpeg[pos] == 0xFF) {
        const int code = jpeg[pos + 1];
        const std::size_t length = (jpeg[pos + 2] << 8) | jpeg[pos + 3];
        if (markers != nullptr) {
            markers->push_back(code);
        }
        if (code == 0xC0 && pos + 10 <= jpeg.size()) {
            FrameHeader h;
            h.height = (jpeg[pos + 5] << 8) | jpeg[pos + 6];
            h.width = (jpeg[pos + 7] << 8) | jpeg[pos + 8];
            const int components = jpeg[pos + 9];
            for (int c = 0; c < components && pos + 12 + 3 * c <= jpeg.size(); ++c) {
                const std::uint8_t factors = jpeg[pos + 11 + 3 * c];
                h.sampling.emplace_back(factors >> 4, factors & 15);
            }
            return h;
        }
        pos += 2 + length;
    }
    return std::nullopt;
}

std::vector<std::pair<int, int>> factors(std::initializer_list<std::pair<int, int>> list) {
    return list;
}

}  // namespace

TEST(RecordingFileWriter, AppendFrameWritesTheExactHeader) {
    Bytes jpeg(0x0102);
    for (std::size_t i = 0; i < jpeg.size(); ++i) {
        jpeg[i] = static_cast<std::uint8_t>(i);
    }
    Bytes file;
    appendFrame(file, 4, jpeg);
    appendFrame(file, 999, {});
    appendFrame(file, -99, {});
    ASSERT_EQ(file.size(), 12 + jpeg.size() + 24);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 12), bytesOf("004.jpg\0\x02\x01\0\0", 12));
    EXPECT_EQ(Bytes(file.begin() + 12, file.begin() + 12 + 0x0102), jpeg);
    EXPECT_EQ(Bytes(file.end() - 24, file.end()),
              bytesOf("999.jpg\0\0\0\0\0-99.jpg\0\0\0\0\0", 24));

    EXPECT_THROW(appendFrame(file, 1000, jpeg), std::invalid_argument);
    EXPECT_THROW(appendFrame(file, -100, jpeg), std::invalid_argument);
}

TEST(RecordingFileWriter, RawRecordAndFileWrite) {
    Bytes file;
    appendRawRecord(file, {'0', '0', '2', '.', 'j', 'p', 'e', 'g'}, -1, Bytes{1, 2, 3});
    EXPECT_EQ(file, bytesOf("002.jpeg\xFF\xFF\xFF\xFF\x01\x02\x03", 15));

    const TempFolder folder;
    const std::string path = folder.file("write.dat");
    ASSERT_TRUE(writeFile(path, file));
    EXPECT_EQ(readFileBytes(path), file);
    ASSERT_TRUE(writeFile(path, {}));
    EXPECT_TRUE(readFileBytes(path).empty());
    EXPECT_FALSE(writeFile("/nonexistent-halcyra-folder/x.dat", file));
}

TEST(JpegEncoder, FramesAreBaselineWithTheAskedSampling) {
    const Bytes rgb = renderRoadScene(48, 32, 3, 10);
    struct Case {
        ChromaSubsampling subsampling;
        std::vector<std::pair<int, int>> expected;
    };
    for (const Case& c : {Case{ChromaSubsampling::Yuv420, factors({{2, 2}, {1, 1}, {1, 1}})},
                          Case{ChromaSubsampling::Yuv422, factors({{2, 1}, {1, 1}, {1, 1}})},
                          Case{ChromaSubsampling::Yuv444, factors({{1, 1}, {1, 1}, {1, 1}})}}) {
        JpegEncodeOptions options;
        options.subsampling = c.subsampling;
        const std::optional<FrameHeader> h = baselineHeader(encodeJpeg(48, 32, rgb, options));
        ASSERT_TRUE(h);
        EXPECT_EQ(h->width, 48);
        EXPECT_EQ(h->height, 32);
        EXPECT_EQ(h->sampling, c.expected);
    }

    JpegEncodeOptions grey;
    grey.grayscale = true;
    const std::optional<FrameHeader> g = baselineHeader(encodeJpeg(48, 32, rgb, grey));
    ASSERT_TRUE(g);
    EXPECT_EQ(g->sampling.size(), 1u);

    const Bytes cmyk(16 * 8 * 4, 0x40);
    const std::optional<FrameHeader> k = baselineHeader(encodeCmykJpeg(16, 8, cmyk));
    ASSERT_TRUE(k);
    EXPECT_EQ(k->sampling.size(), 4u);

    EXPECT_THROW(encodeJpeg(48, 32, std::span(rgb).first(rgb.size() - 1)), std::invalid_argument);
    EXPECT_THROW(encodeJpeg(0, 32, rgb), std::invalid_argument);
    EXPECT_THROW(encodeCmykJpeg(16, 9, cmyk), std::invalid_argument);
}

TEST(JpegEncoder, App1ReplacesJfifRightAfterStartOfImage) {
    const Bytes rgb = renderRoadScene(16, 16, 0, 1);
    std::vector<int> jfifMarkers;
    ASSERT_TRUE(baselineHeader(encodeJpeg(16, 16, rgb), &jfifMarkers));
    EXPECT_EQ(jfifMarkers.front(), 0xE0);

    JpegEncodeOptions options;
    options.app1 = makeExifSegment("2026:11:28 14:35:07");
    const Bytes jpeg = encodeJpeg(16, 16, rgb, options);
    ASSERT_EQ(Bytes(jpeg.begin() + 2, jpeg.begin() + 2 + options.app1.size()), options.app1);
    std::vector<int> markers;
    ASSERT_TRUE(baselineHeader(jpeg, &markers));
    EXPECT_EQ(markers.front(), 0xE1);
    EXPECT_EQ(std::count(markers.begin(), markers.end(), 0xE0), 0);
}

TEST(RoadScene, DeterministicAndMoving) {
    const Bytes a = renderRoadScene(64, 48, 5, 20);
    EXPECT_EQ(a.size(), 64u * 48u * 3u);
    EXPECT_EQ(renderRoadScene(64, 48, 5, 20), a);
    EXPECT_NE(renderRoadScene(64, 48, 6, 20), a);
    EXPECT_TRUE(renderRoadScene(0, 48, 0, 1).empty());
    EXPECT_TRUE(renderRoadScene(64, -1, 0, 1).empty());
}

// Tests elsewhere rely on this layout of the generated sample.
TEST(SampleRecording, FramesNumberedOneToSixHundredOneWithTheDateInFrameZero) {
    const Bytes file = readFileBytes(HALCYRA_SAMPLE_PATH);
    ASSERT_GE(file.size(), 12u);
    EXPECT_EQ(std::memcmp(file.data(), "001.jpg\0", 8), 0);

    std::size_t pos = 0;
    int index = 0;
    tjhandle decoder = tjInitDecompress();
    ASSERT_NE(decoder, nullptr);
    while (pos + 12 <= file.size()) {
        std::int32_t size = 0;
        std::memcpy(&size, &file[pos + 8], 4);  // the build machines are little-endian
        ASSERT_GT(size, 0);
        ASSERT_LE(pos + 12 + static_cast<std::size_t>(size), file.size());
        const std::array<char, 8> expectedName = frameName(1 + 3 * index);
        EXPECT_EQ(std::memcmp(&file[pos], expectedName.data(), 8), 0) << "frame " << index;

        const Bytes jpeg(file.begin() + static_cast<std::ptrdiff_t>(pos + 12),
                         file.begin() + static_cast<std::ptrdiff_t>(pos + 12 + size));
        ExifDateReader reader;
        EXPECT_EQ(reader.parse(jpeg.data(), jpeg.size()), index == 0) << "frame " << index;
        if (index == 0) {
            EXPECT_EQ(reader.getDate(), "2026:11:28 14:35:07");
        }
        if (index == 0 || index == 150) {
            const std::optional<FrameHeader> h = baselineHeader(jpeg);
            ASSERT_TRUE(h);
            EXPECT_EQ(h->width, 640);
            EXPECT_EQ(h->height, 480);
            EXPECT_EQ(h->sampling, factors({{2, 2}, {1, 1}, {1, 1}}));
            Bytes pixels(640 * 480 * 3);
            EXPECT_EQ(tjDecompress2(decoder, jpeg.data(), jpeg.size(), pixels.data(), 640, 0, 480,
                                    TJPF_RGB, 0),
                      0);
        }
        pos += 12 + static_cast<std::size_t>(size);
        ++index;
    }
    tjDestroy(decoder);
    EXPECT_EQ(pos, file.size());
    EXPECT_EQ(index, 201);
}
