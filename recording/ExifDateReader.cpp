#include "ExifDateReader.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::uint8_t markerStartOfImage = 0xD8;
constexpr std::uint8_t markerApp1 = 0xE1;
constexpr std::uint16_t tagExifIfd = 0x8769;
constexpr std::uint16_t tagDateTimeOriginal = 0x9003;
constexpr std::uint8_t exifId[6] = {'E', 'x', 'i', 'f', 0, 0};

}  // namespace

bool ExifDateReader::parse(const std::uint8_t* bytes, std::size_t length) {
    date.clear();
    data.clear();
    pos = 0;
    marker = 0;
    segmentLength = 0;
    littleEndian = false;
    tiffStart = 0;
    ifd0Offset = 0;
    exifIfdOffset = 0;
    // Positions are 32-bit; a frame's size field cannot announce more anyway.
    if (bytes == nullptr || length > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    data.assign(bytes, bytes + length);

    if (!findMarker() || marker != markerStartOfImage) {
        return false;
    }
    do {
        if (!findMarker()) {
            return false;
        }
    } while (marker != markerApp1);

    std::uint8_t high = 0;
    std::uint8_t low = 0;
    if (!readByte(high) || !readByte(low)) {
        return false;
    }
    segmentLength = static_cast<std::uint16_t>((high << 8) | low);
    for (std::uint8_t expected : exifId) {
        std::uint8_t b = 0;
        if (!readByte(b) || b != expected) {
            return false;
        }
    }

    tiffStart = pos;
    std::uint8_t first = 0;
    std::uint8_t second = 0;
    if (!readByte(first) || !readByte(second) || first != second) {
        return false;
    }
    if (first == 'I') {
        littleEndian = true;
    } else if (first == 'M') {
        littleEndian = false;
    } else {
        return false;
    }
    std::uint16_t magic = 0;
    if (!read16(magic) || magic != 42 || !read32(ifd0Offset)) {
        return false;
    }

    if (!seekTiff(ifd0Offset) || !findEntry(tagExifIfd, exifIfdOffset)) {
        return false;
    }
    std::uint32_t textOffset = 0;
    if (!seekTiff(exifIfdOffset) || !findEntry(tagDateTimeOriginal, textOffset)) {
        return false;
    }
    std::string text;
    if (!readText(textOffset, text)) {
        return false;
    }
    date = std::move(text);
    return true;
}

// Every byte counts: segments are not skipped by their length, so a 0xFF inside a segment's
// payload is taken as a marker too.
bool ExifDateReader::findMarker() {
    const auto begin = data.begin() + pos;
    const auto ff = std::find(begin, data.end(), std::uint8_t{0xFF});
    if (ff == data.end() || ff + 1 == data.end()) {
        return false;
    }
    marker = ff[1];
    pos = static_cast<std::uint32_t>(ff - data.begin()) + 2;
    return true;
}

bool ExifDateReader::readByte(std::uint8_t& value) {
    if (pos >= data.size()) {
        return false;
    }
    value = data[pos++];
    return true;
}

bool ExifDateReader::read16(std::uint16_t& value) {
    if (data.size() - pos < 2) {
        return false;
    }
    const std::uint8_t* p = &data[pos];
    value = littleEndian ? static_cast<std::uint16_t>(p[0] | (p[1] << 8))
                         : static_cast<std::uint16_t>((p[0] << 8) | p[1]);
    pos += 2;
    return true;
}

bool ExifDateReader::read32(std::uint32_t& value) {
    if (data.size() - pos < 4) {
        return false;
    }
    const std::uint8_t* p = &data[pos];
    if (littleEndian) {
        value = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    } else {
        value = (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
    }
    pos += 4;
    return true;
}

bool ExifDateReader::skip(std::uint32_t count) {
    if (data.size() - pos < count) {
        return false;
    }
    pos += count;
    return true;
}

bool ExifDateReader::seekTiff(std::uint32_t offset) {
    const std::uint64_t target = std::uint64_t{tiffStart} + offset;
    if (target > data.size()) {
        return false;
    }
    pos = static_cast<std::uint32_t>(target);
    return true;
}

// Scans the directory at pos for tag and reads that entry's value field. Type and count are
// not checked: the tag alone decides.
bool ExifDateReader::findEntry(std::uint16_t tag, std::uint32_t& value) {
    std::uint16_t count = 0;
    if (!read16(count)) {
        return false;
    }
    for (std::uint16_t i = 0; i < count; ++i) {
        std::uint16_t entryTag = 0;
        if (!read16(entryTag)) {
            return false;
        }
        if (entryTag == tag) {
            return skip(6) && read32(value);
        }
        if (!skip(10)) {
            return false;
        }
    }
    return false;
}

// The text must end in a zero inside the data; one that runs to the end is no date.
bool ExifDateReader::readText(std::uint32_t offset, std::string& text) const {
    const std::uint64_t start = std::uint64_t{tiffStart} + offset;
    if (start >= data.size()) {
        return false;
    }
    const auto begin = data.begin() + static_cast<std::ptrdiff_t>(start);
    const auto end = std::find(begin, data.end(), std::uint8_t{0});
    if (end == data.end()) {
        return false;
    }
    text.assign(begin, end);
    return true;
}
