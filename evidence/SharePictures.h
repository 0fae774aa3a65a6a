#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <memory>
#include <string>
#include <vector>

#include "ClipExport.h"
#include "ClockCorrection.h"
#include "PlanePicture.h"

class QThread;
class Recording;
class RedactionPlan;

// The share copy's pictures in clip order, as the viewer shows them and with the times burned
// in, in the planes the encoder takes, prepared on a thread of its own a few frames ahead of
// the encoder. One long-lived thread, so its font cache (Qt keeps one per thread) and the
// overlay's texts are made once. It is a QThread, never a thread Qt did not start: Qt on
// Windows tears down such a thread's font cache on a watcher thread of its own after it ends,
// and that crashes; a QThread releases it on itself as it finishes.
class SharePictures {
public:
    struct Picture {
        PlanePicture planes;   // not created when it could not be made (no memory)
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
    const int width;
    const int height;

    std::mutex lock;
    std::condition_variable changed;
    std::deque<Picture> ready;
    bool stopping = false;
    std::unique_ptr<QThread> worker;
};
