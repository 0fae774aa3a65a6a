#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

class QThread;

// Makes the event frame's picture of each recording on a worker thread, in the order given,
// and hands each over as it is done, so the list shows at once and fills in.
class ThumbnailLoader : public QObject {
    Q_OBJECT

public:
    // Pictures fit into this, keeping their shape.
    static constexpr QSize pictureSize{96, 72};

    explicit ThumbnailLoader(QObject* parent = nullptr);
    // Stops the worker and waits for it.
    ~ThumbnailLoader() override;
    ThumbnailLoader(const ThumbnailLoader&) = delete;
    ThumbnailLoader& operator=(const ThumbnailLoader&) = delete;

    // Folder and recording file of each; replaces whatever was still to be done.
    void load(std::vector<std::pair<std::string, std::string>> recordings);
    void stop();
    bool isBusy() const { return worker != nullptr; }

    // The picture of one recording: its event frame scaled down; null when it has none.
    static QImage pictureOf(const std::string& recordingPath);

signals:
    // On the user-interface thread; `folder` as given to load().
    void pictureReady(const QString& folder, const QImage& picture);
    void finished();

private:
    QThread* worker = nullptr;
    std::shared_ptr<std::atomic<bool>> cancel;
};
