#include "Library.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "PathText.h"
#include "RecordStream.h"
#include "Sha256.h"
#include "Sidecar.h"

namespace {

std::string absoluteFolder(const std::string& folder) {
    QString path = QDir::cleanPath(QFileInfo(pathText::toQt(folder)).absoluteFilePath());
    return pathText::fromQt(path);
}

// Our own temporary names (an import in progress, a recording.json being replaced) and
// anything hidden are not recordings.
bool isOurs(const QString& name) {
    return name.startsWith(QLatin1Char('.')) ||
           name.startsWith(QLatin1String(sidecar::fileName));
}

// For a folder whose recording.json cannot be trusted: the one file in it that is not ours.
std::optional<QString> loneRecording(const QDir& dir) {
    const QStringList files = dir.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    std::optional<QString> found;
    for (const QString& name : files) {
        if (isOurs(name)) {
            continue;
        }
        if (found) {
            return std::nullopt;  // more than one: we cannot tell which it is
        }
        found = name;
    }
    return found;
}

// The capture date of a file's first frame, read from its first record only.
std::string firstFrameDate(const std::string& path) {
    QFile file(pathText::toQt(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return "";
    }
    RecordStream stream;
    const QByteArray head = file.read(qint64{4} << 20);
    stream.feed(std::span(reinterpret_cast<const std::uint8_t*>(head.constData()),
                          static_cast<std::size_t>(head.size())));
    stream.finish();
    return stream.captureDate();
}

}  // namespace

Library::Library(const std::string& root) : rootFolder(absoluteFolder(root)) {}

std::string Library::defaultRoot() {
    QString movies = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (movies.isEmpty()) {
        movies = QDir::homePath() + QLatin1String("/Videos");
    }
    return pathText::fromQt(movies + QLatin1String("/Halcyra"));
}

bool Library::ensureRoot(std::string& error) const {
    const QFileInfo info(pathText::toQt(rootFolder));
    if (info.isDir()) {
        return true;
    }
    if (info.exists()) {
        error = rootFolder + ": not a folder";
        return false;
    }
    if (!QDir().mkpath(pathText::toQt(rootFolder))) {
        error = rootFolder + ": the library folder cannot be made";
        return false;
    }
    return true;
}

// "2026:11:28 14:35:07" and "2026-12-09T02:30:01Z" alike as "2026-11-28T14:35:07".
std::string LibraryEntry::sortKey() const {
    const auto normal = [](const std::string& text) -> std::string {
        if (text.size() < 19) {
            return "";
        }
        std::string key = text.substr(0, 19);
        for (const std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18}) {
            if (key[i] < '0' || key[i] > '9') {
                return "";
            }
        }
        key[4] = '-';
        key[7] = '-';
        key[10] = 'T';
        key[13] = ':';
        key[16] = ':';
        return key;
    };
    const std::string captured = normal(captureDate);
    return captured.empty() ? normal(importedAt) : captured;
}

bool Library::newerFirst(const LibraryEntry& a, const LibraryEntry& b) {
    const std::string keyA = a.sortKey();
    const std::string keyB = b.sortKey();
    if (keyA != keyB) {
        return keyA > keyB;
    }
    return a.folder > b.folder;
}

std::optional<LibraryEntry> Library::readFolder(const std::string& folder) {
    LibraryEntry entry;
    entry.folder = folder;
    const QDir dir(pathText::toQt(folder));
    entry.sidecarProblem = sidecar::read(folder, entry);
    if (entry.sidecarProblem.empty()) {
        entry.path = folder + "/" + entry.fileName;
        if (!QFileInfo(pathText::toQt(entry.path)).isFile()) {
            entry.sidecarProblem = "the recording " + entry.fileName + " is missing from its folder";
        }
        return entry;
    }
    // Listed from its file alone: whatever the broken file said is not kept.
    const std::string problem = entry.sidecarProblem;
    entry = LibraryEntry{};
    entry.folder = folder;
    entry.sidecarProblem = problem;
    const std::optional<QString> file = loneRecording(dir);
    if (!file) {
        // A folder of someone else's or half a removal: no recording to show.
        if (problem == "recording.json is missing") {
            return std::nullopt;
        }
        return entry;
    }
    entry.fileName = pathText::fromQt(*file);
    entry.path = folder + "/" + entry.fileName;
    const QFileInfo info(pathText::toQt(entry.path));
    entry.size = static_cast<std::uint64_t>(info.size());
    entry.captureDate = firstFrameDate(entry.path);
    entry.importedAt = pathText::fromQt(info.lastModified().toUTC().toString(Qt::ISODate));
    entry.complete = false;  // unknown until the file is read through
    return entry;
}

std::vector<LibraryEntry> Library::entries() const {
    std::vector<LibraryEntry> list;
    const QDir dir(pathText::toQt(rootFolder));
    const QStringList folders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    list.reserve(static_cast<std::size_t>(folders.size()));
    for (const QString& name : folders) {
        if (name.startsWith(QLatin1Char('.'))) {
            continue;  // an import in progress
        }
        if (auto entry = readFolder(rootFolder + "/" + pathText::fromQt(name))) {
            list.push_back(std::move(*entry));
        }
    }
    std::sort(list.begin(), list.end(), newerFirst);
    return list;
}

std::optional<LibraryEntry> Library::findBySha256(const std::string& sha256) const {
    for (LibraryEntry& entry : entries()) {
        if (entry.sidecarProblem.empty()) {
            if (entry.sha256 == sha256) {
                return entry;
            }
            continue;
        }
        // A broken recording.json hides the hash; the folder's name carries its start.
        if (!entry.path.empty() && sha256.size() >= 8 &&
            entry.folder.ends_with("_" + sha256.substr(0, 8))) {
            std::string error;
            if (Sha256::ofFile(entry.path, error) == sha256) {
                entry.sha256 = sha256;
                return entry;
            }
        }
    }
    return std::nullopt;
}

bool Library::saveUserFields(const LibraryEntry& entry, std::string& error) const {
    LibraryEntry stored;
    const std::string problem = sidecar::read(entry.folder, stored);
    if (!problem.empty()) {
        error = entry.folder + ": " + problem;
        return false;
    }
    stored.vehicle = entry.vehicle;
    stored.driver = entry.driver;
    stored.note = entry.note;
    stored.clockOffset = entry.clockOffset;
    return sidecar::write(entry.folder, stored, error);
}

std::optional<LibraryEntry> Library::entryOf(const std::string& recordingPath) {
    const QFileInfo info(pathText::toQt(recordingPath));
    const std::string folder = pathText::fromQt(info.absolutePath());
    LibraryEntry entry;
    entry.folder = folder;
    if (!sidecar::read(folder, entry).empty() ||
        entry.fileName != pathText::fromQt(info.fileName())) {
        return std::nullopt;
    }
    entry.path = folder + "/" + entry.fileName;
    return entry;
}
