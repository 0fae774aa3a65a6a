#pragma once

#include <optional>
#include <string>
#include <string_view>

// UTF-8 and the UTF-16 of Windows' wide calls. Invalid input gives nothing rather than a
// name that would open some other file.
std::optional<std::wstring> wideText(std::string_view utf8);
std::string utf8Text(std::wstring_view wide);
