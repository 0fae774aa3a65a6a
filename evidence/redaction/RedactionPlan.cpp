#include "RedactionPlan.h"

std::vector<RedactionPlan::Placed> RedactionPlan::regionsAt(std::uint32_t frameIndex) const {
    std::vector<Placed> placed;
    for (const RedactionRegion& region : list) {
        if (const auto rect = region.rectAt(frameIndex)) {
            placed.push_back({region.label(), *rect});
        }
    }
    return placed;
}
