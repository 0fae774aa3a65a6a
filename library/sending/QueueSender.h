#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QObject>
#include <QPointer>

#include "SendQueue.h"
#include "SendResult.h"
#include "ServerLink.h"

class QIODevice;
class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

// Sends the library's queue in the background, one recording at a time, on the thread it
// lives on (the window's): Qt Network calls back, nothing waits. A failure of the network or
// of the server is tried again after a growing wait; a refusal is kept with its cause and not
// tried again until the recording is queued anew. The queue is on disk, so a new sender on
// the same library (the program started again) carries on where the last one stopped.
class QueueSender : public QObject {
    Q_OBJECT

public:
    // Now, in ms since the epoch; replaced in tests so that a wait need not pass.
    using Clock = std::function<std::int64_t()>;
    // The bytes to send for a recording file; the file itself unless replaced.
    using Opener = std::function<std::unique_ptr<QIODevice>(const QString& path)>;

    static constexpr std::int64_t firstWaitMs = 30'000;
    static constexpr std::int64_t longestWaitMs = 3'600'000;
    // A claim older than this is taken for one of a program that went away.
    static constexpr std::int64_t claimStaleMs = 600'000;
    // How often the file is read again for what other programs did.
    static constexpr int pollMs = 60'000;

    explicit QueueSender(QObject* parent = nullptr);
    // A transfer under way is dropped, and its recording handed back to the queue.
    ~QueueSender() override;
    QueueSender(const QueueSender&) = delete;
    QueueSender& operator=(const QueueSender&) = delete;

    void setLibrary(const std::string& root);
    // No link: nothing is sent, the queue is still shown. A new token gives the recordings
    // the old one had refused another try.
    void setLink(std::optional<ServerLink> link);
    bool hasLink() const { return link.has_value(); }
    void setClock(Clock clock);
    void setOpener(Opener opener);

    // Queues a recording of the library (its hash and its folder, absolute or by name) once;
    // one queued already keeps its state.
    void enqueue(const std::string& sha256, const std::string& folder);
    // Queues these anew, due now, whatever their state (the 送信 command).
    void sendAgain(const std::vector<std::pair<std::string, std::string>>& recordings);

    // As last read or written.
    const std::vector<QueueEntry>& entries() const { return queue; }
    const QueueEntry* entryOf(const std::string& sha256) const;
    // Recordings not yet on the server and not refused.
    int waitingCount() const;
    // The recording being sent now by this sender, "" when none.
    const std::string& sending() const { return current; }
    // Marks this program's claims in the queue file.
    const std::string& id() const { return senderId; }
    // The wait before try `attempts` + 1: 30 s, 1, 2, 4 … minutes, at most an hour.
    static std::int64_t waitAfter(int attempts);
    // The last trouble with the queue file, "" when none.
    const QString& queueError() const { return lastQueueError; }

public slots:
    // Reads the queue again and sends what is due, unless a transfer runs.
    void wake();

signals:
    // The queue's entries (or what is being sent) changed.
    void changed();
    // One transfer ended, whatever its result.
    void transferEnded(const QString& sha256);

private:
    bool change(const std::function<void(std::vector<QueueEntry>&)>& edit);
    void start(const QueueEntry& entry);
    void finish(const SendResult& result);
    void releaseClaim();
    void schedule();
    std::string folderName(const std::string& folder) const;

    std::string root;
    std::optional<ServerLink> link;
    Clock now;
    Opener opener;
    std::string senderId;
    QNetworkAccessManager* network;
    QTimer* timer;
    QPointer<QNetworkReply> reply;
    std::unique_ptr<QIODevice> body;
    std::string current;
    std::vector<QueueEntry> queue;
    QString lastQueueError;
};
