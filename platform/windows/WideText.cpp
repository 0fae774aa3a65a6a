#include "WideText.h"

#include <climits>

#include <windows.h>

std::optional<std::wstring> wideText(std::string_view utf8) {
    if (utf8.empty()) {
        return std::wstring();
    }
    if (utf8.size() > INT_MAX) {
        return std::nullopt;
    }
    const int length = static_cast<int>(utf8.size());
    const int count =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
    if (count <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(count), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, wide.data(), count);
    // An embedded NUL would cut the name short at the system call.
    if (wide.find(L'\0') != std::wstring::npos) {
        return std::nullopt;
    }
    return wide;
}

std::string utf8Text(std::wstring_view wide) {
    if (wide.empty() || wide.size() > INT_MAX) {
        return {};
    }
    const int length = static_cast<int>(wide.size());
    const int count =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (count <= 0) {
        return {};
    }
    std::string utf8(static_cast<std::size_t>(count), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), count, nullptr, nullptr);
    return utf8;
}
