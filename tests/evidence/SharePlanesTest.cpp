#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include <jpeglib.h>

#include "ClipExport.h"
#include "FrameBitmap.h"
#include "FramePictures.h"
#include "JpegEncoder.h"
#include "JpegFrameDecoder.h"
#include "PlanePicture.h"
#include "Recording.h"
#include "RecordingFileWriter.h"
#include "SharePictures.h"
#include "StandInOwner.h"
#include "TempFolder.h"

namespace {

// Gradients with a little texture, away from the ends of the range, so that the viewer's
// red-green-blue round trip clamps nothing.
std::vector<std::uint8_t> scene(int width, int height, int seed) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int texture = static_cast<int>(((x * 31 + y * 17 + seed) * 2654435761u) >> 28);
            std::uint8_t* pixel = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            pixel[0] = static_cast<std::uint8_t>(70 + (x * 90 / width + seed * 13) % 100 + texture);
            pixel[1] = static_cast<std::uint8_t>(70 + (y * 90 / height + seed * 29) % 100 + texture);
            pixel[2] = static_cast<std::uint8_t>(70 + ((x + y) * 45 / width + seed * 7) % 100);
        }
    }
    return rgb;
}

// What libjpeg itself makes of the frame as Y'CbCr (its chroma only repeated, never
// interpolated), each chroma sample of 4:2:0 the mean of the 2 x 2 it covers, the range
// converted in floating point.
PlanePicture referencePlanes(std::span<const std::uint8_t> jpeg) {
    jpeg_decompress_struct decompressor{};
    jpeg_error_mgr errors{};
    decompressor.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&decompressor);
    jpeg_mem_src(&decompressor, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&decompressor, TRUE);
    const bool rgb = decompressor.jpeg_color_space == JCS_RGB;
    if (decompressor.jpeg_color_space == JCS_YCbCr) {
        decompressor.out_color_space = JCS_YCbCr;
    }
    decompressor.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&decompressor);
    const int width = static_cast<int>(decompressor.output_width);
    const int height = static_cast<int>(decompressor.output_height);
    const int components = decompressor.output_components;
    std::vector<std::uint8_t> full(static_cast<std::size_t>(width) * height * components);
    while (decompressor.output_scanline < decompressor.output_height) {
        JSAMPROW row = &full[static_cast<std::size_t>(decompressor.output_scanline) * width *
                             components];
        jpeg_read_scanlines(&decompressor, &row, 1);
    }
    jpeg_finish_decompress(&decompressor);
    jpeg_destroy_decompress(&decompressor);
    if (rgb) {
        // JFIF's full-range Y'CbCr.
        for (std::size_t i = 0; i < full.size(); i += 3) {
            const double r = full[i];
            const double g = full[i + 1];
            const double b = full[i + 2];
            full[i] = static_cast<std::uint8_t>(std::lround(0.299 * r + 0.587 * g + 0.114 * b));
            full[i + 1] = static_cast<std::uint8_t>(
                std::lround(128 - 0.168736 * r - 0.331264 * g + 0.5 * b));
            full[i + 2] = static_cast<std::uint8_t>(
                std::lround(128 + 0.5 * r - 0.418688 * g - 0.081312 * b));
        }
    }

    PlanePicture planes;
    planes.create(width, height);
    const auto at = [&](int x, int y, int k) {
        return full[(static_cast<std::size_t>(y) * width + x) * components + k];
    };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            planes.y()[y * planes.lumaWidth() + x] =
                static_cast<std::uint8_t>(std::lround(16 + at(x, y, 0) * 219.0 / 255.0));
        }
    }
    for (int cy = 0; cy < (height + 1) / 2; ++cy) {
        for (int cx = 0; cx < (width + 1) / 2; ++cx) {
            for (int k = 1; k < 3; ++k) {
                double sum = 0;
                int count = 0;
                for (int y = 2 * cy; y < std::min(2 * cy + 2, height); ++y) {
                    for (int x = 2 * cx; x < std::min(2 * cx + 2, width); ++x) {
                        sum += components == 3 ? at(x, y, k) : 128;
                        ++count;
                    }
                }
                const double full = sum / count;
                (k == 1 ? planes.cb() : planes.cr())[cy * planes.chromaWidth() + cx] =
                    static_cast<std::uint8_t>(std::lround(128 + (full - 128) * 224.0 / 255.0));
            }
        }
    }
    return planes;
}

// A JPEG that stores red, green and blue themselves, as no camera does, but the format allows.
std::vector<std::uint8_t> rgbJpeg(int width, int height, std::vector<std::uint8_t> rgb) {
    jpeg_compress_struct compressor{};
    jpeg_error_mgr errors{};
    compressor.err = jpeg_std_error(&errors);
    jpeg_create_compress(&compressor);
    unsigned char* bytes = nullptr;
    unsigned long length = 0;
    jpeg_mem_dest(&compressor, &bytes, &length);
    compressor.image_width = static_cast<JDIMENSION>(width);
    compressor.image_height = static_cast<JDIMENSION>(height);
    compressor.input_components = 3;
    compressor.in_color_space = JCS_RGB;
    jpeg_set_defaults(&compressor);
    jpeg_set_colorspace(&compressor, JCS_RGB);
    jpeg_set_quality(&compressor, 90, TRUE);
    jpeg_start_compress(&compressor, TRUE);
    while (compressor.next_scanline < compressor.image_height) {
        JSAMPROW row = &rgb[static_cast<std::size_t>(compressor.next_scanline) * width * 3];
        jpeg_write_scanlines(&compressor, &row, 1);
    }
    jpeg_finish_compress(&compressor);
    jpeg_destroy_compress(&compressor);
    std::vector<std::uint8_t> jpeg(bytes, bytes + length);
    std::free(bytes);
    return jpeg;
}

// The largest difference of two planes of `width` x `height`.
int largestDifference(const std::uint8_t* a, const std::uint8_t* b, int stride, int width,
                      int height) {
    int largest = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            largest = std::max(largest, std::abs(a[y * stride + x] - b[y * stride + x]));
        }
    }
    return largest;
}

// Limited-range BT.601 luma of the viewer's blue-green-red picture.
int lumaOfViewer(const FrameBitmap& bitmap, int x, int y) {
    const std::uint8_t* pixel = bitmap.pixels() + static_cast<std::ptrdiff_t>(y) * bitmap.stride() + x * 3;
    return static_cast<int>(
        std::lround(16 + (65.481 * pixel[2] + 128.553 * pixel[1] + 24.966 * pixel[0]) / 255.0));
}

}  // namespace

TEST(PlaneDecodingTest, RecordedChromaIsKeptAndOnlyTheRangeConverted) {
    struct Case {
        const char* name;
        ChromaSubsampling subsampling;
        bool grey;
        bool rgb;
    };
    const Case cases[] = {{"4:2:0", ChromaSubsampling::Yuv420, false, false},
                          {"4:2:2", ChromaSubsampling::Yuv422, false, false},
                          {"4:4:4", ChromaSubsampling::Yuv444, false, false},
                          {"grey", ChromaSubsampling::Yuv420, true, false},
                          {"red-green-blue", ChromaSubsampling::Yuv444, false, true}};
    // Sides that fill no whole block row or column, one of them odd.
    for (const auto& [width, height] : {std::pair{48, 40}, std::pair{45, 31}}) {
        for (const Case& c : cases) {
            JpegEncodeOptions options;
            options.subsampling = c.subsampling;
            options.grayscale = c.grey;
            options.quality = 90;
            const std::vector<std::uint8_t> jpeg =
                c.rgb ? rgbJpeg(width, height, scene(width, height, 3))
                      : encodeJpeg(width, height, scene(width, height, 3), options);
            PlanePicture planes;
            ASSERT_TRUE(planes.create(width, height));
            ASSERT_TRUE(decodeJpegPlanes(jpeg, [&](int w, int h) {
                EXPECT_EQ(w, width);
                EXPECT_EQ(h, height);
                return &planes;
            }));
            const PlanePicture expected = referencePlanes(jpeg);
            SCOPED_TRACE(std::string(c.name) + " " + std::to_string(width) + "x" +
                         std::to_string(height));
            EXPECT_LE(largestDifference(planes.y(), expected.y(), planes.lumaWidth(), width, height),
                      1);
            const int chromaWidth = (width + 1) / 2;
            const int chromaHeight = (height + 1) / 2;
            EXPECT_LE(largestDifference(planes.cb(), expected.cb(), planes.chromaWidth(),
                                        chromaWidth, chromaHeight),
                      1);
            EXPECT_LE(largestDifference(planes.cr(), expected.cr(), planes.chromaWidth(),
                                        chromaWidth, chromaHeight),
                      1);
            if (c.grey) {
                EXPECT_TRUE(std::all_of(planes.cb(), planes.cb() + chromaWidth, [](std::uint8_t v) {
                    return v == 128;
                }));
            }
            // The padding of an odd side stays black.
            if (width % 2 == 1) {
                for (int y = 0; y < planes.lumaHeight(); ++y) {
                    EXPECT_EQ(planes.y()[y * planes.lumaWidth() + width], 16) << y;
                }
            }
        }
    }
}

TEST(PlaneDecodingTest, BadFramesFailOrEndLikeTheViewersDecoder) {
    const std::vector<std::uint8_t> jpeg = encodeJpeg(32, 16, scene(32, 16, 1));
    std::size_t scan = 0;
    for (std::size_t at = 0; at + 1 < jpeg.size(); ++at) {
        if (jpeg[at] == 0xFF && jpeg[at + 1] == 0xDA) {
            scan = at;
        }
    }
    ASSERT_GT(scan, 0u);
    const auto cut = [&](std::size_t length) {
        return std::vector<std::uint8_t>(jpeg.begin(), jpeg.begin() + static_cast<long>(length));
    };
    const std::vector<std::uint8_t> cmyk(32 * 16 * 4, 100);
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        bool completes;
    };
    const Case cases[] = {
        {"whole", jpeg, true},
        // Completed with an end marker, never read past the bytes.
        {"cut in its scan", cut(scan + (jpeg.size() - scan) / 2), true},
        {"cut before its scan", cut(scan), false},
        {"cut in its tables", cut(scan / 2), false},
        {"empty", {}, false},
        {"four components", encodeCmykJpeg(32, 16, cmyk), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlanePicture planes;
        ASSERT_TRUE(planes.create(32, 16));
        const auto planesTarget = [&](int, int) { return &planes; };
        FrameBitmap bitmap;
        const auto bitmapTarget = [&](int w, int h) { return bitmap.create(w, h) ? &bitmap : nullptr; };
        if (c.completes) {
            EXPECT_TRUE(decodeJpegPlanes(c.bytes, planesTarget));
            EXPECT_TRUE(decodeJpegFrame(c.bytes, bitmapTarget));
        } else {
            EXPECT_THROW(decodeJpegPlanes(c.bytes, planesTarget), int);
            EXPECT_THROW(decodeJpegFrame(c.bytes, bitmapTarget), int);
        }
    }
    // No target: refused.
    EXPECT_THROW(decodeJpegPlanes(jpeg, [](int, int) -> PlanePicture* { return nullptr; }), int);
}

TEST(SharePlanesTest, OtherSizedDamagedAndMissingFramesShowAsInTheViewer) {
    // 0: a whole frame; 1: a smaller one, top-left over it; 2: cut in its scan; 3: cut before
    // its scan, nothing of it decodes; 4: larger than the picture, cut to it.
    TempFolder folder;
    std::vector<std::uint8_t> file;
    const std::pair<int, int> sizes[] = {{64, 48}, {33, 17}, {64, 48}, {64, 48}, {80, 56}};
    for (int i = 0; i < 5; ++i) {
        const auto [width, height] = sizes[i];
        JpegEncodeOptions options;
        options.subsampling = i == 4 ? ChromaSubsampling::Yuv444 : ChromaSubsampling::Yuv420;
        std::vector<std::uint8_t> jpeg = encodeJpeg(width, height, scene(width, height, i + 1), options);
        if (i == 2) {
            jpeg.resize(jpeg.size() * 2 / 3);
        }
        if (i == 3) {
            jpeg.resize(300);
        }
        appendFrame(file, 1 + 3 * i, jpeg);
    }
    ASSERT_TRUE(writeFile(folder.file("halcjpeg.dat"), file));
    StandInOwner owner;
    Recording recording;
    recording.setOwner(&owner);
    ASSERT_TRUE(recording.load(folder.file("halcjpeg.dat")));
    const std::vector<ClipFrame> timeline = clipTimeline(recording, 0, 4);
    ASSERT_EQ(timeline.size(), 5u);

    SharePictures share(recording, timeline, false, {}, nullptr, 64, 48);
    FramePictures viewer(recording);
    for (std::uint32_t index = 0; index < 5; ++index) {
        SCOPED_TRACE(index);
        const bool viewerComplete = viewer.decode(index);
        const SharePictures::Picture picture = share.next();
        ASSERT_TRUE(picture.planes.isCreated());
        EXPECT_EQ(picture.complete, viewerComplete);
        ASSERT_EQ(viewer.bitmap().width(), 64);
        int largest = 0;
        for (int y = 0; y < 48; ++y) {
            for (int x = 0; x < 64; ++x) {
                // Where the viewer clamps a channel its luma says less than the planes.
                const std::uint8_t* pixel = viewer.bitmap().pixels() +
                                            static_cast<std::ptrdiff_t>(y) * viewer.bitmap().stride() +
                                            x * 3;
                if (std::any_of(pixel, pixel + 3, [](std::uint8_t v) { return v == 0 || v == 255; })) {
                    continue;
                }
                const int d = std::abs(picture.planes.y()[y * 64 + x] -
                                       lumaOfViewer(viewer.bitmap(), x, y));
                largest = std::max(largest, d);
            }
        }
        EXPECT_LE(largest, 2);
    }
}
