#include "RecordStream.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "ExifDateReader.h"
#include "LeadingInteger.h"

namespace {

constexpr std::uint8_t nameSuffix[5] = {'.', 'j', 'p', 'g', 0};
// The capture date sits in the first frame's EXIF segment, near its start; a first frame
// bigger than this keeps only its beginning.
constexpr std::size_t firstFrameLimit = std::size_t{4} << 20;

std::int32_t sizeOf(const std::uint8_t* header) {
    const std::uint32_t value = std::uint32_t{header[8]} | (std::uint32_t{header[9]} << 8) |
                                (std::uint32_t{header[10]} << 16) |
                                (std::uint32_t{header[11]} << 24);
    return static_cast<std::int32_t>(value);
}

std::string printableName(const std::uint8_t* name) {
    std::string text;
    for (std::size_t i = 0; i < 8 && name[i] != 0; ++i) {
        const char c = static_cast<char>(name[i]);
        text.push_back(name[i] >= 0x20 && name[i] < 0x7f ? c : '?');
    }
    return text;
}

}  // namespace

bool RecordStream::startsRecord(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= headerSize &&
           std::memcmp(bytes.data() + 3, nameSuffix, sizeof nameSuffix) == 0 &&
           sizeOf(bytes.data()) >= 0;
}

std::string RecordStream::whyNotRecord(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < headerSize) {
        return "not a recording: the file has " + std::to_string(bytes.size()) +
               " bytes, fewer than one record header";
    }
    if (std::memcmp(bytes.data() + 3, nameSuffix, sizeof nameSuffix) != 0) {
        return "not a recording: its first record is named \"" + printableName(bytes.data()) +
               "\", not NNN.jpg";
    }
    if (sizeOf(bytes.data()) < 0) {
        return "not a recording: its first record announces " +
               std::to_string(sizeOf(bytes.data())) + " bytes";
    }
    return "";
}

void RecordStream::feed(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty() && !stopped) {
        if (!inData) {
            const std::size_t take = std::min(bytes.size(), headerSize - headerFill);
            std::memcpy(header + headerFill, bytes.data(), take);
            headerFill += take;
            bytes = bytes.subspan(take);
            if (headerFill == headerSize) {
                endHeader();
            }
            continue;
        }
        const std::size_t take =
            static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), dataLeft));
        if (keepingFirst) {
            const std::size_t room = firstFrameLimit - firstFrame.size();
            const std::size_t kept = std::min(take, room);
            firstFrame.insert(firstFrame.end(), bytes.begin(),
                              bytes.begin() + static_cast<std::ptrdiff_t>(kept));
        }
        dataLeft -= take;
        bytes = bytes.subspan(take);
        if (dataLeft == 0) {
            endFrame();
        }
    }
}

void RecordStream::endHeader() {
    headerFill = 0;
    if (!startsRecord(header)) {
        stopped = true;
        broken = true;
        fault = "record " + std::to_string(frameCount) + " at offset " + std::to_string(offset) +
                " is no record (" + whyNotRecord(header).substr(std::string_view("not a recording: ").size()) + ")";
        return;
    }
    pending = readLeadingInteger(std::string_view(reinterpret_cast<const char*>(header), 8)).value;
    dataLeft = static_cast<std::uint64_t>(sizeOf(header));
    inData = true;
    keepingFirst = frameCount == 0;
    if (dataLeft == 0) {
        endFrame();
    }
}

void RecordStream::endFrame() {
    if (frameCount == 0) {
        first = pending;
        ExifDateReader reader;
        if (reader.parse(firstFrame.data(), firstFrame.size())) {
            date = reader.getDate();
        }
        firstFrame.clear();
        firstFrame.shrink_to_fit();
        keepingFirst = false;
    }
    last = pending;
    ++frameCount;
    offset += headerSize + static_cast<std::uint64_t>(sizeOf(header));
    inData = false;
}

void RecordStream::finish() {
    if (stopped) {
        return;
    }
    stopped = true;
    if (inData || headerFill > 0) {
        broken = true;
        fault = "the file ends inside record " + std::to_string(frameCount) + " at offset " +
                std::to_string(offset);
        // A first frame cut short may still carry its date: it names the folder.
        if (frameCount == 0 && inData) {
            ExifDateReader reader;
            if (reader.parse(firstFrame.data(), firstFrame.size())) {
                date = reader.getDate();
            }
        }
    }
}
