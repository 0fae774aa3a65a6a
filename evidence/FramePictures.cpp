#include "FramePictures.h"

#include <span>

#include "JpegFrameDecoder.h"
#include "Recording.h"

FramePictures::FramePictures(const Recording& source) : recording(source) {
    // The window's pair, when there is one, fixes the picture size the viewer uses.
    if (recording.bitmapsCreated()) {
        picture.create(recording.bitmapWidth(), recording.bitmapHeight());
    }
}

bool FramePictures::decode(std::uint32_t index) {
    if (index >= recording.frameCount()) {
        return false;
    }
    const FrameRecord frame = recording.frameAt(index);
    const auto targetFor = [this](int width, int height) -> FrameBitmap* {
        if (!picture.isCreated() && !picture.create(width, height)) {
            return nullptr;
        }
        return &picture;
    };
    const std::span<const std::uint8_t> jpeg(frame.jpegData,
                                             static_cast<std::size_t>(frame.jpegSize));
    try {
        return decodeJpegFrame(jpeg, targetFor);
    } catch (int) {
        return false;
    }
}

QImage FramePictures::view() const {
    if (!picture.isCreated()) {
        return {};
    }
    return QImage(picture.pixels(), picture.width(), picture.height(), picture.stride(),
                  QImage::Format_BGR888);
}
