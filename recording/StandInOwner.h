#pragma once

#include "RecordingOwner.h"

// For a recording used outside any window (the command-line tool, benchmarks): the client
// area of the viewer's start size, and nothing to repaint.
class StandInOwner final : public RecordingOwner {
public:
    PixelRect clientRect() const override { return {0, 0, 288, 298}; }
    void invalidate(const PixelRect&, bool) override {}
    void updateNow() override {}
};
