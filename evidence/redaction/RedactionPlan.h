#pragma once

#include <cstdint>
#include <vector>

#include "RedactionRegion.h"

// Every region of one recording's redaction, in the order the file lists them.
class RedactionPlan {
public:
    struct Placed {
        RedactionLabel label = RedactionLabel::Other;
        RedactionRect rect;
    };

    std::vector<RedactionRegion>& regions() { return list; }
    const std::vector<RedactionRegion>& regions() const { return list; }
    bool empty() const { return list.empty(); }

    // The regions that exist at frame `frameIndex`, where they are there.
    std::vector<Placed> regionsAt(std::uint32_t frameIndex) const;

private:
    std::vector<RedactionRegion> list;
};
