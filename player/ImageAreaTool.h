#pragma once

#include <cstdint>

#include <Qt>

#include "KeyTable.h"

class PictureMapping;
class QImage;
class QMouseEvent;
class QPainter;

// Something that works on the paused frame in the image area (the redaction editor): it may
// change the picture before it is drawn, draws over it, and takes the left mouse button and
// its own keys while the window has it. `frameIndex` is always the frame on screen.
class ImageAreaTool {
public:
    virtual ~ImageAreaTool() = default;

    // True when changePicture would change frame `frameIndex`, so that the window copies it.
    virtual bool changesPicture(std::uint32_t frameIndex) const = 0;
    // Changes the decoded picture (a copy) of frame `frameIndex` before it is scaled.
    virtual void changePicture(QImage& picture, std::uint32_t frameIndex) const = 0;
    // Draws over the picture, clipped to the image area.
    virtual void paintOver(QPainter& painter, const PictureMapping& mapping,
                           std::uint32_t frameIndex) = 0;

    // A left button press in the image area; false leaves it to the window.
    virtual bool mousePress(const QMouseEvent& event, const PictureMapping& mapping,
                            std::uint32_t frameIndex) = 0;
    virtual void mouseMove(const QMouseEvent& event, const PictureMapping& mapping,
                           std::uint32_t frameIndex) = 0;
    virtual void mouseRelease(const QMouseEvent& event, const PictureMapping& mapping,
                              std::uint32_t frameIndex) = 0;
    // The pointer's shape over `point` when no button is down.
    virtual Qt::CursorShape cursorAt(const QPointF& point, const PictureMapping& mapping,
                                     std::uint32_t frameIndex) const = 0;

    // A key of the table meant for the tool; false when it does nothing now.
    virtual bool command(keyTable::Command command, std::uint32_t frameIndex) = 0;
};
