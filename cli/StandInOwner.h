#pragma once

#include "RecordingOwner.h"

// The command-line tool shows nothing: a window of the viewer's start size that paints nothing.
class StandInOwner final : public RecordingOwner {
public:
    PixelRect clientRect() const override { return {0, 0, 288, 298}; }
    void invalidate(const PixelRect&, bool) override {}
    void updateNow() override {}
};
