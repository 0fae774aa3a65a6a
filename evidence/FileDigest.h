#pragma once

#include <optional>
#include <string>

// The SHA-256 of a file's bytes as lower-case hex, read in blocks. Nothing when the file
// cannot be read; `error` then says why.
std::optional<std::string> fileSha256(const std::string& path, std::string& error);
