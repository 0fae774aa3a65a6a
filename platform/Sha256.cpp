#include "Sha256.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "Descriptor.h"

void Sha256::update(std::span<const std::uint8_t> bytes) {
    update(bytes.data(), bytes.size());
}

std::string Sha256::finalHex() {
    return hex(final());
}

std::string Sha256::hex(const Digest& digest) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(digest.size() * 2);
    for (const std::uint8_t byte : digest) {
        text.push_back(digits[byte >> 4]);
        text.push_back(digits[byte & 0x0f]);
    }
    return text;
}

std::optional<std::string> Sha256::ofFile(const std::string& path, std::string& error) {
    const Descriptor file = Descriptor::openForReading(path);
    if (!file.valid()) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    Sha256 hash;
    std::vector<std::uint8_t> buffer(std::size_t{1} << 20);
    for (;;) {
        const std::int64_t got = file.readSome(buffer.data(), buffer.size());
        if (got < 0) {
            error = std::strerror(errno);
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        hash.update(buffer.data(), static_cast<std::size_t>(got));
    }
    return hash.finalHex();
}
