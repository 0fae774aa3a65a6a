#include "RecordingHead.h"

#include <QFile>
#include <QFileInfo>

#include <span>

#include "LeadingInteger.h"
#include "PathText.h"
#include "RecordStream.h"
#include "Sha256.h"

namespace recordingHead {

namespace {

struct Header {
    std::uint8_t bytes[RecordStream::headerSize] = {};
    std::int32_t number = 0;
    std::uint32_t size = 0;
};

// The record header at the file's position; nothing at the end, on a read error or where
// the bytes are no record.
std::optional<Header> readHeader(QFile& file) {
    Header header;
    if (file.read(reinterpret_cast<char*>(header.bytes), sizeof header.bytes) !=
        static_cast<qint64>(sizeof header.bytes)) {
        return std::nullopt;
    }
    if (!RecordStream::startsRecord(header.bytes)) {
        return std::nullopt;
    }
    header.size = std::uint32_t{header.bytes[8]} | (std::uint32_t{header.bytes[9]} << 8) |
                  (std::uint32_t{header.bytes[10]} << 16) | (std::uint32_t{header.bytes[11]} << 24);
    header.number =
        readLeadingInteger(std::string_view(reinterpret_cast<const char*>(header.bytes), 8)).value;
    return header;
}

// The frame bytes after a header just read, when the file holds them all.
std::optional<QByteArray> readFrame(QFile& file, const Header& header) {
    if (header.size > frameLimit || file.size() - file.pos() < static_cast<qint64>(header.size)) {
        return std::nullopt;
    }
    QByteArray frame = file.read(header.size);
    if (frame.size() != static_cast<qsizetype>(header.size)) {
        return std::nullopt;
    }
    return frame;
}

}  // namespace

std::optional<Key> keyOf(const std::string& path) {
    QFile file(pathText::toQt(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const std::optional<Header> header = readHeader(file);
    if (!header) {
        return std::nullopt;
    }
    const std::optional<QByteArray> frame = readFrame(file, *header);
    if (!frame) {
        return std::nullopt;
    }
    Sha256 hash;
    hash.update(header->bytes, sizeof header->bytes);
    hash.update(frame->constData(), static_cast<std::size_t>(frame->size()));
    Key key;
    key.size = static_cast<std::uint64_t>(file.size());
    key.modified = QFileInfo(file).lastModified().toSecsSinceEpoch();
    key.firstRecord = hash.finalHex();
    return key;
}

std::vector<std::uint8_t> eventFrameJpeg(const std::string& path, std::int32_t eventNumber) {
    QFile file(pathText::toQt(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    qint64 chosenAt = -1;
    Header chosen;
    for (;;) {
        const std::optional<Header> header = readHeader(file);
        if (!header || (chosenAt >= 0 && header->number > eventNumber)) {
            break;
        }
        const qint64 at = file.pos();
        if (file.size() - at < static_cast<qint64>(header->size)) {
            break;  // cut short: the frames before it are the recording
        }
        chosen = *header;
        chosenAt = at;
        if (header->number > eventNumber) {
            break;  // every frame is later: the first one stands for the event
        }
        if (!file.seek(at + header->size)) {
            break;
        }
    }
    if (chosenAt < 0 || !file.seek(chosenAt)) {
        return {};
    }
    const std::optional<QByteArray> frame = readFrame(file, chosen);
    if (!frame) {
        return {};
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(frame->constData());
    return {bytes, bytes + frame->size()};
}

}  // namespace recordingHead
