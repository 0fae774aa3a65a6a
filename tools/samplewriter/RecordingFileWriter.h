#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Appends one well-formed record: the name (number as "%03d", then ".jpg" and a zero byte),
// the size as little-endian signed 32-bit, then the JPEG bytes. Throws std::invalid_argument
// for a number whose "%03d" text is not three characters (below -99 or above 999).
void appendFrame(std::vector<std::uint8_t>& file, std::int32_t number,
                 std::span<const std::uint8_t> jpeg);

// Appends exactly what it is given, whether or not size matches data, to build broken files.
void appendRawRecord(std::vector<std::uint8_t>& file, const std::array<char, 8>& name,
                     std::int32_t size, std::span<const std::uint8_t> data);

// The 8 name bytes appendFrame writes for a number.
std::array<char, 8> frameName(std::int32_t number);

// Writes the bytes to a new or truncated file; false on any failure.
bool writeFile(const std::string& path, std::span<const std::uint8_t> bytes);
