#include "JpegEncoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

#include <jerror.h>
#include <jpeglib.h>

namespace {

// Everything the compressor touches lives here, outside the frame that holds setjmp, so that
// nothing in that frame changes between setjmp and a longjmp.
struct CompressJob {
    int width = 0;
    int height = 0;
    int components = 0;
    J_COLOR_SPACE inputSpace = JCS_RGB;
    bool grayscale = false;
    int quality = 85;
    bool writeJfif = true;
    int lumaH = 2;
    int lumaV = 2;
    const std::uint8_t* pixels = nullptr;
    // Output, grown with realloc by the destination manager; freed by the caller.
    unsigned char* buffer = nullptr;
    std::size_t capacity = 0;
    std::size_t size = 0;
    char message[JMSG_LENGTH_MAX] = {};
};

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    CompressJob* job;
};

struct Destination {
    jpeg_destination_mgr pub;
    CompressJob* job;
};

constexpr std::size_t initialCapacity = std::size_t{64} * 1024;

extern "C" void onErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->pub.format_message(cinfo, err->job->message);
    std::longjmp(err->jump, 1);
}

extern "C" void onOutputMessage(j_common_ptr) {}

extern "C" void initDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    CompressJob* job = dest->job;
    job->buffer = static_cast<unsigned char*>(std::malloc(initialCapacity));
    if (job->buffer == nullptr) {
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    }
    job->capacity = initialCapacity;
    dest->pub.next_output_byte = job->buffer;
    dest->pub.free_in_buffer = job->capacity;
}

extern "C" boolean emptyOutputBuffer(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    CompressJob* job = dest->job;
    // The library calls this only with the whole buffer full.
    std::size_t grown = job->capacity * 2;
    auto* bigger = static_cast<unsigned char*>(std::realloc(job->buffer, grown));
    if (bigger == nullptr) {
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 1);
    }
    job->buffer = bigger;
    dest->pub.next_output_byte = bigger + job->capacity;
    dest->pub.free_in_buffer = grown - job->capacity;
    job->capacity = grown;
    return TRUE;
}

extern "C" void termDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    dest->job->size = dest->job->capacity - dest->pub.free_in_buffer;
}

void compressWith(jpeg_compress_struct* cinfo, CompressJob* job) {
    auto* dest = static_cast<Destination*>((*cinfo->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(Destination)));
    dest->pub.init_destination = initDestination;
    dest->pub.empty_output_buffer = emptyOutputBuffer;
    dest->pub.term_destination = termDestination;
    dest->job = job;
    cinfo->dest = &dest->pub;

    cinfo->image_width = static_cast<JDIMENSION>(job->width);
    cinfo->image_height = static_cast<JDIMENSION>(job->height);
    cinfo->input_components = job->components;
    cinfo->in_color_space = job->inputSpace;
    jpeg_set_defaults(cinfo);
    if (job->grayscale) {
        jpeg_set_colorspace(cinfo, JCS_GRAYSCALE);
    }
    jpeg_set_quality(cinfo, job->quality, TRUE);
    cinfo->dct_method = JDCT_ISLOW;
    cinfo->optimize_coding = FALSE;
    cinfo->write_JFIF_header = job->writeJfif ? TRUE : FALSE;
    if (cinfo->jpeg_color_space == JCS_YCbCr) {
        cinfo->comp_info[0].h_samp_factor = job->lumaH;
        cinfo->comp_info[0].v_samp_factor = job->lumaV;
        for (int c = 1; c < cinfo->num_components; ++c) {
            cinfo->comp_info[c].h_samp_factor = 1;
            cinfo->comp_info[c].v_samp_factor = 1;
        }
    }

    jpeg_start_compress(cinfo, TRUE);
    const std::size_t stride = static_cast<std::size_t>(job->width) * job->components;
    while (cinfo->next_scanline < cinfo->image_height) {
        // The library does not write through the row pointer.
        JSAMPROW row = const_cast<JSAMPROW>(job->pixels + stride * cinfo->next_scanline);
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
}

// No objects with destructors in this frame: the error handler long-jumps back into it.
bool runCompress(CompressJob* job) {
    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onErrorExit;
    err.pub.output_message = onOutputMessage;
    err.job = job;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    compressWith(&cinfo, job);
    jpeg_destroy_compress(&cinfo);
    return true;
}

void checkSize(int width, int height, std::size_t bytes, int components) {
    if (width <= 0 || height <= 0 || width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION) {
        throw std::invalid_argument("JPEG size out of range");
    }
    if (bytes < static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                    static_cast<std::size_t>(components)) {
        throw std::invalid_argument("too few pixels for the JPEG size");
    }
}

std::vector<std::uint8_t> encode(CompressJob& job) {
    const bool ok = runCompress(&job);
    std::unique_ptr<unsigned char, decltype(&std::free)> owned(job.buffer, &std::free);
    if (!ok) {
        throw std::runtime_error(std::string("JPEG encoding failed: ") + job.message);
    }
    return std::vector<std::uint8_t>(owned.get(), owned.get() + job.size);
}

}  // namespace

std::vector<std::uint8_t> encodeJpeg(int width, int height, std::span<const std::uint8_t> rgb,
                                     const JpegEncodeOptions& options) {
    checkSize(width, height, rgb.size(), 3);
    CompressJob job;
    job.width = width;
    job.height = height;
    job.components = 3;
    job.inputSpace = JCS_RGB;
    job.grayscale = options.grayscale;
    job.quality = options.quality;
    switch (options.subsampling) {
        case ChromaSubsampling::Yuv420:
            job.lumaH = 2;
            job.lumaV = 2;
            break;
        case ChromaSubsampling::Yuv422:
            job.lumaH = 2;
            job.lumaV = 1;
            break;
        case ChromaSubsampling::Yuv444:
            job.lumaH = 1;
            job.lumaV = 1;
            break;
    }
    job.pixels = rgb.data();
    // An EXIF file carries APP1 in place of the JFIF APP0 segment.
    job.writeJfif = options.app1.empty();
    std::vector<std::uint8_t> jpeg = encode(job);
    if (!options.app1.empty()) {
        jpeg.insert(jpeg.begin() + 2, options.app1.begin(), options.app1.end());
    }
    return jpeg;
}

std::vector<std::uint8_t> encodeCmykJpeg(int width, int height,
                                         std::span<const std::uint8_t> cmyk) {
    checkSize(width, height, cmyk.size(), 4);
    CompressJob job;
    job.width = width;
    job.height = height;
    job.components = 4;
    job.inputSpace = JCS_CMYK;
    job.pixels = cmyk.data();
    return encode(job);
}
