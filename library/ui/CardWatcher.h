#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QObject>
#include <QSet>
#include <QString>

class QThread;
class QTimer;

// Watches for a card to appear that holds recordings the library lacks, and says so once
// per card per run, only when the window may show it (no modal dialog, no export or import
// running); until then the offer waits. The volumes come from a source that tests replace.
class CardWatcher : public QObject {
    Q_OBJECT

public:
    struct Volume {
        QString root;   // mount point
        QString label;  // the volume's name, "" when it has none
    };
    using VolumeSource = std::function<std::vector<Volume>()>;
    using Gate = std::function<bool()>;

    static constexpr int pollIntervalMs = 2000;

    explicit CardWatcher(QObject* parent = nullptr);
    // A running scan is stopped and waited for.
    ~CardWatcher() override;
    CardWatcher(const CardWatcher&) = delete;
    CardWatcher& operator=(const CardWatcher&) = delete;

    // The mounted volumes the system calls removable.
    static std::vector<Volume> removableVolumes();

    void setVolumeSource(VolumeSource source) { volumes = std::move(source); }
    // True when an offer may be shown now.
    void setGate(Gate gate) { mayOffer = std::move(gate); }
    void setLibraryRoot(const std::string& root) { libraryRoot = root; }
    void start();
    void stop();
    bool isScanning() const { return worker != nullptr; }
    bool hasWaitingOffer() const { return !waiting.empty(); }

public slots:
    // One look at the volumes now; the timer calls it.
    void poll();

signals:
    void cardFound(const QString& root, const QString& label, int newRecordings);
    // A volume seen before is no longer mounted.
    void cardGone(const QString& root);

private:
    struct Offer {
        Volume volume;
        std::string key;
        int count = 0;
    };
    struct Scan;

    void scanNext();
    void scanEnded();
    void offerWaiting();

    VolumeSource volumes;
    Gate mayOffer;
    std::string libraryRoot;
    QTimer* timer;
    QSet<QString> mounted;        // volumes seen in the last poll
    std::vector<Volume> toScan;   // appeared, not yet scanned
    std::vector<Offer> waiting;   // found, not yet shown
    QSet<QString> offered;        // card keys shown this run
    QThread* worker = nullptr;
    std::shared_ptr<Scan> scan;
};
