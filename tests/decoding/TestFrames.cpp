#include "TestFrames.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <stdexcept>

#include <jpeglib.h>

#include "FrameBitmap.h"
#include "JpegFrameDecoder.h"

std::vector<std::uint8_t> colourSweep(int width, int height) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    std::uint32_t noise = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int hue = x * 1536 / width;
            const int ramp = hue % 256;
            const int sextant = hue / 256;
            int channel[3] = {0, 0, 0};
            const int rising[6][3] = {{255, ramp, 0}, {255 - ramp, 255, 0},
                                      {0, 255, ramp}, {0, 255 - ramp, 255},
                                      {ramp, 0, 255}, {255, 0, 255 - ramp}};
            for (int c = 0; c < 3; ++c) {
                channel[c] = rising[sextant][c] * (height - y) / height;
            }
            noise = noise * 1103515245 + 12345;
            const int jitter = static_cast<int>((noise >> 16) % 64) - 32;
            std::uint8_t* pixel = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            for (int c = 0; c < 3; ++c) {
                pixel[c] = static_cast<std::uint8_t>(std::clamp(channel[c] + jitter, 0, 255));
            }
        }
    }
    return rgb;
}

std::vector<std::uint8_t> verticalEdge(int width, int height) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = width / 2; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                rgb[(static_cast<std::size_t>(y) * width + x) * 3 + c] = 255;
            }
        }
    }
    return rgb;
}

std::vector<std::uint8_t> jpegOf(int width, int height, std::span<const std::uint8_t> rgb,
                                 ChromaSubsampling subsampling) {
    JpegEncodeOptions options;
    options.subsampling = subsampling;
    options.quality = 90;
    return encodeJpeg(width, height, rgb, options);
}

namespace {

struct JumpingErrors {
    jpeg_error_mgr library;
    std::jmp_buf returnPoint;
};

[[noreturn]] void jumpBack(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JumpingErrors*>(info->err)->returnPoint, 1);
}

// Holds nothing with a destructor: the library's error exit jumps back here.
bool runLibraryDecode(jpeg_decompress_struct* info, JumpingErrors* errors,
                      std::span<const std::uint8_t> jpeg, LibraryOutput output,
                      LibraryImage* image) {
    info->err = jpeg_std_error(&errors->library);
    errors->library.error_exit = jumpBack;
    if (setjmp(errors->returnPoint) != 0) {
        jpeg_destroy_decompress(info);
        return false;
    }
    jpeg_create_decompress(info);
    jpeg_mem_src(info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(info, TRUE);
    info->out_color_space = output == LibraryOutput::YCbCr ? JCS_YCbCr : JCS_GRAYSCALE;
    jpeg_start_decompress(info);
    image->width = static_cast<int>(info->output_width);
    image->height = static_cast<int>(info->output_height);
    image->components = info->output_components;
    image->samples.resize(static_cast<std::size_t>(image->width) * image->height *
                          image->components);
    while (info->output_scanline < info->output_height) {
        JSAMPROW row = &image->samples[static_cast<std::size_t>(info->output_scanline) *
                                       image->width * image->components];
        jpeg_read_scanlines(info, &row, 1);
    }
    jpeg_finish_decompress(info);
    jpeg_destroy_decompress(info);
    return true;
}

}  // namespace

LibraryImage decodeWithLibrary(std::span<const std::uint8_t> jpeg, LibraryOutput output) {
    jpeg_decompress_struct info{};
    JumpingErrors errors{};
    LibraryImage image;
    if (!runLibraryDecode(&info, &errors, jpeg, output, &image)) {
        throw std::runtime_error("reference decode failed");
    }
    return image;
}

Attempt decodeInto(std::span<const std::uint8_t> jpeg, FrameBitmap* target) {
    Attempt attempt{Outcome::Complete};
    try {
        const bool complete = decodeJpegFrame(jpeg, [&](int width, int height) {
            ++attempt.targetRequests;
            attempt.requestedWidth = width;
            attempt.requestedHeight = height;
            return target;
        });
        attempt.outcome = complete ? Outcome::Complete : Outcome::ReturnedFalse;
    } catch (int value) {
        attempt.outcome = value == 1 ? Outcome::ThrewOne : Outcome::ThrewOtherInt;
    }
    return attempt;
}

FrameBitmap decodedFrame(std::span<const std::uint8_t> jpeg) {
    FrameBitmap bitmap;
    decodeJpegFrame(jpeg, [&](int width, int height) {
        return bitmap.create(width, height) ? &bitmap : nullptr;
    });
    return bitmap;
}
