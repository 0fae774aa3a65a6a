#include "CardWatcher.h"

#include <algorithm>
#include <utility>

#include <QFile>
#include <QStorageInfo>
#include <QThread>
#include <QTimer>

#include "CardScan.h"
#include "Library.h"
#include "PathText.h"
#include "RemovableVolume.h"

struct CardWatcher::Scan {
    Volume volume;
    std::atomic<bool> cancel{false};
    CardScan found;
};

CardWatcher::CardWatcher(QObject* parent)
    : QObject(parent), volumes(&CardWatcher::removableVolumes), timer(new QTimer(this)) {
    timer->setInterval(pollIntervalMs);
    connect(timer, &QTimer::timeout, this, &CardWatcher::poll);
}

CardWatcher::~CardWatcher() {
    if (worker != nullptr) {
        scan->cancel.store(true);
        worker->wait();
        delete worker;
    }
}

std::vector<CardWatcher::Volume> CardWatcher::removableVolumes() {
    std::vector<Volume> list;
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
        if (storage.isValid() && storage.isReady() &&
            removableVolume::isRemovable(pathText::fromQt(storage.rootPath()))) {
            list.push_back({storage.rootPath(), storage.name()});
        }
    }
    return list;
}

void CardWatcher::start() {
    timer->start();
}

void CardWatcher::stop() {
    timer->stop();
}

void CardWatcher::poll() {
    QSet<QString> now;
    for (const Volume& volume : volumes()) {
        now.insert(volume.root);
        if (!mounted.contains(volume.root)) {
            toScan.push_back(volume);
        }
    }
    // A card taken out is looked at again when it comes back; its offer, once made, is not.
    toScan.erase(std::remove_if(toScan.begin(), toScan.end(),
                                [&now](const Volume& v) { return !now.contains(v.root); }),
                 toScan.end());
    waiting.erase(std::remove_if(waiting.begin(), waiting.end(),
                                 [&now](const Offer& o) { return !now.contains(o.volume.root); }),
                  waiting.end());
    const QSet<QString> gone = mounted - now;
    mounted = std::move(now);
    for (const QString& root : gone) {
        emit cardGone(root);
    }
    scanNext();
    offerWaiting();
}

void CardWatcher::scanNext() {
    if (worker != nullptr || toScan.empty()) {
        return;
    }
    scan = std::make_shared<Scan>();
    scan->volume = toScan.front();
    toScan.erase(toScan.begin());
    worker = QThread::create([job = scan, root = libraryRoot] {
        job->found = CardScan::of(pathText::fromQt(job->volume.root), Library(root),
                                  &job->cancel);
    });
    connect(worker, &QThread::finished, this, &CardWatcher::scanEnded, Qt::QueuedConnection);
    worker->start();
}

void CardWatcher::scanEnded() {
    if (worker == nullptr) {
        return;
    }
    worker->wait();
    delete std::exchange(worker, nullptr);
    const std::shared_ptr<Scan> done = std::exchange(scan, nullptr);
    const std::string root = pathText::fromQt(done->volume.root);
    const std::string key = done->found.cardKey(root);
    if (!done->found.missing.empty() && mounted.contains(done->volume.root) &&
        !offered.contains(QString::fromStdString(key)) &&
        std::none_of(waiting.begin(), waiting.end(), [&key](const Offer& o) { return o.key == key; })) {
        waiting.push_back({done->volume, key, static_cast<int>(done->found.missing.size())});
    }
    scanNext();
    offerWaiting();
}

void CardWatcher::offerWaiting() {
    if (waiting.empty() || (mayOffer && !mayOffer())) {
        return;
    }
    const Offer offer = waiting.front();
    waiting.erase(waiting.begin());
    offered.insert(QString::fromStdString(offer.key));
    emit cardFound(offer.volume.root, offer.volume.label, offer.count);
}
