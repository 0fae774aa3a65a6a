#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Whole files in and out, for tests that compare or build the exact bytes of a file.
// A file that cannot be read reads as empty.
std::string readBytes(const std::string& path);
std::vector<std::uint8_t> readFileBytes(const std::string& path);

// Creates or truncates `path`; false when any of it could not be written.
bool writeBytes(const std::string& path, std::string_view bytes);
bool writeFileBytes(const std::string& path, std::span<const std::uint8_t> bytes);
