#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <QImage>

#include "ClipExport.h"
#include "ClockCorrection.h"

class Recording;
class RedactionPlan;

// The share copy's pictures in clip order, as the viewer shows them and with the times burned
// in, prepared on a thread of its own a few frames ahead of the encoder. One long-lived thread,
// so its font cache (Qt keeps one per thread) is built once.
class SharePictures {
public:
    struct Picture {
        QImage image;          // null when it could not be made (no memory)
        bool complete = true;  // the frame decoded to completion
    };

    // Frames of a picture size `width` x `height` (the first decodable frame's when the
    // recording has no picture yet); `redaction`, when given, is drawn before the overlay and
    // must outlive this.
    SharePictures(const Recording& recording, const std::vector<ClipFrame>& timeline, bool overlay,
                  ClockCorrection clock, const RedactionPlan* redaction, int width, int height);
    ~SharePictures();
    SharePictures(const SharePictures&) = delete;
    SharePictures& operator=(const SharePictures&) = delete;

    // The next picture of the clip; waits until it is ready. Called once per frame.
    Picture next();

private:
    void run();

    const Recording& recording;
    const std::vector<ClipFrame>& timeline;
    const bool overlay;
    const ClockCorrection clock;
    const RedactionPlan* const redaction;
    const std::string captureDate;
    const std::int32_t firstNumber;
    QImage blank;

    std::mutex lock;
    std::condition_variable changed;
    std::deque<Picture> ready;
    bool stopping = false;
    std::thread worker;
};
