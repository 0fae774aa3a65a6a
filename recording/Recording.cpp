#include "Recording.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <span>
#include <stdexcept>
#include <string_view>

#include "ExifDateReader.h"
#include "FileOps.h"
#include "JpegFrameDecoder.h"
#include "LeadingInteger.h"

namespace {

constexpr std::size_t headerSize = 12;
constexpr std::uint8_t nameSuffix[5] = {'.', 'j', 'p', 'g', 0};
// Frame data is read in pieces of at most this size, so a header that announces more bytes
// than the file holds never makes us allocate what it announces.
constexpr std::size_t readPieceSize = std::size_t{1} << 20;

std::int32_t readLittleEndian32(const std::uint8_t* bytes) {
    const std::uint32_t value = std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) |
                                (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
    return static_cast<std::int32_t>(value);
}

// The frame number is the name as atoi reads it; the ".jpg" that every accepted name carries
// stops the digits, so a number has at most three of them.
std::int32_t numberFromName(const std::array<char, 8>& name) {
    return readLeadingInteger(std::string_view(name.data(), name.size())).value;
}

enum class ReadResult { Complete, EndOfFile, Error };

// Reads `size` bytes into a buffer that grows as the bytes arrive; `filled` says how many came.
ReadResult readFrameData(std::FILE* file, std::size_t size, std::unique_ptr<std::uint8_t[]>& out,
                         std::size_t& filled) {
    std::size_t capacity = std::min(size, readPieceSize);
    auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
    filled = 0;
    while (filled < size) {
        if (filled == capacity) {
            const std::size_t grown = std::min(size, capacity * 2);
            auto bigger = std::make_unique_for_overwrite<std::uint8_t[]>(grown);
            std::memcpy(bigger.get(), buffer.get(), filled);
            buffer = std::move(bigger);
            capacity = grown;
        }
        const std::size_t wanted = capacity - filled;
        const std::size_t got = std::fread(buffer.get() + filled, 1, wanted, file);
        filled += got;
        if (got < wanted) {
            break;  // end of file or a read error
        }
    }
    if (filled == size) {
        out = std::move(buffer);
        return ReadResult::Complete;
    }
    return std::ferror(file) != 0 ? ReadResult::Error : ReadResult::EndOfFile;
}

LoadFailure failureAt(LoadFailure::Kind kind, std::uint64_t offset, std::size_t record) {
    LoadFailure failure;
    failure.kind = kind;
    failure.offset = offset;
    failure.record = record;
    return failure;
}

// A name without ".jpg" and a zero byte after its first three characters, or a negative size,
// makes the whole file no recording.
std::optional<LoadFailure> headerFault(const std::uint8_t* header, std::uint64_t offset,
                                       std::size_t record) {
    if (std::memcmp(header + 3, nameSuffix, sizeof nameSuffix) != 0) {
        LoadFailure failure = failureAt(LoadFailure::Kind::badName, offset, record);
        std::memcpy(failure.name.data(), header, failure.name.size());
        return failure;
    }
    const std::int32_t size = readLittleEndian32(header + 8);
    if (size < 0) {
        LoadFailure failure = failureAt(LoadFailure::Kind::negativeSize, offset, record);
        failure.size = size;
        return failure;
    }
    return std::nullopt;
}

LoadFailure systemFailure(LoadFailure::Kind kind, std::uint64_t offset, std::size_t record) {
    LoadFailure failure = failureAt(kind, offset, record);
    // A failed call that left no error number still failed.
    failure.systemError = errno != 0 ? errno : EIO;
    return failure;
}

}  // namespace

Recording::~Recording() {
    clear();
}

bool Recording::load(const std::string& path) {
    if (owner == nullptr) {
        lastFailure = failureAt(LoadFailure::Kind::noOwner, 0, 0);
        return false;
    }
    clear();
    lastFailure = LoadFailure{};

    errno = 0;
    FileHandle file = fileOps::openStream(path, "rb");
    if (!file) {
        return refuse(systemFailure(LoadFailure::Kind::cannotOpen, 0, 0));
    }
    std::setvbuf(file.get(), nullptr, _IOFBF, 1 << 16);
    std::uint64_t offset = 0;
    for (;;) {
        std::uint8_t header[headerSize];
        errno = 0;
        const std::size_t got = std::fread(header, 1, headerSize, file.get());
        if (got < headerSize) {
            if (std::ferror(file.get()) != 0) {
                return refuse(systemFailure(LoadFailure::Kind::readError, offset, frames.size()));
            }
            noteEndInFirstRecord(got, -1);
            break;
        }
        if (const auto fault = headerFault(header, offset, frames.size())) {
            return refuse(*fault);
        }
        FrameRecord frame;
        std::memcpy(frame.name.data(), header, frame.name.size());
        frame.jpegSize = readLittleEndian32(header + 8);
        std::unique_ptr<std::uint8_t[]> data;
        std::size_t filled = 0;
        const ReadResult result =
            readFrameData(file.get(), static_cast<std::size_t>(frame.jpegSize), data, filled);
        if (result == ReadResult::Error) {
            return refuse(systemFailure(LoadFailure::Kind::readError, offset, frames.size()));
        }
        if (result == ReadResult::EndOfFile) {
            noteEndInFirstRecord(headerSize + filled, frame.jpegSize);
            break;  // the incomplete last frame is dropped
        }
        frame.number = numberFromName(frame.name);
        frame.jpegData = data.get();
        frameBuffers.push_back(std::move(data));
        frames.push_back(frame);
        offset += headerSize + static_cast<std::uint64_t>(frame.jpegSize);
    }
    file.reset();

    if (frames.empty()) {
        return false;
    }
    ExifDateReader reader;
    reader.parse(frames.front().jpegData, static_cast<std::size_t>(frames.front().jpegSize));
    captureDate = reader.getDate();
    refresh();
    return true;
}

bool Recording::refuse(const LoadFailure& failure) {
    clear();
    lastFailure = failure;
    return false;
}

void Recording::noteEndInFirstRecord(std::uint64_t present, std::int32_t size) {
    if (frames.empty()) {
        lastFailure = failureAt(LoadFailure::Kind::noCompleteRecord, 0, 0);
        lastFailure.present = present;
        lastFailure.size = size;
    }
}

void Recording::clear() {
    frames.clear();
    frames.shrink_to_fit();
    frameBuffers.clear();
    frameBuffers.shrink_to_fit();
    releaseBitmaps();
    pairHoldsFrame = false;
    playing = false;
    cursorIndex = 0;
    playTick = 1;
}

FrameRecord Recording::frameAt(std::uint32_t index) const {
    if (frames.empty()) {
        throw std::out_of_range("Recording::frameAt on an empty recording");
    }
    return frames[std::min<std::size_t>(index, frames.size() - 1)];
}

std::int32_t Recording::currentNumber() const {
    return frames.empty() ? 1 : frameAt(cursorIndex).number;
}

std::int32_t Recording::lastNumber() const {
    return frames.empty() ? 1 : frames.back().number;
}

bool Recording::isFirst() const {
    return frames.empty() || cursorIndex == 0;
}

bool Recording::isLast() const {
    return frames.empty() || cursorIndex >= frames.size() - 1;
}

bool Recording::decodeFrame(std::uint32_t frameIndex, bool intoHidden) {
    const FrameRecord frame = frameAt(frameIndex);
    const std::size_t targetIndex = (intoHidden && !shownSelector) ? 0 : 1;
    FrameBitmap& target = bitmaps[targetIndex];
    // Even a decode that stops part way leaves the bitmap standing for this frame.
    heldFrames[targetIndex] =
        std::min(frameIndex, static_cast<std::uint32_t>(frames.size() - 1));
    const auto targetFor = [&](int width, int height) -> FrameBitmap* {
        if (!pairHoldsFrame && !createBitmaps(width, height)) {
            return nullptr;
        }
        return target.isCreated() ? &target : nullptr;
    };
    const std::span<const std::uint8_t> jpeg(frame.jpegData,
                                             static_cast<std::size_t>(frame.jpegSize));
    if (!decodeJpegFrame(jpeg, targetFor)) {
        return false;
    }
    pairHoldsFrame = true;
    return true;
}

bool Recording::decodeInto(std::uint32_t frameIndex, FrameBitmap& target) const {
    if (frames.empty() || !pairHoldsFrame) {
        return false;
    }
    if ((target.width() != pairWidth || target.height() != pairHeight || !target.isCreated()) &&
        !target.create(pairWidth, pairHeight)) {
        return false;
    }
    const FrameRecord frame = frameAt(frameIndex);
    const std::span<const std::uint8_t> jpeg(frame.jpegData,
                                             static_cast<std::size_t>(frame.jpegSize));
    try {
        return decodeJpegFrame(jpeg, [&target](int, int) { return &target; });
    } catch (int) {
        return false;
    }
}

bool Recording::createBitmaps(int width, int height) {
    // A pair left by a decode that failed is reused when the size fits.
    if (!bitmaps[0].create(width, height) || !bitmaps[1].create(width, height)) {
        releaseBitmaps();
        return false;
    }
    pairWidth = width;
    pairHeight = height;
    return true;
}

void Recording::releaseBitmaps() {
    heldFrames = {};
    for (FrameBitmap& bitmap : bitmaps) {
        bitmap.release();
    }
    pairWidth = 0;
    pairHeight = 0;
}

void Recording::repaintOwner(const PixelRect& rect) {
    if (owner == nullptr) {
        return;
    }
    owner->invalidate(rect, false);
    owner->updateNow();
}

void Recording::renderFrame(bool intoHidden) {
    if (frames.empty()) {
        return;
    }
    const std::size_t count = frames.size();
    try {
        if (!intoHidden) {
            if (cursorIndex < count) {
                decodeFrame(cursorIndex, false);
            }
        } else if (cursorIndex < count) {
            decodeFrame(cursorIndex + 1, true);
        } else {
            decodeFrame(static_cast<std::uint32_t>(count - 1), true);
        }
    } catch (int) {
        // A damaged frame leaves what its bitmap held; navigation goes on.
    }
}

void Recording::refresh() {
    shownSelector = false;
    renderFrame(false);
    renderFrame(true);
    if (owner != nullptr) {
        repaintOwner(owner->clientRect());
    }
}

void Recording::rewind() {
    cursorIndex = 0;
    playTick = 1;
    refresh();
}

void Recording::showLast() {
    if (frames.empty()) {
        return;
    }
    cursorIndex = static_cast<std::uint32_t>(frames.size() - 1);
    playTick = static_cast<std::uint32_t>(frames.back().number);
    refresh();
}

void Recording::showNext() {
    if (frames.empty()) {
        return;
    }
    if (!isLast()) {
        ++cursorIndex;
        playTick = static_cast<std::uint32_t>(frameAt(cursorIndex).number);
    }
    refresh();
}

void Recording::showPrevious() {
    if (frames.empty()) {
        return;
    }
    if (cursorIndex != 0) {
        --cursorIndex;
        playTick = static_cast<std::uint32_t>(frameAt(cursorIndex).number);
    }
    refresh();
}

void Recording::seek(std::int32_t position) {
    if (frames.empty()) {
        return;
    }
    // Slider position p stands for frame number p + 1; select the last frame not later.
    const std::uint32_t wanted = static_cast<std::uint32_t>(position) + 1U;
    std::uint32_t count = 0;
    for (const FrameRecord& frame : frames) {
        if (static_cast<std::uint32_t>(frame.number) > wanted) {
            break;
        }
        ++count;
    }
    // A position before the first frame's number selects the first frame.
    cursorIndex = count == 0 ? 0 : count - 1;
    playTick = static_cast<std::uint32_t>(frameAt(cursorIndex).number);
    refresh();
}

bool Recording::checkFrameDue() {
    if (frames.empty() || !playing) {
        return false;
    }
    if (playTick < static_cast<std::uint32_t>(frameAt(cursorIndex).number)) {
        ++playTick;
        return false;
    }
    // Paint the frame that is on display now, and only then make the hidden bitmap, which
    // already holds the next frame, the one to show.
    if (owner != nullptr) {
        PixelRect band = owner->clientRect();
        band.bottom -= 90;
        repaintOwner(band);
    }
    shownSelector = !shownSelector;
    return true;
}

void Recording::advanceTick() {
    if (frames.empty()) {
        return;
    }
    ++playTick;
    const std::size_t next = std::size_t{cursorIndex} + 1;
    if (next < frames.size() && playTick >= static_cast<std::uint32_t>(frames[next].number)) {
        ++cursorIndex;
    }
}

bool Recording::stepNext() {
    if (frames.empty()) {
        return false;
    }
    if (std::size_t{cursorIndex} + 1 >= frames.size()) {
        cursorIndex = static_cast<std::uint32_t>(frames.size() - 1);
        return false;
    }
    ++cursorIndex;
    renderFrame(true);
    return true;
}
