#include "ThumbnailLoader.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QThread>

#include "PathText.h"
#include "RecordingHead.h"

namespace {

// The frame number at which the readout passes 0.000 s.
constexpr std::int32_t eventNumber = 451;

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
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(jpeg.data()),
                                               static_cast<qsizetype>(jpeg.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    const QSize full = reader.size();
    if (full.isValid()) {
        // The decoder's own reduced-size decode: an eighth of the work of a full one.
        reader.setScaledSize(full.scaled(pictureSize, Qt::KeepAspectRatio));
    }
    return reader.read();
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
