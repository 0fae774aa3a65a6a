#include "ArgumentReader.h"

#include <algorithm>
#include <charconv>

std::optional<std::uint32_t> parseIndex(std::string_view text, std::uint32_t max) {
    // from_chars takes no blank and no sign for an unsigned number: digits only, or nothing.
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value > max) {
        return std::nullopt;
    }
    return value;
}

bool wantsHelp(std::span<const std::string> args) {
    return std::any_of(args.begin(), args.end(),
                       [](const std::string& a) { return a == "--help" || a == "-h"; });
}
