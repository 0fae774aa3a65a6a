#pragma once

#include <algorithm>
#include <string_view>

namespace sha256Text {

// 64 lower-case hex digits: the only form a recording's id takes. Anything else is refused
// before it reaches a path or a query.
inline bool isValid(std::string_view text) {
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

}  // namespace sha256Text
