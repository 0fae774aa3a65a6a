#include "QueueSender.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QSysInfo>
#include <QTimer>

#include "Library.h"
#include "UploadExchange.h"

namespace {

std::unique_ptr<QIODevice> openFile(const QString& path) {
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly)) {
        return nullptr;
    }
    return file;
}

QueueEntry* find(std::vector<QueueEntry>& entries, const std::string& sha256) {
    const auto found = std::find_if(entries.begin(), entries.end(),
                                    [&](const QueueEntry& e) { return e.sha256 == sha256; });
    return found == entries.end() ? nullptr : &*found;
}

void queueNow(QueueEntry& entry, std::int64_t now) {
    entry.state = QueueEntry::State::Waiting;
    entry.attempts = 0;
    entry.nextTry = now;
    entry.cause.clear();
    entry.error.clear();
}

}  // namespace

QueueSender::QueueSender(QObject* parent)
    : QObject(parent),
      now([] { return QDateTime::currentMSecsSinceEpoch(); }),
      opener(openFile),
      senderId(QStringLiteral("%1/%2/%3")
                   .arg(QSysInfo::machineHostName())
                   .arg(QCoreApplication::applicationPid())
                   .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'))
                   .toStdString()),
      network(new QNetworkAccessManager(this)),
      timer(new QTimer(this)) {
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, &QueueSender::wake);
}

QueueSender::~QueueSender() {
    if (reply) {
        reply->disconnect(this);
        reply->abort();
        delete reply.data();
    }
    releaseClaim();
}

void QueueSender::setLibrary(const std::string& libraryRoot) {
    if (libraryRoot == root) {
        return;
    }
    if (reply) {
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
        body.reset();
    }
    releaseClaim();
    root = libraryRoot;
    queue.clear();
    wake();
}

void QueueSender::setLink(std::optional<ServerLink> next) {
    const bool newToken = next && (!link || link->token != next->token);
    link = std::move(next);
    if (newToken && !root.empty()) {
        const std::int64_t at = now();
        change([at](std::vector<QueueEntry>& entries) {
            for (QueueEntry& entry : entries) {
                if (entry.state == QueueEntry::State::Refused &&
                    entry.cause == causeWord(SendResult::Cause::Token)) {
                    queueNow(entry, at);
                }
            }
        });
    }
    wake();
}

void QueueSender::setClock(Clock clock) {
    now = std::move(clock);
}

void QueueSender::setOpener(Opener next) {
    opener = std::move(next);
}

std::string QueueSender::folderName(const std::string& folder) const {
    if (folder.size() > root.size() && folder.compare(0, root.size(), root) == 0 &&
        (folder[root.size()] == '/' || folder[root.size()] == '\\')) {
        return folder.substr(root.size() + 1);
    }
    return folder;
}

void QueueSender::enqueue(const std::string& sha256, const std::string& folder) {
    const std::string name = folderName(folder);
    const std::int64_t at = now();
    change([&](std::vector<QueueEntry>& entries) {
        if (find(entries, sha256) == nullptr) {
            QueueEntry entry;
            entry.sha256 = sha256;
            entry.folder = name;
            entry.nextTry = at;
            entries.push_back(std::move(entry));
        }
    });
    wake();
}

void QueueSender::sendAgain(const std::vector<std::pair<std::string, std::string>>& recordings) {
    const std::int64_t at = now();
    change([&](std::vector<QueueEntry>& entries) {
        for (const auto& [sha256, folder] : recordings) {
            QueueEntry* entry = find(entries, sha256);
            if (entry == nullptr) {
                entries.emplace_back();
                entry = &entries.back();
                entry->sha256 = sha256;
            }
            entry->folder = folderName(folder);
            queueNow(*entry, at);
        }
    });
    wake();
}

const QueueEntry* QueueSender::entryOf(const std::string& sha256) const {
    const auto found = std::find_if(queue.begin(), queue.end(),
                                    [&](const QueueEntry& e) { return e.sha256 == sha256; });
    return found == queue.end() ? nullptr : &*found;
}

int QueueSender::waitingCount() const {
    return static_cast<int>(std::count_if(queue.begin(), queue.end(), [](const QueueEntry& e) {
        return e.state == QueueEntry::State::Waiting;
    }));
}

std::int64_t QueueSender::waitAfter(int attempts) {
    std::int64_t wait = firstWaitMs;
    for (int i = 1; i < attempts && wait < longestWaitMs; ++i) {
        wait *= 2;
    }
    return std::min(wait, longestWaitMs);
}

bool QueueSender::change(const std::function<void(std::vector<QueueEntry>&)>& edit) {
    if (root.empty()) {
        return false;
    }
    std::string error;
    if (!SendQueue(root).update(edit, queue, error)) {
        lastQueueError = QString::fromStdString(error);
        emit changed();
        return false;
    }
    lastQueueError.clear();
    emit changed();
    return true;
}

void QueueSender::wake() {
    if (reply || root.empty()) {
        return;
    }
    std::string error;
    std::vector<QueueEntry> read = SendQueue(root).read(error);
    lastQueueError = QString::fromStdString(error);
    const bool differs = SendQueue::toJson(read) != SendQueue::toJson(queue);
    queue = std::move(read);
    if (differs || !error.empty()) {
        emit changed();
    }
    if (!link) {
        timer->stop();
        return;
    }
    const std::int64_t at = now();
    const auto due = [&](const QueueEntry& e) {
        return e.state == QueueEntry::State::Waiting && e.nextTry <= at &&
               !e.claimedByOtherThan(senderId, at, claimStaleMs);
    };
    // The longest waiting first, so one recording that keeps failing holds up no other.
    auto next = queue.end();
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (due(*it) && (next == queue.end() || it->nextTry < next->nextTry)) {
            next = it;
        }
    }
    if (next == queue.end()) {
        schedule();
        return;
    }
    const std::string sha256 = next->sha256;
    bool claimed = false;
    // Another program may have taken it since the read: the claim is made on a fresh read.
    change([&](std::vector<QueueEntry>& entries) {
        QueueEntry* entry = find(entries, sha256);
        if (entry != nullptr && due(*entry)) {
            entry->claimedBy = senderId;
            entry->claimedAt = at;
            claimed = true;
        }
    });
    const QueueEntry* entry = entryOf(sha256);
    if (!claimed || entry == nullptr) {
        schedule();
        return;
    }
    // A copy: the queue is read afresh while it is sent.
    const QueueEntry chosen = *entry;
    start(chosen);
}

void QueueSender::start(const QueueEntry& entry) {
    current = entry.sha256;
    emit changed();
    std::optional<LibraryEntry> found = Library::readFolder(root + "/" + entry.folder);
    if (!found || found->sha256 != entry.sha256) {
        found = Library(root).findBySha256(entry.sha256);
    }
    if (!found || found->path.empty()) {
        finish({SendResult::Status::Failed, entry.folder + ": no longer in the library", false, 0,
                SendResult::Cause::Unreadable});
        return;
    }
    const QString path = QString::fromStdString(found->path);
    body = opener(path);
    if (!body) {
        // Perhaps held by another program for a moment: worth a later try.
        finish({SendResult::Status::Failed, found->path + ": cannot be read", true, 0,
                SendResult::Cause::Unreadable});
        return;
    }
    reply = uploadExchange::post(*network, *link, body.get(), body->size(), QFileInfo(path).fileName(),
                                 entry.sha256);
    connect(reply, &QNetworkReply::finished, this, [this] {
        QNetworkReply* ended = reply.data();
        reply.clear();
        const SendResult result = uploadExchange::resultOf(*ended, *link);
        ended->deleteLater();
        finish(result);
    });
}

void QueueSender::finish(const SendResult& result) {
    body.reset();
    const std::string sha256 = current;
    const std::int64_t at = now();
    current.clear();
    change([&](std::vector<QueueEntry>& entries) {
        QueueEntry* entry = find(entries, sha256);
        if (entry == nullptr) {
            return;
        }
        entry->claimedBy.clear();
        entry->claimedAt = 0;
        entry->cause = causeWord(result.cause);
        entry->error = result.reason;
        if (result.sent()) {
            entry->state = QueueEntry::State::Sent;
        } else if (result.retry) {
            entry->state = QueueEntry::State::Waiting;
            entry->attempts += 1;
            entry->nextTry = at + waitAfter(entry->attempts);
        } else {
            entry->state = QueueEntry::State::Refused;
        }
    });
    emit transferEnded(QString::fromStdString(sha256));
    // The next one after the window has had its turn.
    QTimer::singleShot(0, this, &QueueSender::wake);
}

void QueueSender::releaseClaim() {
    if (current.empty() || root.empty()) {
        current.clear();
        return;
    }
    const std::string sha256 = current;
    current.clear();
    std::string error;
    std::vector<QueueEntry> after;
    SendQueue(root).update(
        [&](std::vector<QueueEntry>& entries) {
            if (QueueEntry* entry = find(entries, sha256); entry != nullptr && entry->claimedBy == senderId) {
                entry->claimedBy.clear();
                entry->claimedAt = 0;
            }
        },
        after, error);
}

void QueueSender::schedule() {
    std::int64_t wait = pollMs;
    const std::int64_t at = now();
    for (const QueueEntry& entry : queue) {
        if (entry.state == QueueEntry::State::Waiting) {
            const std::int64_t until = std::max<std::int64_t>(entry.nextTry - at, 0) + 10;
            wait = std::min(wait, entry.claimedBy.empty() ? until : std::int64_t{pollMs});
        }
    }
    timer->start(static_cast<int>(wait));
}
