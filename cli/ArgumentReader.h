#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Parses a whole decimal number without sign into [0, max]; anything else is nothing.
std::optional<std::uint32_t> parseIndex(std::string_view text, std::uint32_t max);

// One "--name VALUE" option and where its value goes.
struct ValueOption {
    std::string_view name;
    std::optional<std::string>* value;
};

// Reads `args` as the given options and the flag "--force", each at most once and every
// option with its value; false for anything else.
bool readOptions(std::span<const std::string> args, std::span<const ValueOption> options,
                 bool& force);

// True when `args` holds "--help" or "-h".
bool wantsHelp(std::span<const std::string> args);
