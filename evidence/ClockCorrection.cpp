#include "ClockCorrection.h"

#include <cstdlib>

std::optional<std::int64_t> parseClockOffset(std::string_view text) {
    std::size_t at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    std::int64_t whole = 0;
    const std::size_t digitsFrom = at;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        whole = whole * 10 + (text[at] - '0');
        if (whole > maxClockOffsetMilliseconds / 1000) {
            return std::nullopt;
        }
    }
    if (at == digitsFrom) {
        return std::nullopt;
    }
    std::int64_t thousandths = 0;
    if (at < text.size() && text[at] == '.') {
        ++at;
        std::size_t decimals = 0;
        for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, ++decimals) {
            if (decimals == 3) {
                return std::nullopt;
            }
            thousandths = thousandths * 10 + (text[at] - '0');
        }
        if (decimals == 0) {
            return std::nullopt;
        }
        for (; decimals < 3; ++decimals) {
            thousandths *= 10;
        }
    }
    if (at != text.size()) {
        return std::nullopt;
    }
    const std::int64_t milliseconds = whole * 1000 + thousandths;
    if (milliseconds > maxClockOffsetMilliseconds) {
        return std::nullopt;
    }
    return negative ? -milliseconds : milliseconds;
}

std::string clockOffsetText(std::int64_t offsetMilliseconds) {
    const std::uint64_t magnitude = static_cast<std::uint64_t>(std::llabs(offsetMilliseconds));
    std::string text = (offsetMilliseconds < 0 ? "-" : "+") + std::to_string(magnitude / 1000);
    std::uint64_t rest = magnitude % 1000;
    if (rest != 0) {
        std::string decimals = std::to_string(rest + 1000).substr(1);
        while (decimals.back() == '0') {
            decimals.pop_back();
        }
        text += "." + decimals;
    }
    return text + " 秒";
}
