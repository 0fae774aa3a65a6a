#include "Sidecar.h"
#include "PathText.h"

#include <cmath>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QSaveFile>

namespace sidecar {

namespace {

// Far more than any recording.json; a bigger file is not ours.
constexpr qint64 maxBytes = 1 << 20;
// Sizes and frame counts are whole numbers a double holds exactly.
constexpr double maxWhole = 9007199254740992.0;  // 2^53

QString path(const std::string& folder) {
    return pathText::toQt(folder + "/" + fileName);
}

bool isSha256(const QString& text) {
    if (text.size() != 64) {
        return false;
    }
    for (const QChar c : text) {
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
              (c >= QLatin1Char('a') && c <= QLatin1Char('f')))) {
            return false;
        }
    }
    return true;
}

// Reads one field; false with `problem` set when it is there but of the wrong kind.
bool text(const QJsonObject& object, const char* key, std::string& out, std::string& problem) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined() || value.isNull()) {
        return true;
    }
    if (!value.isString()) {
        problem = std::string("\"") + key + "\" is not a text";
        return false;
    }
    out = value.toString().toStdString();
    return true;
}

bool whole(const QJsonObject& object, const char* key, std::uint64_t& out, std::string& problem) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isUndefined() || value.isNull()) {
        return true;
    }
    const double number = value.toDouble(-1.0);
    if (!value.isDouble() || !(number >= 0.0) || number > maxWhole || std::floor(number) != number) {
        problem = std::string("\"") + key + "\" is not a whole number of 0 or more";
        return false;
    }
    out = static_cast<std::uint64_t>(number);
    return true;
}

std::string fill(const QJsonObject& object, LibraryEntry& entry) {
    std::string problem;
    const QJsonValue version = object.value(QLatin1String("formatVersion"));
    if (!version.isDouble() || version.toDouble() != std::floor(version.toDouble()) ||
        version.toDouble() < 1 || version.toDouble() > 1e6) {
        return "\"formatVersion\" is missing or not a whole number";
    }
    entry.formatVersion = static_cast<int>(version.toDouble());
    if (!text(object, "fileName", entry.fileName, problem) ||
        !text(object, "sha256", entry.sha256, problem) ||
        !whole(object, "size", entry.size, problem) ||
        !text(object, "source", entry.source, problem) ||
        !text(object, "volumeLabel", entry.volumeLabel, problem) ||
        !text(object, "importedAt", entry.importedAt, problem) ||
        !text(object, "captureDate", entry.captureDate, problem) ||
        !whole(object, "frames", entry.frames, problem) ||
        !text(object, "firstTime", entry.firstTime, problem) ||
        !text(object, "lastTime", entry.lastTime, problem) ||
        !text(object, "vehicle", entry.vehicle, problem) ||
        !text(object, "driver", entry.driver, problem) ||
        !text(object, "note", entry.note, problem)) {
        return problem;
    }
    const QJsonValue complete = object.value(QLatin1String("complete"));
    if (!complete.isUndefined() && !complete.isBool()) {
        return "\"complete\" is not true or false";
    }
    entry.complete = complete.toBool(true);
    const QJsonValue offset = object.value(QLatin1String("clockOffset"));
    if (!offset.isUndefined() && !offset.isNull()) {
        if (!offset.isDouble() || !std::isfinite(offset.toDouble())) {
            return "\"clockOffset\" is not a number of seconds";
        }
        entry.clockOffset = offset.toDouble();
    }
    if (!isSha256(QString::fromStdString(entry.sha256))) {
        return "\"sha256\" is missing or not 64 lower-case hex digits";
    }
    if (entry.fileName.empty() || entry.fileName.find('/') != std::string::npos ||
        entry.fileName == "." || entry.fileName == ".." || entry.fileName == fileName) {
        return "\"fileName\" is missing or not a file name";
    }
    if (entry.formatVersion > formatVersion) {
        return "written by a newer Halcyra (format " + std::to_string(entry.formatVersion) + ")";
    }
    return "";
}

QJsonObject toObject(const LibraryEntry& entry, QJsonObject object) {
    const auto put = [&object](const char* key, const std::string& value) {
        object.insert(QLatin1String(key), QString::fromStdString(value));
    };
    object.insert(QLatin1String("formatVersion"), formatVersion);
    put("fileName", entry.fileName);
    put("sha256", entry.sha256);
    object.insert(QLatin1String("size"), static_cast<double>(entry.size));
    put("source", entry.source);
    put("volumeLabel", entry.volumeLabel);
    put("importedAt", entry.importedAt);
    put("captureDate", entry.captureDate);
    object.insert(QLatin1String("frames"), static_cast<double>(entry.frames));
    put("firstTime", entry.firstTime);
    put("lastTime", entry.lastTime);
    object.insert(QLatin1String("complete"), entry.complete);
    put("vehicle", entry.vehicle);
    put("driver", entry.driver);
    put("note", entry.note);
    object.insert(QLatin1String("clockOffset"), entry.clockOffset);
    return object;
}

}  // namespace

std::string parse(std::string_view bytes, LibraryEntry& entry) {
    if (bytes.size() > static_cast<std::size_t>(maxBytes)) {
        return "recording.json is larger than 1 MiB";
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), &error);
    if (error.error != QJsonParseError::NoError) {
        return "recording.json is not valid JSON (" + error.errorString().toStdString() +
               " at byte " + std::to_string(error.offset) + ")";
    }
    if (!document.isObject()) {
        return "recording.json holds no JSON object";
    }
    const std::string problem = fill(document.object(), entry);
    return problem.empty() ? problem : "recording.json: " + problem;
}

std::string read(const std::string& folder, LibraryEntry& entry) {
    QFile file(path(folder));
    if (!file.open(QIODevice::ReadOnly)) {
        return file.exists() ? "recording.json cannot be read: " + file.errorString().toStdString()
                             : "recording.json is missing";
    }
    const QByteArray bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        return "recording.json cannot be read: " + file.errorString().toStdString();
    }
    return parse(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                 entry);
}

std::string serialise(const LibraryEntry& entry) {
    return QJsonDocument(toObject(entry, QJsonObject())).toJson().toStdString();
}

bool write(const std::string& folder, const LibraryEntry& entry, std::string& error) {
    QJsonObject kept;
    {
        QFile old(path(folder));
        if (old.open(QIODevice::ReadOnly)) {
            const QJsonDocument document = QJsonDocument::fromJson(old.read(maxBytes));
            if (document.isObject()) {
                kept = document.object();
            }
        }
    }
    QSaveFile file(path(folder));
    // QSaveFile writes a temporary file beside the target, syncs it and renames it over.
    const QByteArray bytes = QJsonDocument(toObject(entry, kept)).toJson();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        error = "cannot write " + path(folder).toStdString() + ": " + file.errorString().toStdString();
        return false;
    }
    return true;
}

}  // namespace sidecar
