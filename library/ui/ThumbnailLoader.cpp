#include "ThumbnailLoader.h"

#include <memory>
#include <span>

#include <QThread>

#include <turbojpeg.h>

#include "PathText.h"
#include "RecordingHead.h"

namespace {

// The frame number at which the readout passes 0.000 s.
constexpr std::int32_t eventNumber = 451;

struct TurboJpegFree {
    void operator()(void* handle) const { tjDestroy(handle); }
};

// The frame decoded by libjpeg-turbo at the smallest of its reduced sizes (1/8, 1/4, ...)
// that still covers `target`: a fraction of the work of a whole decode. Null when it is no
// JPEG it can read; a warning (a cut frame) still gives its picture.
QImage reducedPicture(std::span<const std::uint8_t> jpeg, QSize target) {
    const std::unique_ptr<void, TurboJpegFree> handle(tjInitDecompress());
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourSpace = 0;
    const auto size = static_cast<unsigned long>(jpeg.size());
    if (!handle || tjDecompressHeader3(handle.get(), jpeg.data(), size, &width, &height,
                                       &subsampling, &colourSpace) != 0) {
        return {};
    }
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    tjscalingfactor chosen{1, 1};
    for (int i = 0; i < count; ++i) {
        const tjscalingfactor f = factors[i];
        const bool covers = TJSCALED(width, f) >= target.width() && TJSCALED(height, f) >= target.height();
        if (covers && TJSCALED(width, f) < TJSCALED(width, chosen)) {
            chosen = f;
        }
    }
    QImage picture(TJSCALED(width, chosen), TJSCALED(height, chosen), QImage::Format_RGB888);
    if (picture.isNull()) {
        return {};
    }
    if (tjDecompress2(handle.get(), jpeg.data(), size, picture.bits(), picture.width(),
                      static_cast<int>(picture.bytesPerLine()), picture.height(), TJPF_RGB, 0) != 0 &&
        tjGetErrorCode(handle.get()) != TJERR_WARNING) {
        return {};
    }
    return picture.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

ThumbnailLoader::ThumbnailLoader(QObject* parent) : QObject(parent) {}

ThumbnailLoader::~ThumbnailLoader() {
    stop();
}

void ThumbnailLoader::stop() {
    if (worker == nullptr) {
        return;
    }
    cancel->store(true);
    worker->wait();
    delete worker;
    worker = nullptr;
}

QImage ThumbnailLoader::pictureOf(const std::string& recordingPath) {
    const std::vector<std::uint8_t> jpeg = recordingHead::eventFrameJpeg(recordingPath, eventNumber);
    if (jpeg.empty()) {
        return {};
    }
    return reducedPicture(jpeg, pictureSize);
}

void ThumbnailLoader::load(std::vector<std::pair<std::string, std::string>> recordings) {
    stop();
    if (recordings.empty()) {
        return;
    }
    cancel = std::make_shared<std::atomic<bool>>(false);
    // The loader outlives the worker (stop() waits), so the worker may name it.
    worker = QThread::create([this, flag = cancel, list = std::move(recordings)] {
        for (const auto& [folder, path] : list) {
            if (flag->load()) {
                return;
            }
            const QImage picture = pictureOf(path);
            const QString key = pathText::toQt(folder);
            // Delivered on the loader's thread; dropped there once this run is stopped.
            QMetaObject::invokeMethod(
                this,
                [this, flag, key, picture] {
                    if (!flag->load()) {
                        emit pictureReady(key, picture);
                    }
                },
                Qt::QueuedConnection);
        }
    });
    connect(worker, &QThread::finished, this, [this, flag = cancel] {
        if (!flag->load() && worker != nullptr) {
            worker->wait();
            delete worker;
            worker = nullptr;
            emit finished();
        }
    }, Qt::QueuedConnection);
    worker->start();
}
