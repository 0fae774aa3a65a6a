#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

// SHA-256, fed in pieces. Every command that hashes goes through this one class, so the
// implementation behind it (OpenSSL's libcrypto here, which uses the processor's SHA
// instructions) can change in one place.
class Sha256 {
public:
    using Digest = std::array<std::uint8_t, 32>;

    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;
    Sha256(Sha256&&) noexcept;
    Sha256& operator=(Sha256&&) noexcept;

    void update(std::span<const std::uint8_t> bytes);
    void update(const void* bytes, std::size_t length);
    // The digest of everything fed since construction or the last reset; starts afresh after.
    Digest final();
    std::string finalHex();
    void reset();

    static std::string hex(const Digest& digest);

    // The SHA-256 of a file's bytes as lower-case hex. Nothing when it cannot be read;
    // `error` then says why (the system's message).
    static std::optional<std::string> ofFile(const std::string& path, std::string& error);

private:
    struct State;
    std::unique_ptr<State> state;
};
