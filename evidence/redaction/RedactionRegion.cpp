#include "RedactionRegion.h"

#include <algorithm>
#include <cmath>

namespace {

// a + (b - a) * t, rounded half away from zero; exact in a double for the sizes the file allows.
int between(int a, int b, std::int64_t step, std::int64_t steps) {
    const double offset = static_cast<double>(std::int64_t{b} - a) * static_cast<double>(step) /
                          static_cast<double>(steps);
    return a + static_cast<int>(std::llround(offset));
}

}  // namespace

std::string_view redactionLabelName(RedactionLabel label) {
    switch (label) {
    case RedactionLabel::Plate:
        return "plate";
    case RedactionLabel::Face:
        return "face";
    case RedactionLabel::Other:
        break;
    }
    return "other";
}

const char* redactionLabelText(RedactionLabel label) {
    switch (label) {
    case RedactionLabel::Plate:
        return "ナンバー";
    case RedactionLabel::Face:
        return "顔";
    case RedactionLabel::Other:
        break;
    }
    return "その他";
}

std::optional<RedactionLabel> redactionLabelFromName(std::string_view name) {
    for (const RedactionLabel label :
         {RedactionLabel::Plate, RedactionLabel::Face, RedactionLabel::Other}) {
        if (redactionLabelName(label) == name) {
            return label;
        }
    }
    return std::nullopt;
}

std::optional<RedactionRect> RedactionRect::clippedTo(int width, int height) const {
    const std::int64_t left = std::max<std::int64_t>(x, 0);
    const std::int64_t top = std::max<std::int64_t>(y, 0);
    const std::int64_t right = std::min<std::int64_t>(std::int64_t{x} + w, width);
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{y} + h, height);
    if (w <= 0 || h <= 0 || right <= left || bottom <= top) {
        return std::nullopt;
    }
    return RedactionRect{static_cast<int>(left), static_cast<int>(top),
                         static_cast<int>(right - left), static_cast<int>(bottom - top)};
}

std::optional<RedactionRect> RedactionRegion::rectAt(std::uint32_t index) const {
    if (keyList.empty() || index < firstIndex() || index > lastIndex()) {
        return std::nullopt;
    }
    const auto after = std::lower_bound(
        keyList.begin(), keyList.end(), index,
        [](const RedactionKey& key, std::uint32_t at) { return key.index < at; });
    if (after->index == index) {
        return after->rect;
    }
    const RedactionKey& a = *(after - 1);
    const RedactionKey& b = *after;
    const std::int64_t step = std::int64_t{index} - a.index;
    const std::int64_t steps = std::int64_t{b.index} - a.index;
    return RedactionRect{between(a.rect.x, b.rect.x, step, steps),
                         between(a.rect.y, b.rect.y, step, steps),
                         between(a.rect.w, b.rect.w, step, steps),
                         between(a.rect.h, b.rect.h, step, steps)};
}

bool RedactionRegion::hasKeyAt(std::uint32_t index) const {
    return std::any_of(keyList.begin(), keyList.end(),
                       [index](const RedactionKey& key) { return key.index == index; });
}

void RedactionRegion::setKey(const RedactionKey& key) {
    const auto at = std::lower_bound(
        keyList.begin(), keyList.end(), key.index,
        [](const RedactionKey& k, std::uint32_t index) { return k.index < index; });
    if (at != keyList.end() && at->index == key.index) {
        *at = key;
    } else {
        keyList.insert(at, key);
    }
}

bool RedactionRegion::removeKey(std::uint32_t index) {
    const auto at = std::find_if(keyList.begin(), keyList.end(),
                                 [index](const RedactionKey& key) { return key.index == index; });
    if (at == keyList.end()) {
        return false;
    }
    keyList.erase(at);
    return true;
}
