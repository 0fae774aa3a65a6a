#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Finds the EXIF DateTimeOriginal text in the bytes of a JPEG image. Every read is bounded
// by the data: an offset, a directory or a text that reaches past the end yields no date.
class ExifDateReader {
public:
    // True when a date was found; getDate() then returns it exactly as stored.
    bool parse(const std::uint8_t* bytes, std::size_t length);
    std::string getDate() const { return date; }

private:
    // Each helper fails instead of reading past the end of data; pos only moves on success.
    bool findMarker();
    bool readByte(std::uint8_t& value);
    bool read16(std::uint16_t& value);
    bool read32(std::uint32_t& value);
    bool skip(std::uint32_t count);
    bool seekTiff(std::uint32_t offset);
    bool findEntry(std::uint16_t tag, std::uint32_t& value);
    bool readText(std::uint32_t offset, std::string& text) const;

    std::string date;
    std::vector<std::uint8_t> data;
    std::uint32_t pos = 0;
    std::uint8_t marker = 0;
    std::uint16_t segmentLength = 0;
    bool littleEndian = false;
    std::uint32_t tiffStart = 0;
    std::uint32_t ifd0Offset = 0;
    std::uint32_t exifIfdOffset = 0;
};
