#pragma once

#include <string>
#include <string_view>

// `bytes` as a JSON string literal, quotes included. Bytes outside printable ASCII are
// written as \u00XX (read as Latin-1), so any input gives valid JSON.
std::string jsonString(std::string_view bytes);
