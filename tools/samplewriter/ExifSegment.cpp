#include "ExifSegment.h"

#include <stdexcept>

namespace {

constexpr std::uint16_t typeAscii = 2;
constexpr std::uint16_t typeShort = 3;
constexpr std::uint16_t typeLong = 4;
constexpr std::uint16_t typeUndefined = 7;

constexpr std::uint16_t tagMake = 0x010F;
constexpr std::uint16_t tagModel = 0x0110;
constexpr std::uint16_t tagOrientation = 0x0112;
constexpr std::uint16_t tagExifPointer = 0x8769;
constexpr std::uint16_t tagExifVersion = 0x9000;
constexpr std::uint16_t tagDateTimeOriginal = 0x9003;
constexpr std::uint16_t tagDateTimeDigitized = 0x9004;

struct IfdEntry {
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t count;
    // Value bytes in file order; up to 4 are stored in the entry, more after the directory.
    std::vector<std::uint8_t> value;
};

IfdEntry textEntry(std::uint16_t tag, const std::string& text, bool terminate = true) {
    IfdEntry entry{tag, typeAscii, 0, std::vector<std::uint8_t>(text.begin(), text.end())};
    if (terminate) {
        entry.value.push_back(0);
    }
    entry.count = static_cast<std::uint32_t>(entry.value.size());
    return entry;
}

void appendU16(std::vector<std::uint8_t>& out, std::uint16_t v, ExifByteOrder order) {
    out.resize(out.size() + 2);
    putExifU16(out, out.size() - 2, v, order);
}

void appendU32(std::vector<std::uint8_t>& out, std::uint32_t v, ExifByteOrder order) {
    out.resize(out.size() + 4);
    putExifU32(out, out.size() - 4, v, order);
}

// Appends one directory (count, entries, zero next-IFD offset, then the values that do not
// fit in an entry) and returns the position of each entry's value field.
std::vector<std::size_t> appendIfd(std::vector<std::uint8_t>& out, std::size_t tiffStart,
                                   const std::vector<IfdEntry>& entries, ExifByteOrder order) {
    const std::size_t dirStart = out.size();
    std::size_t dataOffset = dirStart - tiffStart + 2 + 12 * entries.size() + 4;
    std::vector<std::size_t> valuePositions;
    appendU16(out, static_cast<std::uint16_t>(entries.size()), order);
    for (const IfdEntry& e : entries) {
        appendU16(out, e.tag, order);
        appendU16(out, e.type, order);
        appendU32(out, e.count, order);
        valuePositions.push_back(out.size());
        if (e.value.size() <= 4) {
            out.insert(out.end(), e.value.begin(), e.value.end());
            out.resize(valuePositions.back() + 4, 0);
        } else {
            appendU32(out, static_cast<std::uint32_t>(dataOffset), order);
            // Values start on even offsets, as TIFF asks.
            dataOffset += (e.value.size() + 1) & ~std::size_t{1};
        }
    }
    appendU32(out, 0, order);
    for (const IfdEntry& e : entries) {
        if (e.value.size() > 4) {
            out.insert(out.end(), e.value.begin(), e.value.end());
            if (e.value.size() % 2 != 0) {
                out.push_back(0);
            }
        }
    }
    return valuePositions;
}

std::uint32_t readU32(const std::vector<std::uint8_t>& b, std::size_t pos, ExifByteOrder order) {
    if (order == ExifByteOrder::Intel) {
        return b[pos] | (b[pos + 1] << 8) | (b[pos + 2] << 16) |
               (static_cast<std::uint32_t>(b[pos + 3]) << 24);
    }
    return (static_cast<std::uint32_t>(b[pos]) << 24) | (b[pos + 1] << 16) | (b[pos + 2] << 8) |
           b[pos + 3];
}

}  // namespace

void putExifU16(std::vector<std::uint8_t>& bytes, std::size_t pos, std::uint16_t value,
                ExifByteOrder order) {
    const auto hi = static_cast<std::uint8_t>(value >> 8);
    const auto lo = static_cast<std::uint8_t>(value);
    bytes.at(pos) = order == ExifByteOrder::Intel ? lo : hi;
    bytes.at(pos + 1) = order == ExifByteOrder::Intel ? hi : lo;
}

void putExifU32(std::vector<std::uint8_t>& bytes, std::size_t pos, std::uint32_t value,
                ExifByteOrder order) {
    const auto hi = static_cast<std::uint16_t>(value >> 16);
    const auto lo = static_cast<std::uint16_t>(value);
    putExifU16(bytes, pos, order == ExifByteOrder::Intel ? lo : hi, order);
    putExifU16(bytes, pos + 2, order == ExifByteOrder::Intel ? hi : lo, order);
}

std::vector<std::uint8_t> makeExifSegment(const ExifSegmentOptions& options,
                                          ExifSegmentLayout* layout) {
    const ExifByteOrder order = options.order;
    ExifSegmentLayout where;
    std::vector<std::uint8_t> out = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};

    where.tiffStart = out.size();
    const std::uint8_t orderMark = order == ExifByteOrder::Intel ? 'I' : 'M';
    out.push_back(orderMark);
    out.push_back(orderMark);
    appendU16(out, 42, order);
    appendU32(out, 8, order);

    std::vector<std::uint8_t> topLeft(2);
    putExifU16(topLeft, 0, 1, order);
    std::vector<IfdEntry> ifd0 = {textEntry(tagMake, "HALCYRA"),
                                  textEntry(tagModel, "ROAD SAMPLE"),
                                  {tagOrientation, typeShort, 1, topLeft}};
    if (options.exifPointer) {
        ifd0.push_back({tagExifPointer, typeLong, 1, {0, 0, 0, 0}});
    }
    where.ifd0 = out.size();
    const std::vector<std::size_t> ifd0Values = appendIfd(out, where.tiffStart, ifd0, order);

    where.exifIfd = out.size();
    if (options.exifPointer) {
        where.exifPointerValue = ifd0Values.back();
        putExifU32(out, where.exifPointerValue,
                   static_cast<std::uint32_t>(where.exifIfd - where.tiffStart), order);
    }
    std::vector<IfdEntry> exif = {{tagExifVersion, typeUndefined, 4, {'0', '2', '3', '2'}}};
    if (options.dateTimeOriginal) {
        exif.push_back(
            textEntry(tagDateTimeOriginal, *options.dateTimeOriginal, options.terminateDate));
    }
    exif.push_back(
        textEntry(tagDateTimeDigitized, options.dateTimeOriginal.value_or("2026:01:01 00:00:00")));
    const std::vector<std::size_t> exifValues = appendIfd(out, where.tiffStart, exif, order);
    if (options.dateTimeOriginal) {
        where.dateValue = exifValues[1];
        where.dateText = options.dateTimeOriginal->size() + (options.terminateDate ? 1 : 0) <= 4
                             ? where.dateValue
                             : where.tiffStart + readU32(out, where.dateValue, order);
    }

    if (out.size() - 2 > 0xFFFF) {
        throw std::length_error("EXIF segment longer than a JPEG segment can be");
    }
    out[2] = static_cast<std::uint8_t>((out.size() - 2) >> 8);
    out[3] = static_cast<std::uint8_t>(out.size() - 2);
    if (layout != nullptr) {
        *layout = where;
    }
    return out;
}

std::vector<std::uint8_t> makeExifSegment(const std::string& dateTimeOriginal,
                                          ExifByteOrder order) {
    ExifSegmentOptions options;
    options.order = order;
    options.dateTimeOriginal = dateTimeOriginal;
    return makeExifSegment(options);
}
