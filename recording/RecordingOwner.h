#pragma once

// A rectangle in the owner window's client coordinates; right and bottom are exclusive.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// What a Recording needs of the window that shows it. The viewer's main window implements
// it; tests and the command-line tool use simple stand-ins.
class RecordingOwner {
public:
    virtual ~RecordingOwner() = default;
    virtual PixelRect clientRect() const = 0;
    // Marks `rect` for repainting, with or without erasing the background first.
    virtual void invalidate(const PixelRect& rect, bool erase) = 0;
    // Paints what is marked now, returning only when the paint is done.
    virtual void updateNow() = 0;
};
