#include "SharePictures.h"

#include <new>
#include <optional>
#include <span>
#include <utility>

#include <QThread>

#include "FrameTimeText.h"
#include "JpegFrameDecoder.h"
#include "PlaneOverlay.h"
#include "Recording.h"
#include "RedactionMosaic.h"
#include "TimeOfDay.h"

namespace {

// The encoder takes far longer per picture than its decode: one picture waiting while the
// next is made keeps it fed, and each one more would only hold memory.
constexpr std::size_t aheadLimit = 1;

}  // namespace

SharePictures::SharePictures(const Recording& source, const std::vector<ClipFrame>& frames,
                             bool burnTimes, ClockCorrection correction, const RedactionPlan* plan,
                             int pictureWidth, int pictureHeight)
    : recording(source),
      timeline(frames),
      overlay(burnTimes),
      clock(std::move(correction)),
      redaction(plan),
      captureDate(source.getCaptureDate()),
      firstNumber(source.frameAt(0).number),
      width(pictureWidth),
      height(pictureHeight) {
    worker.reset(QThread::create([this] { run(); }));
    worker->start();
}

SharePictures::~SharePictures() {
    {
        const std::lock_guard<std::mutex> guard(lock);
        stopping = true;
    }
    changed.notify_all();
    worker->wait();
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
    // The picture as the viewer holds it: each frame decodes over it top-left, a damaged one
    // leaves what it did not reach, and nothing drawn on the copies stays in it.
    PlanePicture shown;
    const bool haveShown = shown.create(width, height);
    // Fonts only when there are times to draw.
    std::optional<PlaneOverlay> times;
    if (overlay) {
        times.emplace(width, height);
    }
    const auto target = [&shown](int, int) { return &shown; };
    for (const ClipFrame& frame : timeline) {
        Picture picture;
        const FrameRecord record = recording.frameAt(frame.index);
        try {
            picture.complete = haveShown &&
                               decodeJpegPlanes(std::span<const std::uint8_t>(
                                                    record.jpegData,
                                                    static_cast<std::size_t>(record.jpegSize)),
                                                target);
        } catch (int) {
            picture.complete = false;
        }
        if (haveShown) {
            try {
                picture.planes = shown;
            } catch (const std::bad_alloc&) {
                picture.planes = PlanePicture();
            }
        }
        if (redaction != nullptr) {
            redactPlanes(picture.planes, *redaction, frame.index);
        }
        if (times) {
            times->draw(picture.planes, shownTimeOfDay(captureDate, firstNumber, record.number, clock),
                       frameTimeText(record.number));
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
