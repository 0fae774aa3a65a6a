#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Parses a whole decimal number without sign into [0, max]; anything else is nothing.
std::optional<std::uint32_t> parseIndex(std::string_view text, std::uint32_t max);

// True when `args` holds "--help" or "-h".
bool wantsHelp(std::span<const std::string> args);
