#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// What a region hides; the file names it in English, the window and the report in Japanese.
enum class RedactionLabel { Plate, Face, Other };

std::string_view redactionLabelName(RedactionLabel label);  // "plate", "face", "other"
const char* redactionLabelText(RedactionLabel label);       // UTF-8: ナンバー, 顔, その他
std::optional<RedactionLabel> redactionLabelFromName(std::string_view name);

// A rectangle in the recording's picture pixels; it may reach outside the picture.
struct RedactionRect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;

    // The part inside a picture of `width` x `height`; nothing when none is.
    std::optional<RedactionRect> clippedTo(int width, int height) const;
    bool operator==(const RedactionRect&) const = default;
};

struct RedactionKey {
    std::uint32_t index = 0;  // the frame's 0-based index in the recording
    RedactionRect rect;
    bool operator==(const RedactionKey&) const = default;
};

// A rectangle that moves and grows linearly from key to key and exists from its first key's
// frame to its last key's, both included. Its keys are kept in frame order, one per frame.
class RedactionRegion {
public:
    explicit RedactionRegion(RedactionLabel label = RedactionLabel::Other) : kind(label) {}

    RedactionLabel label() const { return kind; }
    void setLabel(RedactionLabel label) { kind = label; }
    const std::vector<RedactionKey>& keys() const { return keyList; }
    bool empty() const { return keyList.empty(); }
    std::uint32_t firstIndex() const { return keyList.front().index; }
    std::uint32_t lastIndex() const { return keyList.back().index; }

    // Where the region is at frame `index`; nothing outside its span.
    std::optional<RedactionRect> rectAt(std::uint32_t index) const;
    bool hasKeyAt(std::uint32_t index) const;
    // Adds a key, or replaces the one at the same frame.
    void setKey(const RedactionKey& key);
    // False when there is no key at `index`.
    bool removeKey(std::uint32_t index);

private:
    RedactionLabel kind;
    std::vector<RedactionKey> keyList;
};
