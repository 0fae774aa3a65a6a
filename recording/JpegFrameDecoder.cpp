#include "JpegFrameDecoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "FrameBitmap.h"

namespace {

// Enough for the coefficient buffers of the largest progressive frame we accept; a header
// that asks for more fails instead of eating the machine's memory.
constexpr long maxDecoderMemory = 512L << 20;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

// The library's message is formatted as it would be for display, then dropped: a bad frame
// never shows a message.
[[noreturn]] void exitDecode(j_common_ptr cinfo) {
    char message[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, message);
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void discardMessage(j_common_ptr cinfo) {
    char message[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, message);
}

// The frame's bytes as the decoder's input, handed over whole on the first request.
struct MemorySource {
    jpeg_source_mgr pub;
    const JOCTET* data;
    std::size_t length;
    boolean startOfData;
};

const JOCTET fakeEndOfImage[2] = {0xFF, JPEG_EOI};

void initSource(j_decompress_ptr cinfo) {
    reinterpret_cast<MemorySource*>(cinfo->src)->startOfData = TRUE;
}

boolean fillInputBuffer(j_decompress_ptr cinfo) {
    auto* source = reinterpret_cast<MemorySource*>(cinfo->src);
    if (source->startOfData && source->length > 0) {
        source->startOfData = FALSE;
        source->pub.next_input_byte = source->data;
        source->pub.bytes_in_buffer = source->length;
        return TRUE;
    }
    // Asked for more than the frame holds: end the data here rather than read past it.
    source->startOfData = FALSE;
    WARNMS(cinfo, JWRN_JPEG_EOF);
    source->pub.next_input_byte = fakeEndOfImage;
    source->pub.bytes_in_buffer = sizeof fakeEndOfImage;
    return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0) {
        return;
    }
    auto* source = reinterpret_cast<MemorySource*>(cinfo->src);
    if (source->startOfData) {
        fillInputBuffer(cinfo);
    }
    const auto skip = static_cast<std::size_t>(count);
    if (skip <= source->pub.bytes_in_buffer) {
        source->pub.next_input_byte += skip;
        source->pub.bytes_in_buffer -= skip;
    } else {
        // Past the end: the next request gets the fake end of image.
        source->pub.next_input_byte += source->pub.bytes_in_buffer;
        source->pub.bytes_in_buffer = 0;
    }
}

void termSource(j_decompress_ptr) {}

void attachMemorySource(j_decompress_ptr cinfo, const std::uint8_t* data, std::size_t length) {
    if (cinfo->src == nullptr) {
        cinfo->src = static_cast<jpeg_source_mgr*>((*cinfo->mem->alloc_small)(
            reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(MemorySource)));
    }
    auto* source = reinterpret_cast<MemorySource*>(cinfo->src);
    source->data = data;
    source->length = length;
    source->startOfData = TRUE;
    source->pub.init_source = initSource;
    source->pub.fill_input_buffer = fillInputBuffer;
    source->pub.skip_input_data = skipInputData;
    source->pub.resync_to_restart = jpeg_resync_to_restart;
    source->pub.term_source = termSource;
    source->pub.next_input_byte = nullptr;
    source->pub.bytes_in_buffer = 0;
}

using TargetFor = std::function<FrameBitmap*(int, int)>;

// The caller's bitmap for this frame; anything it throws ends up as a failed decode.
FrameBitmap* askTarget(const TargetFor& targetFor, JDIMENSION width, JDIMENSION height) noexcept {
    try {
        return targetFor(static_cast<int>(width), static_cast<int>(height));
    } catch (...) {
        return nullptr;
    }
}

enum class Outcome { Complete, Failed };

// Runs with the error jump armed by the caller; changes no local of the caller's frame.
Outcome decodeRows(j_decompress_ptr cinfo, const std::uint8_t* data, std::size_t length,
                   const TargetFor& targetFor) {
    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = maxDecoderMemory;
    attachMemorySource(cinfo, data, length);
    jpeg_read_header(cinfo, TRUE);
    if (cinfo->image_width > static_cast<JDIMENSION>(FrameBitmap::maxSide) ||
        cinfo->image_height > static_cast<JDIMENSION>(FrameBitmap::maxSide)) {
        ERREXIT1(cinfo, JERR_IMAGE_TOO_BIG, FrameBitmap::maxSide);
    }
    // Blue-green-red straight from the library's fixed-point YCbCr conversion; greyscale
    // comes out as grey, four-component data is refused by the library.
    cinfo->out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(cinfo);

    FrameBitmap* target = askTarget(targetFor, cinfo->image_width, cinfo->image_height);
    if (target == nullptr || !target->isCreated()) {
        return Outcome::Failed;
    }
    JSAMPARRAY row = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo),
                                                 JPOOL_IMAGE,
                                                 cinfo->output_width * cinfo->output_components, 1);
    const std::size_t copyLength =
        std::min<std::size_t>(cinfo->output_width, static_cast<std::size_t>(target->width())) *
        static_cast<std::size_t>(cinfo->output_components);
    const auto targetHeight = static_cast<JDIMENSION>(target->height());
    while (cinfo->output_scanline < cinfo->output_height) {
        const JDIMENSION rowIndex = cinfo->output_scanline;
        if (jpeg_read_scanlines(cinfo, row, 1) == 0) {
            break;
        }
        // Rows below the bitmap are decoded and dropped.
        if (rowIndex < targetHeight) {
            std::memcpy(target->pixels() + static_cast<std::size_t>(rowIndex) * target->stride(),
                        row[0], copyLength);
        }
    }
    jpeg_finish_decompress(cinfo);
    return Outcome::Complete;
}

// The frame the library's error exit jumps back to. It holds nothing with a destructor.
Outcome runDecode(j_decompress_ptr cinfo, ErrorManager* errors, const std::uint8_t* data,
                  std::size_t length, const TargetFor& targetFor) {
    if (setjmp(errors->jump) != 0) {
        return Outcome::Failed;
    }
    return decodeRows(cinfo, data, length, targetFor);
}

}  // namespace

bool decodeJpegFrame(std::span<const std::uint8_t> jpeg, const TargetFor& targetFor) {
    jpeg_decompress_struct cinfo{};
    ErrorManager errors{};
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = exitDecode;
    errors.pub.output_message = discardMessage;

    const Outcome outcome = runDecode(&cinfo, &errors, jpeg.data(), jpeg.size(), targetFor);
    jpeg_destroy_decompress(&cinfo);
    if (outcome != Outcome::Complete) {
        throw 1;
    }
    return true;
}
