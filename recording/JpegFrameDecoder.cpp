#include "JpegFrameDecoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "FrameBitmap.h"

namespace {

using TargetFor = std::function<FrameBitmap*(int width, int height)>;

// Progressive frames keep all coefficients in memory; beyond this the library fails the
// decode instead of allocating.
constexpr long maxDecoderMemory = 512L << 20;

// The library's record comes first, so its err pointer is a pointer to ours.
struct ErrorManager {
    jpeg_error_mgr library;
    std::jmp_buf returnPoint;
};

struct MemorySource {
    jpeg_source_mgr library;
    const JOCTET* data;
    std::size_t length;
    boolean startOfData;
};

// All state of one decode. Nothing in it has a destructor, so a long jump may leave it.
struct DecodeState {
    jpeg_decompress_struct decompressor;
    ErrorManager errors;
};

const JOCTET fakeEndOfImage[2] = {0xFF, JPEG_EOI};

// Fatal errors must not unwind C++ through the library's frames: jump back to decodeGuarded,
// which destroys the decompressor and reports the failure to code that may throw.
[[noreturn]] void exitWithError(j_common_ptr info) {
    char message[JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, message);
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->returnPoint, 1);
}

// Warnings are never shown.
void discardMessage(j_common_ptr info) {
    char message[JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, message);
}

MemorySource* memorySourceOf(j_decompress_ptr decompressor) {
    return reinterpret_cast<MemorySource*>(decompressor->src);
}

void initSource(j_decompress_ptr decompressor) {
    memorySourceOf(decompressor)->startOfData = TRUE;
}

// The whole frame on the first request. A request after that means the data ended early:
// end the image with a marker rather than read past the frame or fail the decode.
boolean fillInputBuffer(j_decompress_ptr decompressor) {
    MemorySource* source = memorySourceOf(decompressor);
    if (source->startOfData && source->length > 0) {
        source->library.next_input_byte = source->data;
        source->library.bytes_in_buffer = source->length;
        source->startOfData = FALSE;
        return TRUE;
    }
    source->startOfData = FALSE;
    WARNMS(decompressor, JWRN_JPEG_EOF);
    source->library.next_input_byte = fakeEndOfImage;
    source->library.bytes_in_buffer = sizeof fakeEndOfImage;
    return TRUE;
}

void skipInputData(j_decompress_ptr decompressor, long count) {
    if (count <= 0) {
        return;
    }
    MemorySource* source = memorySourceOf(decompressor);
    if (source->startOfData) {
        fillInputBuffer(decompressor);
    }
    const auto wanted = static_cast<unsigned long>(count);
    // Past the end: stop at it; the next fill hands over the end-of-image marker.
    const std::size_t skipped = std::min<std::size_t>(wanted, source->library.bytes_in_buffer);
    source->library.next_input_byte += skipped;
    source->library.bytes_in_buffer -= skipped;
}

void termSource(j_decompress_ptr) {}

void attachMemorySource(j_decompress_ptr decompressor, std::span<const std::uint8_t> jpeg) {
    if (decompressor->src == nullptr) {
        decompressor->src = static_cast<jpeg_source_mgr*>((*decompressor->mem->alloc_small)(
            reinterpret_cast<j_common_ptr>(decompressor), JPOOL_PERMANENT, sizeof(MemorySource)));
    }
    MemorySource* source = memorySourceOf(decompressor);
    source->data = jpeg.data();
    source->length = jpeg.size();
    source->startOfData = TRUE;
    source->library.init_source = initSource;
    source->library.fill_input_buffer = fillInputBuffer;
    source->library.skip_input_data = skipInputData;
    source->library.resync_to_restart = jpeg_resync_to_restart;
    source->library.term_source = termSource;
    source->library.next_input_byte = nullptr;
    source->library.bytes_in_buffer = 0;
}

// The caller's callback may throw; that must not cross decodeInto, which a long jump may
// leave at any time.
FrameBitmap* askForTarget(const TargetFor& targetFor, int width, int height) noexcept {
    try {
        return targetFor ? targetFor(width, height) : nullptr;
    } catch (...) {
        return nullptr;
    }
}

// The library's work. A fatal error long-jumps out of here at any call, so this frame holds
// nothing that needs a destructor. False for a frame that is refused.
bool decodeInto(j_decompress_ptr decompressor, const std::span<const std::uint8_t>& jpeg,
                const TargetFor& targetFor) {
    attachMemorySource(decompressor, jpeg);
    static_cast<void>(jpeg_read_header(decompressor, TRUE));

    if (decompressor->num_components == 4 || decompressor->jpeg_color_space == JCS_CMYK ||
        decompressor->jpeg_color_space == JCS_YCCK) {
        return false;
    }
    if (!FrameBitmap::isAcceptableSize(decompressor->image_width, decompressor->image_height)) {
        return false;
    }
    // libjpeg-turbo's fixed-point YCbCr conversion straight into bitmap byte order; greyscale
    // comes out as the same value in all three bytes.
    decompressor->out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(decompressor);
    if (decompressor->output_components != 3) {
        return false;
    }

    FrameBitmap* target = askForTarget(targetFor, static_cast<int>(decompressor->image_width),
                                       static_cast<int>(decompressor->image_height));
    if (target == nullptr || !target->isCreated()) {
        return false;
    }

    JSAMPARRAY rowBuffer = (*decompressor->mem->alloc_sarray)(
        reinterpret_cast<j_common_ptr>(decompressor), JPOOL_IMAGE,
        decompressor->output_width * static_cast<JDIMENSION>(decompressor->output_components), 1);
    const bool rowsFit = decompressor->output_width <= static_cast<JDIMENSION>(target->width());
    const std::size_t copyLength =
        static_cast<std::size_t>(
            std::min(decompressor->output_width, static_cast<JDIMENSION>(target->width()))) *
        3;
    const auto stride = static_cast<std::size_t>(target->stride());
    const auto targetHeight = static_cast<JDIMENSION>(target->height());
    std::uint8_t* pixels = target->pixels();

    while (decompressor->output_scanline < decompressor->output_height) {
        const JDIMENSION rowIndex = decompressor->output_scanline;
        const bool kept = rowIndex < targetHeight;
        // A row that fits is decoded straight into its bitmap row (the copy would cost about
        // a tenth of the decode); a row to be cut or dropped goes through the row buffer.
        JSAMPROW into = kept && rowsFit ? pixels + rowIndex * stride : rowBuffer[0];
        if (jpeg_read_scanlines(decompressor, &into, 1) == 0) {
            break;
        }
        if (kept && !rowsFit) {
            std::memcpy(pixels + rowIndex * stride, rowBuffer[0], copyLength);
        }
    }
    jpeg_finish_decompress(decompressor);
    return true;
}

// The frame that error_exit jumps back to: C style, no objects with destructors, no local
// changed after setjmp that is read after the jump.
bool decodeGuarded(DecodeState* state, const std::span<const std::uint8_t>& jpeg,
                   const TargetFor& targetFor) {
    state->decompressor.err = jpeg_std_error(&state->errors.library);
    state->errors.library.error_exit = exitWithError;
    state->errors.library.output_message = discardMessage;
    if (setjmp(state->errors.returnPoint) != 0) {
        jpeg_destroy_decompress(&state->decompressor);
        return false;
    }
    jpeg_CreateDecompress(&state->decompressor, JPEG_LIB_VERSION, sizeof state->decompressor);
    state->decompressor.mem->max_memory_to_use = maxDecoderMemory;
    if (!decodeInto(&state->decompressor, jpeg, targetFor)) {
        jpeg_destroy_decompress(&state->decompressor);
        return false;
    }
    jpeg_destroy_decompress(&state->decompressor);
    return true;
}

}  // namespace

bool decodeJpegFrame(std::span<const std::uint8_t> jpeg,
                     const std::function<FrameBitmap*(int width, int height)>& targetFor) {
    DecodeState state{};
    if (!decodeGuarded(&state, jpeg, targetFor)) {
        throw 1;
    }
    return true;
}
