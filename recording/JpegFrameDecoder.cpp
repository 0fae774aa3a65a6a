#include "JpegFrameDecoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "FrameBitmap.h"
#include "PlanePicture.h"

namespace {

using TargetFor = std::function<FrameBitmap*(int width, int height)>;
using PlanesFor = std::function<PlanePicture*(int width, int height)>;

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
template <typename Target>
Target* askForTarget(const std::function<Target*(int, int)>& targetFor, int width,
                     int height) noexcept {
    try {
        return targetFor ? targetFor(width, height) : nullptr;
    } catch (...) {
        return nullptr;
    }
}

// Reads the frame's header; false for a frame no decode takes (four components, a size past
// the bitmap's limits). Long-jumps out on a fatal error, like the decodes that call it.
bool readAcceptableHeader(j_decompress_ptr decompressor, const std::span<const std::uint8_t>& jpeg) {
    attachMemorySource(decompressor, jpeg);
    static_cast<void>(jpeg_read_header(decompressor, TRUE));
    if (decompressor->num_components == 4 || decompressor->jpeg_color_space == JCS_CMYK ||
        decompressor->jpeg_color_space == JCS_YCCK) {
        return false;
    }
    return FrameBitmap::isAcceptableSize(decompressor->image_width, decompressor->image_height);
}

// The library's work. A fatal error long-jumps out of here at any call, so this frame holds
// nothing that needs a destructor. False for a frame that is refused.
bool decodeInto(j_decompress_ptr decompressor, const std::span<const std::uint8_t>& jpeg,
                const TargetFor& targetFor) {
    if (!readAcceptableHeader(decompressor, jpeg)) {
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

// Full-range JPEG samples to the limited range H.264 is tagged with (BT.601).
struct RangeTables {
    std::uint8_t luma[256];
    std::uint8_t chroma[256];
};

constexpr RangeTables makeRangeTables() {
    RangeTables tables{};
    for (int v = 0; v < 256; ++v) {
        tables.luma[v] = static_cast<std::uint8_t>(16 + (v * 219 + 127) / 255);
        const int offset = (v - 128) * 224;
        tables.chroma[v] =
            static_cast<std::uint8_t>(128 + (offset >= 0 ? offset + 127 : offset - 127) / 255);
    }
    return tables;
}

constexpr RangeTables range = makeRangeTables();

// The recorded planes can be taken as they are: Y'CbCr (or grey) with the luma at full
// resolution and each chroma plane at full or half resolution each way.
bool rawPlanesFit(j_decompress_ptr decompressor) {
    if (decompressor->jpeg_color_space == JCS_GRAYSCALE && decompressor->num_components == 1) {
        return true;
    }
    if (decompressor->jpeg_color_space != JCS_YCbCr || decompressor->num_components != 3) {
        return false;
    }
    const jpeg_component_info* components = decompressor->comp_info;
    if (components[0].h_samp_factor != decompressor->max_h_samp_factor ||
        components[0].v_samp_factor != decompressor->max_v_samp_factor) {
        return false;
    }
    for (int c = 1; c < 3; ++c) {
        const int h = components[c].h_samp_factor;
        const int v = components[c].v_samp_factor;
        const int hRatio = decompressor->max_h_samp_factor / h;
        const int vRatio = decompressor->max_v_samp_factor / v;
        if (hRatio * h != decompressor->max_h_samp_factor ||
            vRatio * v != decompressor->max_v_samp_factor || hRatio > 2 || vRatio > 2) {
            return false;
        }
    }
    return true;
}

struct PlaneWindow {
    JDIMENSION columns;  // luma columns of the frame that land in the picture
    JDIMENSION rows;     // likewise rows
};

// One chroma plane of an iMCU row (`top` its first luma row) averaged down to 4:2:0: each
// output sample is the mean of the 1, 2 or 4 recorded samples it covers.
void storeChroma(const jpeg_component_info& component, JSAMPARRAY recorded, JDIMENSION top,
                 int hRatio, int vRatio, const PlaneWindow& window, std::uint8_t* plane,
                 int planeStride, JDIMENSION lines) {
    const JDIMENSION recordedTop = top / static_cast<JDIMENSION>(vRatio);
    const JDIMENSION lastColumn = component.downsampled_width - 1;
    const JDIMENSION lastRow = component.downsampled_height - 1;
    const JDIMENSION firstOut = top / 2;
    const JDIMENSION endOut = std::min((top + lines) / 2, (window.rows + 1) / 2);
    const JDIMENSION columns = (window.columns + 1) / 2;
    for (JDIMENSION out = firstOut; out < endOut; ++out) {
        // Recorded rows (relative to this iMCU row) under luma rows 2 out and 2 out + 1.
        const JDIMENSION row0 = (2 * out) / static_cast<JDIMENSION>(vRatio) - recordedTop;
        JDIMENSION row1 = (2 * out + 1) / static_cast<JDIMENSION>(vRatio) - recordedTop;
        if (recordedTop + row1 > lastRow) {
            row1 = row0;
        }
        const JSAMPLE* upper = recorded[row0];
        const JSAMPLE* lower = recorded[row1];
        std::uint8_t* into = plane + static_cast<std::ptrdiff_t>(out) * planeStride;
        if (hRatio == 2) {
            if (row0 == row1) {
                for (JDIMENSION x = 0; x < columns; ++x) {
                    into[x] = range.chroma[upper[x]];
                }
            } else {
                for (JDIMENSION x = 0; x < columns; ++x) {
                    into[x] = range.chroma[(upper[x] + lower[x] + 1) >> 1];
                }
            }
        } else {
            for (JDIMENSION x = 0; x < columns; ++x) {
                const JDIMENSION left = 2 * x;
                const JDIMENSION right = std::min(left + 1, lastColumn);
                into[x] = range.chroma[(upper[left] + upper[right] + lower[left] + lower[right] +
                                        2) >> 2];
            }
        }
    }
}

// Straight from the coefficients' inverse transform, without the library's colour conversion
// and upsampling: a table for the range and, for 4:2:2 and 4:4:4, a mean for the chroma.
void readRawPlanes(j_decompress_ptr decompressor, PlanePicture& target) {
    const auto common = reinterpret_cast<j_common_ptr>(decompressor);
    const bool grey = decompressor->num_components == 1;
    JSAMPARRAY buffers[3] = {nullptr, nullptr, nullptr};
    for (int c = 0; c < decompressor->num_components; ++c) {
        const jpeg_component_info& component = decompressor->comp_info[c];
        buffers[c] = (*decompressor->mem->alloc_sarray)(
            common, JPOOL_IMAGE, component.width_in_blocks * DCTSIZE,
            static_cast<JDIMENSION>(component.v_samp_factor * DCTSIZE));
    }
    const auto lines = static_cast<JDIMENSION>(decompressor->max_v_samp_factor * DCTSIZE);
    const PlaneWindow window{
        std::min(decompressor->output_width, static_cast<JDIMENSION>(target.width())),
        std::min(decompressor->output_height, static_cast<JDIMENSION>(target.height()))};
    const int lumaStride = target.lumaWidth();
    const int chromaStride = target.chromaWidth();

    while (decompressor->output_scanline < decompressor->output_height) {
        const JDIMENSION top = decompressor->output_scanline;
        if (jpeg_read_raw_data(decompressor, buffers, lines) == 0) {
            break;
        }
        const JDIMENSION endRow = std::min(top + lines, window.rows);
        for (JDIMENSION row = top; row < endRow; ++row) {
            const JSAMPLE* from = buffers[0][row - top];
            std::uint8_t* into = target.y() + static_cast<std::ptrdiff_t>(row) * lumaStride;
            for (JDIMENSION x = 0; x < window.columns; ++x) {
                into[x] = range.luma[from[x]];
            }
        }
        if (grey) {
            const JDIMENSION endOut = std::min((top + lines) / 2, (window.rows + 1) / 2);
            for (JDIMENSION out = top / 2; out < endOut; ++out) {
                const auto offset = static_cast<std::ptrdiff_t>(out) * chromaStride;
                std::memset(target.cb() + offset, 128, (window.columns + 1) / 2);
                std::memset(target.cr() + offset, 128, (window.columns + 1) / 2);
            }
            continue;
        }
        for (int c = 1; c < 3; ++c) {
            const jpeg_component_info& component = decompressor->comp_info[c];
            storeChroma(component, buffers[c], top,
                        decompressor->max_h_samp_factor / component.h_samp_factor,
                        decompressor->max_v_samp_factor / component.v_samp_factor, window,
                        c == 1 ? target.cb() : target.cr(), chromaStride, lines);
        }
    }
}

// Limited-range BT.601 from red-green-blue, in 16-bit fixed point.
std::uint8_t lumaOf(int r, int g, int b) {
    return static_cast<std::uint8_t>(16 + ((16829 * r + 33039 * g + 6416 * b + 32768) >> 16));
}

// Frames whose planes do not fit 4:2:0 by a mean (4:1:1, red-green-blue JPEGs): through the
// library's conversion to red-green-blue, then to Y'CbCr here.
void readConvertedPlanes(j_decompress_ptr decompressor, PlanePicture& target) {
    const JDIMENSION width = decompressor->output_width;
    JSAMPARRAY rows = (*decompressor->mem->alloc_sarray)(
        reinterpret_cast<j_common_ptr>(decompressor), JPOOL_IMAGE, width * 3, 2);
    const PlaneWindow window{std::min(width, static_cast<JDIMENSION>(target.width())),
                             std::min(decompressor->output_height,
                                      static_cast<JDIMENSION>(target.height()))};
    const int lumaStride = target.lumaWidth();
    const int chromaStride = target.chromaWidth();
    const auto storePair = [&](JDIMENSION pairTop, bool both) {
        const JSAMPLE* upper = rows[0];
        const JSAMPLE* lower = both ? rows[1] : rows[0];
        const auto offset = static_cast<std::ptrdiff_t>(pairTop / 2) * chromaStride;
        for (JDIMENSION x = 0; x < (window.columns + 1) / 2; ++x) {
            const JDIMENSION left = 6 * x;
            const JDIMENSION right = std::min(2 * x + 1, width - 1) * 3;
            int sum[3] = {0, 0, 0};
            for (int k = 0; k < 3; ++k) {
                sum[k] = upper[left + k] + upper[right + k] + lower[left + k] + lower[right + k];
            }
            // Of the mean of four: the coefficients carry the division by 4.
            const int cb = (-2429 * sum[0] - 4768 * sum[1] + 7196 * sum[2] + 32768) >> 16;
            const int cr = (7196 * sum[0] - 6026 * sum[1] - 1170 * sum[2] + 32768) >> 16;
            target.cb()[offset + x] = static_cast<std::uint8_t>(128 + cb);
            target.cr()[offset + x] = static_cast<std::uint8_t>(128 + cr);
        }
    };
    while (decompressor->output_scanline < decompressor->output_height) {
        const JDIMENSION row = decompressor->output_scanline;
        JSAMPROW into = rows[row % 2];
        if (jpeg_read_scanlines(decompressor, &into, 1) == 0) {
            break;
        }
        if (row >= window.rows) {
            continue;
        }
        std::uint8_t* luma = target.y() + static_cast<std::ptrdiff_t>(row) * lumaStride;
        for (JDIMENSION x = 0; x < window.columns; ++x) {
            const JSAMPLE* pixel = into + static_cast<std::size_t>(x) * 3;
            luma[x] = lumaOf(pixel[0], pixel[1], pixel[2]);
        }
        if (row % 2 == 1) {
            storePair(row - 1, true);
        } else if (row + 1 == window.rows) {
            storePair(row, false);
        }
    }
}

// Like decodeInto, into planes.
bool decodeInto(j_decompress_ptr decompressor, const std::span<const std::uint8_t>& jpeg,
                const PlanesFor& targetFor) {
    if (!readAcceptableHeader(decompressor, jpeg)) {
        return false;
    }
    const bool raw = rawPlanesFit(decompressor);
    if (raw) {
        decompressor->raw_data_out = TRUE;
    } else {
        decompressor->out_color_space = JCS_EXT_RGB;
    }
    jpeg_start_decompress(decompressor);
    if (!raw && decompressor->output_components != 3) {
        return false;
    }
    PlanePicture* target = askForTarget(targetFor, static_cast<int>(decompressor->image_width),
                                        static_cast<int>(decompressor->image_height));
    if (target == nullptr || !target->isCreated()) {
        return false;
    }
    if (raw) {
        readRawPlanes(decompressor, *target);
    } else {
        readConvertedPlanes(decompressor, *target);
    }
    jpeg_finish_decompress(decompressor);
    return true;
}

// The frame that error_exit jumps back to: C style, no objects with destructors, no local
// changed after setjmp that is read after the jump.
template <typename TargetFunction>
bool decodeGuarded(DecodeState* state, const std::span<const std::uint8_t>& jpeg,
                   const TargetFunction& targetFor) {
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

bool decodeJpegPlanes(std::span<const std::uint8_t> jpeg,
                      const std::function<PlanePicture*(int width, int height)>& targetFor) {
    DecodeState state{};
    if (!decodeGuarded(&state, jpeg, targetFor)) {
        throw 1;
    }
    return true;
}
