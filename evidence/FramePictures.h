#pragma once

#include <cstdint>

#include <QImage>

#include "FrameBitmap.h"

class Recording;

// The pictures of a recording as the viewer shows them, decoded into a bitmap of the export's
// own (never the window's): the picture keeps the recording's picture size, a frame of another
// size lands top-left in it, and a damaged frame leaves its decoded rows over what the picture
// held before. Only reads the recording's frames, so it may run beside the window's playback.
class FramePictures {
public:
    explicit FramePictures(const Recording& recording);

    // Decodes frame `index` over the current picture. True when the frame decoded to
    // completion; false when it was damaged or could not be decoded at all.
    bool decode(std::uint32_t index);

    // False until some frame's size could be read.
    bool hasPicture() const { return picture.isCreated(); }
    const FrameBitmap& bitmap() const { return picture; }
    // The picture without a copy; valid until the next decode.
    QImage view() const;

private:
    const Recording& recording;
    FrameBitmap picture;
};
