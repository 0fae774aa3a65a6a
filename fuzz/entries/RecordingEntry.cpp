// A recording file as it might come off a damaged card: load it, then move the cursor over
// what loaded as the buttons, the slider and the playback timer do.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "FuzzEntries.h"
#include "Recording.h"
#include "SeedCorpus.h"

namespace {

constexpr PixelRect clientArea{0, 0, 288, 298};
// Frame numbers are at most three characters, so every frame of a sane recording is due
// within a thousand ticks; a negative number would keep playback waiting for days.
constexpr int maxPlaybackTicks = 2000;

class CheckingOwner final : public RecordingOwner {
public:
    PixelRect clientRect() const override { return clientArea; }
    void invalidate(const PixelRect& rect, bool) override {
        fuzzCheck(rect.left >= clientArea.left && rect.top >= clientArea.top &&
                      rect.right <= clientArea.right && rect.bottom <= clientArea.bottom,
                  "repaint outside the client area");
    }
    void updateNow() override {}
};

// The file's bytes behind a path, in memory, reused from one input to the next.
class MemoryFile {
public:
    MemoryFile() : descriptor(memfd_create("halcjpeg.dat", MFD_CLOEXEC)) {
        fuzzCheck(descriptor >= 0, "memfd_create failed");
        path = "/proc/self/fd/" + std::to_string(descriptor);
    }
    ~MemoryFile() { close(descriptor); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    const std::string& hold(std::span<const std::uint8_t> bytes) {
        fuzzCheck(ftruncate(descriptor, 0) == 0, "ftruncate failed");
        std::size_t written = 0;
        while (written < bytes.size()) {
            const ssize_t count = pwrite(descriptor, bytes.data() + written, bytes.size() - written,
                                         static_cast<off_t>(written));
            fuzzCheck(count > 0, "pwrite failed");
            written += static_cast<std::size_t>(count);
        }
        return path;
    }

private:
    int descriptor;
    std::string path;
};

struct ExpectedFrame {
    std::size_t offset;
    std::size_t size;
};

// The complete records of the file walked by the format alone; nothing when the file is one
// to refuse (a bad name or a negative size before its end).
std::optional<std::vector<ExpectedFrame>> expectedFrames(std::span<const std::uint8_t> file) {
    static constexpr std::uint8_t suffix[5] = {'.', 'j', 'p', 'g', 0};
    std::vector<ExpectedFrame> frames;
    std::size_t pos = 0;
    while (file.size() - pos >= 12) {
        const std::uint8_t* header = file.data() + pos;
        if (std::memcmp(header + 3, suffix, sizeof suffix) != 0) {
            return std::nullopt;
        }
        const auto size = static_cast<std::int32_t>(
            std::uint32_t{header[8]} | (std::uint32_t{header[9]} << 8) |
            (std::uint32_t{header[10]} << 16) | (std::uint32_t{header[11]} << 24));
        if (size < 0) {
            return std::nullopt;
        }
        const auto length = static_cast<std::size_t>(size);
        if (file.size() - pos - 12 < length) {
            break;
        }
        frames.push_back({pos + 12, length});
        pos += 12 + length;
    }
    return frames;
}

void checkState(const Recording& recording) {
    fuzzCheck(recording.currentIndex() < recording.frameCount(), "cursor past the last frame");
    if (recording.bitmapsCreated()) {
        for (int i = 0; i < 2; ++i) {
            const FrameBitmap& bitmap = recording.bitmapAt(i);
            fuzzCheck(bitmap.isCreated() && bitmap.width() == recording.bitmapWidth() &&
                          bitmap.height() == recording.bitmapHeight(),
                      "bitmap pair out of step with its size");
        }
    }
}

void checkFrames(const Recording& recording, std::span<const std::uint8_t> file,
                 const std::vector<ExpectedFrame>& expected) {
    fuzzCheck(recording.frameCount() == expected.size(), "frame count differs from the file");
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const FrameRecord frame = recording.frameAt(static_cast<std::uint32_t>(i));
        fuzzCheck(static_cast<std::size_t>(frame.jpegSize) == expected[i].size,
                  "frame size differs from its header");
        fuzzCheck(
            expected[i].size == 0 || std::memcmp(frame.jpegData, file.data() + expected[i].offset,
                                                 expected[i].size) == 0,
            "frame bytes differ from the file");
    }
    const std::string text = recording.getCaptureDate();
    const std::vector<std::uint8_t> date(text.begin(), text.end());
    if (!date.empty()) {
        const std::uint8_t* first = file.data() + expected.front().offset;
        const std::uint8_t* last = first + expected.front().size;
        fuzzCheck(std::search(first, last, date.begin(), date.end()) != last,
                  "capture date not taken from the first frame");
    }
}

void moveCursor(Recording& recording) {
    recording.rewind();
    checkState(recording);
    recording.showNext();
    recording.showNext();
    checkState(recording);
    recording.showLast();
    fuzzCheck(recording.isLast(), "showLast did not reach the last frame");
    recording.showPrevious();
    checkState(recording);

    const std::int32_t middle =
        recording.frameAt(static_cast<std::uint32_t>(recording.frameCount() / 2)).number;
    for (const std::int32_t position :
         {INT_MIN, -2, -1, 0, middle - 1, middle, recording.lastNumber() - 1,
          recording.lastNumber(), INT_MAX}) {
        recording.seek(position);
        checkState(recording);
    }

    // As the playback timer runs it, from the first frame.
    recording.rewind();
    recording.startPlaying();
    for (int tick = 0; tick < maxPlaybackTicks && recording.isPlaying(); ++tick) {
        if (recording.checkFrameDue()) {
            recording.advanceTick();
            if (!recording.stepNext()) {
                recording.stopPlaying();
            }
        }
        checkState(recording);
    }
    recording.stopPlaying();
}

}  // namespace

void fuzzRecordingLoad(std::span<const std::uint8_t> input) {
    static MemoryFile earlier;
    static const std::string earlierPath = earlier.hold(smallRecording());
    static MemoryFile file;
    CheckingOwner owner;
    Recording recording;
    recording.setOwner(&owner);
    // As in the viewer, the damaged file replaces one that is on display.
    fuzzCheck(recording.load(earlierPath), "the small recording did not load");
    recording.showNext();
    const bool loaded = recording.load(file.hold(input));

    const auto expected = expectedFrames(input);
    if (!expected || expected->empty()) {
        fuzzCheck(!loaded && recording.frameCount() == 0, "a file to refuse was loaded");
        return;
    }
    fuzzCheck(loaded, "a file with complete records was refused");
    checkFrames(recording, input, *expected);
    checkState(recording);
    moveCursor(recording);
}
