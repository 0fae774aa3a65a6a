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

bool readOptions(std::span<const std::string> args, std::span<const ValueOption> options,
                 bool& force) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--force" && !force) {
            force = true;
            continue;
        }
        const auto option = std::find_if(options.begin(), options.end(),
                                          [&word](const ValueOption& o) { return o.name == word; });
        if (option == options.end() || option->value->has_value() || i + 1 >= args.size()) {
            return false;
        }
        *option->value = args[++i];
    }
    return true;
}

bool wantsHelp(std::span<const std::string> args) {
    return std::any_of(args.begin(), args.end(),
                       [](const std::string& a) { return a == "--help" || a == "-h"; });
}
