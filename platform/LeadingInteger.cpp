#include "LeadingInteger.h"

#include <climits>

LeadingInteger readLeadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t digitsStart = i;
    // One past INT_MAX is the most that is kept, so that -2147483648 is still exact.
    constexpr long long limit = static_cast<long long>(INT_MAX) + 1;
    long long magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > limit) {
            magnitude = limit;
        }
    }
    LeadingInteger result;
    result.digits = i - digitsStart;
    if (result.digits == 0) {
        return result;
    }
    result.end = i;
    const long long value = negative ? -magnitude : magnitude;
    result.value = value > INT_MAX ? INT_MAX : static_cast<int>(value);
    return result;
}
