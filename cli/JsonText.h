#pragma once

#include <string>
#include <string_view>

// `bytes` as a JSON string literal, quotes included. Bytes outside printable ASCII are
// written as \u00XX (read as Latin-1), so any input gives valid JSON.
std::string jsonString(std::string_view bytes);

// As jsonString, but text that is valid UTF-8 (the library's names and the user's notes) is
// kept as it is; only quotes, backslashes and control characters are escaped.
std::string jsonUtf8String(std::string_view bytes);
