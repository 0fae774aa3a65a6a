#pragma once

#include <cstdint>
#include <vector>

#include "Recording.h"
#include "RecordingOwner.h"
#include "TempFile.h"

// A small JPEG of one flat colour; `shade` picks the colour so frames can be told apart.
std::vector<std::uint8_t> flatFrame(int shade, int width = 16, int height = 16);
// The shade whose colour is closest to the top-left pixel of `bitmap`, or -1 when empty.
int shadeOf(const FrameBitmap& bitmap);

// A recording file whose frames carry the given numbers, frame k painted in shade k.
std::vector<std::uint8_t> recordingOfNumbers(const std::vector<int>& numbers);

// Stands in for the viewer window: remembers every repaint and which frame was on display.
class RecordingWatcher final : public RecordingOwner {
public:
    explicit RecordingWatcher(const Recording& recording) : recording(recording) {}
    PixelRect clientRect() const override { return {0, 0, 288, 298}; }
    void invalidate(const PixelRect& rect, bool erase) override {
        lastInvalidated = rect;
        lastErase = erase;
    }
    void updateNow() override {
        ++paintCount;
        paintedShades.push_back(recording.bitmapsCreated() ? shadeOf(recording.shownBitmap()) : -1);
    }

    const Recording& recording;
    PixelRect lastInvalidated;
    bool lastErase = true;
    int paintCount = 0;
    std::vector<int> paintedShades;
};
