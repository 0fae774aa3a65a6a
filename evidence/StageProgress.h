#pragma once

#include <algorithm>
#include <cstdint>

#include "ExportProgress.h"

// One stage of a longer export (one file of a package): maps the stage's own progress into
// its share [start, start + weight) of the whole, and passes a cancel of the whole on to the
// stage at its next step.
class StageProgress final : public ExportProgress {
public:
    StageProgress(ExportProgress& whole, std::uint64_t start, std::uint64_t weight,
                  std::uint64_t total)
        : whole(whole), start(start), weight(weight), total(total) {
        if (whole.isCancelled()) {
            cancel();
        }
    }

    void advance(std::uint64_t done, std::uint64_t stageTotal) override {
        if (whole.isCancelled()) {
            cancel();
        }
        const std::uint64_t share =
            stageTotal == 0 ? weight : weight * std::min(done, stageTotal) / stageTotal;
        whole.advance(start + share, total);
    }

private:
    ExportProgress& whole;
    std::uint64_t start;
    std::uint64_t weight;
    std::uint64_t total;
};
