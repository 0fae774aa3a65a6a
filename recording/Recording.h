#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FrameBitmap.h"
#include "FrameRecord.h"
#include "LoadFailure.h"
#include "RecordingOwner.h"

// The one loaded recording: every frame's JPEG bytes in file order, the capture date of the
// first frame, a pair of bitmaps (one shown, one holding the frame that comes next) and the
// frame cursor that playback and navigation move.
class Recording {
public:
    Recording() = default;
    ~Recording();
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    void setOwner(RecordingOwner* window) { owner = window; }

    // Reads the file into memory. True when at least one frame was read; the first frame is
    // then decoded and painted. On false the Recording is empty.
    bool load(const std::string& path);
    void clear();
    // Why the last load returned false (kind none after a true one).
    const LoadFailure& lastLoadFailure() const { return lastFailure; }

    std::size_t frameCount() const { return frames.size(); }
    // An index at or past the end means the last frame; throws std::out_of_range when empty.
    FrameRecord frameAt(std::uint32_t index) const;
    std::string getCaptureDate() const { return captureDate; }

    // Cursor queries.
    std::int32_t currentNumber() const;
    std::int32_t lastNumber() const;
    bool isFirst() const;
    bool isLast() const;
    bool isPlaying() const { return playing; }
    std::uint32_t currentIndex() const { return cursorIndex; }
    std::uint32_t tick() const { return playTick; }

    // Manual moves: each decodes what it needs and repaints the owner.
    void renderFrame(bool intoHidden);
    void refresh();
    void rewind();
    void showNext();
    void showPrevious();
    void showLast();
    void seek(std::int32_t position);

    // Timed steps, one call sequence per timer tick.
    bool checkFrameDue();
    void advanceTick();
    bool stepNext();
    void startPlaying() { playing = true; }
    void stopPlaying() { playing = false; }

    // Decodes frame `frameIndex` (clamped to the last) into bitmap 1, or into the hidden
    // bitmap when `intoHidden`. Creates the pair at the frame's size when there is none.
    // True when the decode ran to completion; throws int 1 on a fatal decoder error.
    bool decodeFrame(std::uint32_t frameIndex, bool intoHidden);

    // Decodes frame `frameIndex` (clamped to the last) into `target`, created at the pair's
    // size, as decodeFrame would into the pair; the pair and the cursor are left alone.
    // False when there is no pair or the decode did not run to completion.
    bool decodeInto(std::uint32_t frameIndex, FrameBitmap& target) const;
    // The index of the frame last decoded into bitmap `index` of the pair, if any.
    std::optional<std::uint32_t> frameInBitmap(int index) const {
        return heldFrames[static_cast<std::size_t>(index)];
    }

    bool bitmapsCreated() const { return pairHoldsFrame; }
    const FrameBitmap& shownBitmap() const { return bitmapAt(shownBitmapIndex()); }
    int shownBitmapIndex() const { return shownSelector ? 0 : 1; }
    const FrameBitmap& bitmapAt(int index) const { return bitmaps[static_cast<std::size_t>(index)]; }
    bool isShownSelectorSet() const { return shownSelector; }
    int bitmapWidth() const { return pairWidth; }
    int bitmapHeight() const { return pairHeight; }

private:
    // Ends a load as a failed one: the Recording is emptied and `failure` kept.
    bool refuse(const LoadFailure& failure);
    // The file ended after `present` bytes of a record; when no frame was read that is why
    // the load fails.
    void noteEndInFirstRecord(std::uint64_t present, std::int32_t size);
    bool createBitmaps(int width, int height);
    void releaseBitmaps();
    void repaintOwner(const PixelRect& rect);

    std::array<FrameBitmap, 2> bitmaps;
    std::array<std::optional<std::uint32_t>, 2> heldFrames;
    int pairWidth = 0;
    int pairHeight = 0;
    RecordingOwner* owner = nullptr;
    std::vector<FrameRecord> frames;
    std::vector<std::unique_ptr<std::uint8_t[]>> frameBuffers;
    std::uint32_t cursorIndex = 0;
    std::uint32_t playTick = 0;
    bool pairHoldsFrame = false;
    bool shownSelector = false;
    std::string captureDate;
    bool playing = false;
    LoadFailure lastFailure;
};
