#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A picture as H.264 takes it: Y', Cb and Cr planes in limited range (BT.601), the chroma at
// half the resolution both ways (4:2:0). The planes have even sides, one column or row more
// than the picture when its side is odd; that padding stays black.
class PlanePicture {
public:
    // Black planes for `width` x `height`; false (and nothing held) for a size FrameBitmap
    // would refuse or memory that cannot be had.
    bool create(int width, int height);

    bool isCreated() const { return !luma.empty(); }
    // The picture's own size.
    int width() const { return pictureWidth; }
    int height() const { return pictureHeight; }
    // The planes' sizes; rows follow each other without gaps.
    int lumaWidth() const { return (pictureWidth + 1) & ~1; }
    int lumaHeight() const { return (pictureHeight + 1) & ~1; }
    int chromaWidth() const { return lumaWidth() / 2; }
    int chromaHeight() const { return lumaHeight() / 2; }

    std::uint8_t* y() { return luma.data(); }
    std::uint8_t* cb() { return blue.data(); }
    std::uint8_t* cr() { return red.data(); }
    const std::uint8_t* y() const { return luma.data(); }
    const std::uint8_t* cb() const { return blue.data(); }
    const std::uint8_t* cr() const { return red.data(); }

    bool operator==(const PlanePicture&) const = default;

private:
    int pictureWidth = 0;
    int pictureHeight = 0;
    std::vector<std::uint8_t> luma;
    std::vector<std::uint8_t> blue;
    std::vector<std::uint8_t> red;
};
