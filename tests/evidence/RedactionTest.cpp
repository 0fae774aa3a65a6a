#include <gtest/gtest.h>

#include <filesystem>
#include <cstring>
#include <fstream>
#include <set>

#include <QImage>

#include "ClipExport.h"
#include "JpegEncoder.h"
#include "PlanePicture.h"
#include "Recording.h"
#include "RecordingFileWriter.h"
#include "RedactionFile.h"
#include "RedactionMosaic.h"
#include "SharePictures.h"
#include "StandInOwner.h"
#include "TempFolder.h"

namespace {

RedactionRegion regionOf(std::initializer_list<RedactionKey> keys,
                         RedactionLabel label = RedactionLabel::Plate) {
    RedactionRegion region(label);
    for (const RedactionKey& key : keys) {
        region.setKey(key);
    }
    return region;
}

// Every pixel different from its neighbours, so that any untouched pixel shows.
QImage noise(int width, int height, unsigned seed) {
    QImage image(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* line = image.scanLine(y);
        for (int x = 0; x < width * 3; ++x) {
            line[x] = static_cast<std::uint8_t>(((y * 977u + x) * 2654435761u + seed) >> 11);
        }
    }
    return image;
}

std::optional<RedactionPlan> parse(const std::string& text, std::string& error) {
    return parseRedaction(std::span<const char>(text.data(), text.size()), error);
}

}  // namespace

TEST(RedactionRegionTest, MovesAndGrowsLinearlyBetweenKeysAndLivesFromFirstToLastKey) {
    const RedactionRegion region =
        regionOf({{440, {100, 120, 48, 24}}, {470, {140, 118, 60, 30}}, {480, {140, 118, 60, 30}}});
    EXPECT_FALSE(region.rectAt(439));
    EXPECT_EQ(region.rectAt(440), (RedactionRect{100, 120, 48, 24}));
    // A third of the way: 100 + 40/3 = 113.3, 120 - 2/3 = 119.3, 48 + 4, 24 + 2.
    EXPECT_EQ(region.rectAt(450), (RedactionRect{113, 119, 52, 26}));
    // Halfway rounds half away from zero on both sides of a key.
    EXPECT_EQ(region.rectAt(455), (RedactionRect{120, 119, 54, 27}));
    EXPECT_EQ(region.rectAt(470), (RedactionRect{140, 118, 60, 30}));
    EXPECT_EQ(region.rectAt(480), (RedactionRect{140, 118, 60, 30}));
    EXPECT_FALSE(region.rectAt(481));

    const RedactionRegion single = regionOf({{7, {1, 2, 3, 4}}});
    EXPECT_FALSE(single.rectAt(6));
    EXPECT_TRUE(single.rectAt(7));
    EXPECT_FALSE(single.rectAt(8));

    RedactionRegion edited = regionOf({{10, {0, 0, 10, 10}}, {20, {10, 0, 10, 10}}});
    edited.setKey({15, {100, 100, 10, 10}});
    edited.setKey({10, {0, 0, 20, 20}});
    ASSERT_EQ(edited.keys().size(), 3u);
    EXPECT_EQ(edited.keys()[1].index, 15u);
    EXPECT_EQ(edited.rectAt(10), (RedactionRect{0, 0, 20, 20}));
    EXPECT_TRUE(edited.removeKey(15));
    EXPECT_FALSE(edited.removeKey(15));
    EXPECT_EQ(edited.rectAt(15), (RedactionRect{5, 0, 15, 15}));
}

TEST(RedactionRegionTest, ClipsToThePictureAndLeavesNothingOutside) {
    EXPECT_EQ((RedactionRect{-10, -5, 30, 20}.clippedTo(64, 48)), (RedactionRect{0, 0, 20, 15}));
    EXPECT_EQ((RedactionRect{50, 40, 30, 20}.clippedTo(64, 48)), (RedactionRect{50, 40, 14, 8}));
    EXPECT_FALSE((RedactionRect{64, 0, 10, 10}.clippedTo(64, 48)));
    EXPECT_FALSE((RedactionRect{-10, 0, 10, 10}.clippedTo(64, 48)));
    EXPECT_FALSE((RedactionRect{-999999, -999999, 999999, 999999}.clippedTo(64, 48)));
    EXPECT_EQ((RedactionRect{-999999, -999999, 1000000, 1000000}.clippedTo(64, 48)),
              (RedactionRect{0, 0, 1, 1}));

    RedactionPlan plan;
    plan.regions().push_back(regionOf({{0, {40, 30, 100, 100}}}));
    const QImage original = noise(64, 48, 1);
    QImage redacted = original.copy();
    redactPicture(redacted, plan, 0);
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            if (x < 40 || y < 30) {
                ASSERT_EQ(redacted.pixel(x, y), original.pixel(x, y)) << x << "," << y;
            }
        }
    }
    EXPECT_NE(redacted, original);
    // At another frame the region does not exist: nothing changes.
    QImage other = original.copy();
    redactPicture(other, plan, 1);
    EXPECT_EQ(other, original);
}

TEST(RedactionMosaicTest, BlocksAreFlatMeansAndForgetTheDetailInside) {
    EXPECT_EQ(mosaicBlockSize({0, 0, 30, 20}), 8);
    EXPECT_EQ(mosaicBlockSize({0, 0, 300, 120}), 10);
    EXPECT_EQ(mosaicBlockSize({0, 0, 300, 121}), 11);

    // Two pictures whose 8x8 blocks have the same means but different detail inside.
    QImage a(32, 16, QImage::Format_BGR888);
    QImage b(32, 16, QImage::Format_BGR888);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 32; ++x) {
            const bool checker = ((x + y) % 2) == 0;
            a.setPixelColor(x, y, checker ? QColor(200, 0, 100) : QColor(0, 200, 50));
            b.setPixelColor(x, y, x % 8 < 4 ? QColor(200, 0, 100) : QColor(0, 200, 50));
        }
    }
    RedactionPlan plan;
    plan.regions().push_back(regionOf({{0, {0, 0, 32, 16}}}));
    redactPicture(a, plan, 0);
    redactPicture(b, plan, 0);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.pixelColor(5, 5), QColor(100, 100, 75));

    // On noise: every block is one colour, and no untouched pixel is left at the edges of
    // an area that the blocks do not divide evenly.
    const QImage original = noise(61, 45, 7);
    QImage redacted = original.copy();
    plan.regions().front() = regionOf({{0, {3, 2, 53, 41}}});
    redactPicture(redacted, plan, 0);
    int changed = 0;
    for (int y = 2; y < 43; ++y) {
        for (int x = 3; x < 56; ++x) {
            changed += redacted.pixel(x, y) != original.pixel(x, y) ? 1 : 0;
        }
    }
    EXPECT_GT(changed, 53 * 41 * 9 / 10);
    int flatEdges = 0;
    for (int y = 3; y < 43; ++y) {
        // Runs of one colour are at least a block (8) long along every row of the area.
        int run = 1;
        int shortest = 1000;
        for (int x = 4; x < 56; ++x) {
            if (redacted.pixel(x, y) == redacted.pixel(x - 1, y)) {
                ++run;
            } else {
                shortest = std::min(shortest, run);
                run = 1;
            }
        }
        shortest = std::min(shortest, run);
        flatEdges += shortest >= 8 ? 1 : 0;
    }
    EXPECT_EQ(flatEdges, 40);
    EXPECT_EQ(redacted.pixel(2, 2), original.pixel(2, 2));
    EXPECT_EQ(redacted.pixel(56, 42), original.pixel(56, 42));
}

TEST(RedactionFileTest, ReadsTheDocumentedFileAndWritesItBackUnchanged) {
    const std::string text = R"({"version": 1, "regions": [{"label": "plate", "keys": [
      {"index": 440, "x": 100, "y": 120, "w": 48, "h": 24},
      {"index": 470, "x": 140, "y": 118, "w": 60, "h": 30}]},
      {"label": "face", "keys": [{"index": 3, "x": -5, "y": -6, "w": 7, "h": 8}]},
      {"label": "other", "keys": [{"index": 0, "x": 1, "y": 2, "w": 3, "h": 4}]}]})";
    std::string error;
    const auto plan = parse(text, error);
    ASSERT_TRUE(plan) << error;
    ASSERT_EQ(plan->regions().size(), 3u);
    EXPECT_EQ(plan->regions()[0].label(), RedactionLabel::Plate);
    EXPECT_EQ(plan->regions()[1].label(), RedactionLabel::Face);
    EXPECT_EQ(plan->regions()[2].label(), RedactionLabel::Other);
    EXPECT_EQ(plan->regions()[0].keys()[1], (RedactionKey{470, {140, 118, 60, 30}}));
    EXPECT_EQ(plan->regions()[1].keys()[0].rect, (RedactionRect{-5, -6, 7, 8}));

    const std::string written = redactionJson(*plan);
    const auto again = parse(written, error);
    ASSERT_TRUE(again) << error << "\n" << written;
    EXPECT_EQ(redactionJson(*again), written);
    EXPECT_FALSE(redactionMisfit(*plan, 471));
    EXPECT_NE(redactionMisfit(*plan, 470).value_or("").find("index 470 is past the recording's "
                                                            "last frame (469)"),
              std::string::npos);
    EXPECT_TRUE(parse(R"({"version": 1, "regions": []})", error)) << error;
}

TEST(RedactionFileTest, RefusesEveryMalformedFileNamingWhatIsWrong) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "not valid JSON"},
        {"{\"version\": 1, \"regions\": [", "not valid JSON"},
        {"[1]", "one JSON object"},
        {R"({"regions": []})", "\"version\" is missing"},
        {R"({"version": "1", "regions": []})", "\"version\" must be a number"},
        {R"({"version": 2, "regions": []})", "unknown version 2"},
        {R"({"version": 1})", "\"regions\" must be a list"},
        {R"({"version": 1, "regions": [], "comment": "x"})", "unknown member \"comment\""},
        {R"({"version": 1, "regions": [7]})", "region 1: a region must be an object"},
        {R"({"version": 1, "regions": [{"label": "car", "keys": []}]})",
         "region 1: unknown label \"car\""},
        {R"({"version": 1, "regions": [{"keys": []}]})", "region 1: \"label\" must be"},
        {R"({"version": 1, "regions": [{"label": "face", "keys": []}]})",
         "region 1: \"keys\" must be a list of at least one key"},
        {R"({"version": 1, "regions": [{"label": "face", "key": []}]})",
         "region 1: unknown member \"key\""},
        {R"({"version": 1, "regions": [{"label": "face", "keys": [{"index": 1, "x": 0, "y": 0, "w": 4}]}]})",
         "region 1, key 1: \"h\" is missing"},
        {R"({"version": 1, "regions": [{"label": "face", "keys": [{"index": 1.5, "x": 0, "y": 0, "w": 4, "h": 4}]}]})",
         "region 1, key 1: \"index\" must be a whole number"},
        {R"({"version": 1, "regions": [{"label": "face", "keys": [{"index": -1, "x": 0, "y": 0, "w": 4, "h": 4}]}]})",
         "\"index\" is -1, outside"},
        {R"({"version": 1, "regions": [{"label": "face", "keys": [{"index": 1, "x": 0, "y": 0, "w": 0, "h": 4}]}]})",
         "\"w\" is 0, outside 1 .. 1000000"},
        {R"({"version": 1, "regions": [{"label": "face", "keys": [{"index": 1, "x": 1e300, "y": 0, "w": 4, "h": 4}]}]})",
         "\"x\" is"},
        {R"({"version": 1, "regions": [{"label": "face", "keys": [{"index": 1, "x": "0", "y": 0, "w": 4, "h": 4}]}]})",
         "\"x\" must be a whole number"},
        {R"({"version": 1, "regions": [{"label": "plate", "keys": [{"index": 1, "x": 0, "y": 0, "w": 4, "h": 4}]}, {"label": "face", "keys": [{"index": 9, "x": 0, "y": 0, "w": 4, "h": 4}, {"index": 9, "x": 0, "y": 0, "w": 4, "h": 4}]}]})",
         "region 2, key 2: index 9 is not after the key before it (9)"},
        {R"({"version": 1, "regions": [{"label": "face", "keys": [{"index": 9, "x": 0, "y": 0, "w": 4, "h": 4}, {"index": 3, "x": 0, "y": 0, "w": 4, "h": 4}]}]})",
         "index 3 is not after"},
    };
    for (const auto& [text, expected] : cases) {
        std::string error;
        EXPECT_FALSE(parse(text, error)) << text;
        EXPECT_NE(error.find(expected), std::string::npos) << text << "\n -> " << error;
    }

    TempFolder folder;
    std::string error;
    EXPECT_FALSE(readRedactionFile(folder.file("missing.json"), 10, error));
    EXPECT_EQ(error, folder.file("missing.json") + ": cannot be read");
    const std::string big = folder.file("big.json");
    {
        std::ofstream file(big, std::ios::binary);
        file << "{\"version\": 1, \"regions\": [" << std::string(redactionFileLimit, ' ') << "]}";
    }
    EXPECT_FALSE(readRedactionFile(big, 10, error));
    EXPECT_NE(error.find(big + ": larger than 8 MiB"), std::string::npos) << error;
}

TEST(RedactionShareCopyTest, TheEncodersPicturesAreRedactedWhereTheRegionIsAndOnlyThere) {
    // Three frames of noise: the region exists at the middle one only.
    TempFolder folder;
    std::vector<std::uint8_t> file;
    for (std::int32_t number : {1, 4, 7}) {
        const QImage picture = noise(64, 48, static_cast<unsigned>(number)).convertToFormat(
            QImage::Format_RGB888);
        std::vector<std::uint8_t> rgb(picture.constBits(),
                                      picture.constBits() + picture.sizeInBytes());
        appendFrame(file, number, encodeJpeg(64, 48, rgb));
    }
    ASSERT_TRUE(writeFile(folder.file("halcjpeg.dat"), file));
    StandInOwner owner;
    Recording recording;
    recording.setOwner(&owner);
    ASSERT_TRUE(recording.load(folder.file("halcjpeg.dat")));
    const std::vector<ClipFrame> timeline = clipTimeline(recording, 0, 2);

    RedactionPlan plan;
    plan.regions().push_back(regionOf({{1, {-4, 8, 24, 16}}}));
    SharePictures plain(recording, timeline, false, {}, nullptr, 64, 48);
    SharePictures redacted(recording, timeline, false, {}, &plan, 64, 48);
    for (std::uint32_t index = 0; index < 3; ++index) {
        const PlanePicture expected = plain.next().planes;
        const PlanePicture actual = redacted.next().planes;
        PlanePicture mosaic = expected;
        redactPlanes(mosaic, plan, index);
        EXPECT_EQ(actual, mosaic) << index;
        EXPECT_EQ(actual == expected, index != 1) << index;
    }
}

TEST(RedactionMosaicTest, PlanesGetTheBlocksOfThePictureAndWholeChromaBlocks) {
    // Odd sides and a region with odd edges; the luma plane holds the noise's blue bytes, so
    // its mosaic must be the picture mosaic's blue, pixel for pixel.
    const QImage original = noise(61, 45, 5);
    PlanePicture planes;
    ASSERT_TRUE(planes.create(61, 45));
    for (int y = 0; y < 45; ++y) {
        for (int x = 0; x < 61; ++x) {
            planes.y()[y * planes.lumaWidth() + x] = original.constScanLine(y)[x * 3];
        }
    }
    for (int i = 0; i < planes.chromaWidth() * planes.chromaHeight(); ++i) {
        planes.cb()[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 24);
        planes.cr()[i] = static_cast<std::uint8_t>((i * 40503u) >> 3);
    }
    const PlanePicture before = planes;
    RedactionPlan plan;
    plan.regions().push_back(regionOf({{0, {3, 7, 37, 26}}}));
    QImage mosaic = original.copy();
    redactPicture(mosaic, plan, 0);
    redactPlanes(planes, plan, 0);

    for (int y = 0; y < 45; ++y) {
        for (int x = 0; x < 61; ++x) {
            ASSERT_EQ(planes.y()[y * planes.lumaWidth() + x], mosaic.constScanLine(y)[x * 3])
                << x << "," << y;
        }
    }
    // Chroma: untouched where the region does not reach; where it does, flat over each block
    // of the picture's mosaic, and as many distinct values as the picture has blocks.
    std::set<std::uint32_t> pictureBlocks;
    for (int y = 7; y < 33; ++y) {
        for (int x = 3; x < 40; ++x) {
            const uchar* pixel = mosaic.constScanLine(y) + x * 3;
            pictureBlocks.insert(pixel[0] | (pixel[1] << 8) | (pixel[2] << 16));
        }
    }
    std::set<int> chromaBlocks;
    const int cw = planes.chromaWidth();
    for (int cy = 0; cy < planes.chromaHeight(); ++cy) {
        for (int cx = 0; cx < cw; ++cx) {
            const int at = cy * cw + cx;
            const bool touched = 2 * cx + 1 >= 3 && 2 * cx < 40 && 2 * cy + 1 >= 7 && 2 * cy < 33;
            if (!touched) {
                EXPECT_EQ(planes.cb()[at], before.cb()[at]) << cx << "," << cy;
                EXPECT_EQ(planes.cr()[at], before.cr()[at]) << cx << "," << cy;
                continue;
            }
            chromaBlocks.insert(planes.cb()[at] | (planes.cr()[at] << 8));
            // The right neighbour in the same picture block carries the same chroma.
            const int x = 2 * cx + 1;
            const int y = 2 * cy + 1;
            if (cx + 1 < cw && x + 2 < 40 && y < 33 &&
                std::memcmp(mosaic.constScanLine(y) + x * 3, mosaic.constScanLine(y) + (x + 1) * 3,
                            3) == 0 &&
                std::memcmp(mosaic.constScanLine(y) + x * 3, mosaic.constScanLine(y) + (x + 2) * 3,
                            3) == 0) {
                EXPECT_EQ(planes.cb()[at], planes.cb()[at + 1]) << cx << "," << cy;
            }
        }
    }
    EXPECT_EQ(chromaBlocks.size(), pictureBlocks.size());
}
