#include "SendQueue.h"

#include <algorithm>

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "FileOps.h"

namespace {

// Room for some hundred thousand recordings.
constexpr std::size_t queueFileLimit = std::size_t{64} << 20;
constexpr int queueVersion = 1;

const char* stateWord(QueueEntry::State state) {
    switch (state) {
        case QueueEntry::State::Sent: return "sent";
        case QueueEntry::State::Refused: return "refused";
        case QueueEntry::State::Waiting: break;
    }
    return "waiting";
}

QString timeText(std::int64_t ms) {
    return ms == 0 ? QString() : QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs);
}

std::int64_t timeOf(const QJsonValue& value) {
    const QDateTime time = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
    return time.isValid() ? time.toMSecsSinceEpoch() : 0;
}

bool isSha256(const QString& text) {
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](QChar c) {
               return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                      (c >= QLatin1Char('a') && c <= QLatin1Char('f'));
           });
}

std::string utf8(const QJsonValue& value) {
    return value.toString().toStdString();
}

}  // namespace

SendQueue::SendQueue(const std::string& libraryRoot) : file(libraryRoot + "/" + fileName) {}

std::string SendQueue::toJson(const std::vector<QueueEntry>& entries) {
    QJsonArray list;
    for (const QueueEntry& entry : entries) {
        QJsonObject item{{"sha256", QString::fromStdString(entry.sha256)},
                         {"folder", QString::fromStdString(entry.folder)},
                         {"state", QLatin1String(stateWord(entry.state))},
                         {"attempts", entry.attempts}};
        if (entry.nextTry != 0) {
            item.insert(QStringLiteral("nextTry"), timeText(entry.nextTry));
        }
        if (!entry.cause.empty()) {
            item.insert(QStringLiteral("cause"), QString::fromStdString(entry.cause));
        }
        if (!entry.error.empty()) {
            item.insert(QStringLiteral("error"), QString::fromStdString(entry.error));
        }
        if (!entry.claimedBy.empty()) {
            item.insert(QStringLiteral("claimedBy"), QString::fromStdString(entry.claimedBy));
            item.insert(QStringLiteral("claimedAt"), timeText(entry.claimedAt));
        }
        list.append(item);
    }
    const QJsonObject top{{"version", queueVersion}, {"recordings", list}};
    return QJsonDocument(top).toJson(QJsonDocument::Indented).toStdString();
}

std::vector<QueueEntry> SendQueue::fromJson(const std::string& bytes, std::string& error) {
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(bytes), &parse);
    if (parse.error != QJsonParseError::NoError) {
        error = "not JSON (" + parse.errorString().toStdString() + " at byte " +
                std::to_string(parse.offset) + ")";
        return {};
    }
    const QJsonObject top = document.object();
    if (!document.isObject() || !top.value(QStringLiteral("recordings")).isArray()) {
        error = "no \"recordings\" list";
        return {};
    }
    if (top.value(QStringLiteral("version")).toInt() > queueVersion) {
        error = "written by a newer Halcyra (version " +
                std::to_string(top.value(QStringLiteral("version")).toInt()) + ")";
        return {};
    }
    std::vector<QueueEntry> entries;
    for (const auto& value : top.value(QStringLiteral("recordings")).toArray()) {
        const QJsonObject item = value.toObject();
        const QString sha256 = item.value(QStringLiteral("sha256")).toString();
        if (!isSha256(sha256) ||
            std::any_of(entries.begin(), entries.end(),
                        [&](const QueueEntry& e) { return e.sha256 == sha256.toStdString(); })) {
            continue;
        }
        QueueEntry entry;
        entry.sha256 = sha256.toStdString();
        entry.folder = utf8(item.value(QStringLiteral("folder")));
        const QString state = item.value(QStringLiteral("state")).toString();
        entry.state = state == QLatin1String("sent")      ? QueueEntry::State::Sent
                      : state == QLatin1String("refused") ? QueueEntry::State::Refused
                                                          : QueueEntry::State::Waiting;
        entry.attempts = std::max(0, item.value(QStringLiteral("attempts")).toInt());
        entry.nextTry = timeOf(item.value(QStringLiteral("nextTry")));
        entry.cause = utf8(item.value(QStringLiteral("cause")));
        entry.error = utf8(item.value(QStringLiteral("error")));
        entry.claimedBy = utf8(item.value(QStringLiteral("claimedBy")));
        entry.claimedAt = timeOf(item.value(QStringLiteral("claimedAt")));
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<QueueEntry> SendQueue::read(std::string& error) const {
    error.clear();
    const fileOps::FileContents contents = fileOps::readSmallFile(file, queueFileLimit);
    if (contents.error == std::errc::no_such_file_or_directory) {
        return {};
    }
    if (contents.error) {
        error = file + ": cannot be read: " + contents.error.message();
        return {};
    }
    std::string why;
    std::vector<QueueEntry> entries = fromJson(contents.bytes, why);
    if (!why.empty()) {
        error = file + ": " + why;
    }
    return entries;
}

bool SendQueue::update(const std::function<void(std::vector<QueueEntry>&)>& change,
                       std::vector<QueueEntry>& after, std::string& error) const {
    std::string readError;
    std::vector<QueueEntry> entries = read(readError);
    if (!readError.empty()) {
        const fileOps::FileContents contents = fileOps::readSmallFile(file, queueFileLimit);
        if (contents.error) {
            // Unreadable now is not broken: writing over it could lose what it holds.
            error = readError;
            return false;
        }
        // Kept for a person to look at; the queue starts again (the server answers "present"
        // for what was sent already).
        if (const std::error_code code = fileOps::moveEntry(file, file + ".broken", true)) {
            error = readError + "; it cannot be put aside: " + code.message();
            return false;
        }
    }
    change(entries);
    if (const std::error_code code = fileOps::replaceFile(file, toJson(entries), 0644)) {
        error = file + ": cannot be written: " + code.message();
        return false;
    }
    after = std::move(entries);
    error.clear();
    return true;
}
