#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class ExifByteOrder { Intel, Motorola };  // "II" and "MM"

// What goes into an EXIF APP1 segment. The defaults give a complete, valid segment; tests
// switch parts off to build broken ones.
struct ExifSegmentOptions {
    ExifByteOrder order = ExifByteOrder::Intel;
    // Stored as given; nullopt leaves the 0x9003 entry out of the EXIF directory.
    std::optional<std::string> dateTimeOriginal;
    // False stores the date text without its terminating zero (the count shrinks with it).
    bool terminateDate = true;
    // False leaves the 0x8769 pointer out of IFD0; the EXIF directory is still written.
    bool exifPointer = true;
};

// Byte positions inside the segment, counted from its FF E1, so that tests can patch the
// values the reader follows.
struct ExifSegmentLayout {
    std::size_t tiffStart = 0;
    std::size_t ifd0 = 0;              // IFD0's entry count
    std::size_t exifPointerValue = 0;  // value field of the 0x8769 entry (0 when left out)
    std::size_t exifIfd = 0;           // the EXIF directory's entry count
    std::size_t dateValue = 0;         // value field of the 0x9003 entry (0 when left out)
    std::size_t dateText = 0;          // first character of the date text
};

// A complete APP1 segment: FF E1, big-endian length, "Exif\0\0", TIFF header, IFD0 with
// Make, Model, Orientation and the EXIF pointer, and an EXIF directory with ExifVersion,
// DateTimeOriginal and DateTimeDigitized.
std::vector<std::uint8_t> makeExifSegment(const ExifSegmentOptions& options,
                                          ExifSegmentLayout* layout = nullptr);
std::vector<std::uint8_t> makeExifSegment(const std::string& dateTimeOriginal,
                                          ExifByteOrder order = ExifByteOrder::Intel);

// Overwrite a value in place in the given byte order; the bytes must already exist.
void putExifU16(std::vector<std::uint8_t>& bytes, std::size_t pos, std::uint16_t value,
                ExifByteOrder order);
void putExifU32(std::vector<std::uint8_t>& bytes, std::size_t pos, std::uint32_t value,
                ExifByteOrder order);
