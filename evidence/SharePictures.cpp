#include "SharePictures.h"

#include <utility>

#include <QPainter>

#include "FrameOverlay.h"
#include "FramePictures.h"
#include "FrameTimeText.h"
#include "Recording.h"
#include "RedactionMosaic.h"
#include "TimeOfDay.h"

namespace {

// Enough to keep the encoder fed, little enough to keep memory small.
constexpr std::size_t aheadLimit = 3;

}  // namespace

SharePictures::SharePictures(const Recording& source, const std::vector<ClipFrame>& frames,
                             bool burnTimes, ClockCorrection correction, const RedactionPlan* plan,
                             int width, int height)
    : recording(source),
      timeline(frames),
      overlay(burnTimes),
      clock(std::move(correction)),
      redaction(plan),
      captureDate(source.getCaptureDate()),
      firstNumber(source.frameAt(0).number),
      blank(width, height, QImage::Format_BGR888) {
    blank.fill(Qt::black);
    worker = std::thread([this] { run(); });
}

SharePictures::~SharePictures() {
    {
        const std::lock_guard<std::mutex> guard(lock);
        stopping = true;
    }
    changed.notify_all();
    worker.join();
}

SharePictures::Picture SharePictures::next() {
    std::unique_lock<std::mutex> guard(lock);
    changed.wait(guard, [this] { return !ready.empty(); });
    Picture picture = std::move(ready.front());
    ready.pop_front();
    guard.unlock();
    changed.notify_all();
    return picture;
}

void SharePictures::run() {
    FramePictures pictures(recording);
    for (const ClipFrame& frame : timeline) {
        Picture picture;
        // In order: a damaged frame lands on the picture before it, as in the viewer.
        picture.complete = pictures.decode(frame.index);
        // A copy, so the overlay does not stay under the next frame's picture.
        picture.image = pictures.hasPicture() ? pictures.view().copy() : blank.copy();
        if (picture.image.size() != blank.size()) {
            // The picture took the size of a frame whose header only the decoder could read;
            // the encoder's size stays, the picture lands top-left as in the viewer.
            QImage fitted = blank.copy();
            QPainter(&fitted).drawImage(0, 0, picture.image);
            picture.image = fitted;
        }
        if (redaction != nullptr) {
            redactPicture(picture.image, *redaction, frame.index);
        }
        if (overlay && !picture.image.isNull()) {
            const std::int32_t number = recording.frameAt(frame.index).number;
            drawFrameOverlay(picture.image,
                             shownTimeOfDay(captureDate, firstNumber, number, clock),
                             frameTimeText(number));
        }
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [this] { return stopping || ready.size() < aheadLimit; });
        if (stopping) {
            return;
        }
        ready.push_back(std::move(picture));
        guard.unlock();
        changed.notify_all();
    }
}
