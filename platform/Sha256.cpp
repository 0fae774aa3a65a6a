#include "Sha256.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include <openssl/evp.h>

struct Sha256::State {
    EVP_MD_CTX* context = nullptr;
    State() = default;
    ~State() { EVP_MD_CTX_free(context); }
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    State(State&&) = delete;
    State& operator=(State&&) = delete;
};

namespace {

void begin(EVP_MD_CTX* context) {
    if (EVP_DigestInit_ex(context, EVP_sha256(), nullptr) != 1) {
        throw std::runtime_error("SHA-256 cannot be started");
    }
}

}  // namespace

Sha256::Sha256() : state(std::make_unique<State>()) {
    state->context = EVP_MD_CTX_new();
    if (state->context == nullptr) {
        throw std::bad_alloc();
    }
    begin(state->context);
}

Sha256::~Sha256() = default;
Sha256::Sha256(Sha256&&) noexcept = default;
Sha256& Sha256::operator=(Sha256&&) noexcept = default;

void Sha256::update(std::span<const std::uint8_t> bytes) {
    update(bytes.data(), bytes.size());
}

void Sha256::update(const void* bytes, std::size_t length) {
    if (length > 0) {
        EVP_DigestUpdate(state->context, bytes, length);
    }
}

Sha256::Digest Sha256::final() {
    Digest digest{};
    unsigned int length = 0;
    EVP_DigestFinal_ex(state->context, digest.data(), &length);
    begin(state->context);
    return digest;
}

std::string Sha256::finalHex() {
    return hex(final());
}

void Sha256::reset() {
    begin(state->context);
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
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    Sha256 hash;
    std::vector<std::uint8_t> buffer(std::size_t{1} << 20);
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = std::strerror(errno);
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        hash.update(buffer.data(), static_cast<std::size_t>(got));
    }
    ::close(fd);
    return hash.finalHex();
}
