// SHA-256 through the system's Cryptography API: Next Generation, which uses the processor's
// SHA instructions where it has them.
#include "Sha256.h"

#include <new>
#include <stdexcept>

#include <windows.h>
#include <bcrypt.h>

struct Sha256::State {
    BCRYPT_HASH_HANDLE hash = nullptr;
    State() = default;
    ~State() {
        if (hash != nullptr) {
            BCryptDestroyHash(hash);
        }
    }
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    State(State&&) = delete;
    State& operator=(State&&) = delete;
};

namespace {

// The provider is opened once for the process and shared: opening it is the costly part.
BCRYPT_ALG_HANDLE provider() {
    static const BCRYPT_ALG_HANDLE shared = [] {
        BCRYPT_ALG_HANDLE opened = nullptr;
        if (BCryptOpenAlgorithmProvider(&opened, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) {
            throw std::runtime_error("SHA-256 is not available");
        }
        return opened;
    }();
    return shared;
}

BCRYPT_HASH_HANDLE startHash() {
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (BCryptCreateHash(provider(), &hash, nullptr, 0, nullptr, 0, 0) != 0) {
        throw std::runtime_error("SHA-256 cannot be started");
    }
    return hash;
}

// A finished hash object cannot be fed again: the next digest starts with a new one.
void restart(BCRYPT_HASH_HANDLE& hash) {
    BCryptDestroyHash(hash);
    hash = nullptr;
    hash = startHash();
}

}  // namespace

Sha256::Sha256() : state(std::make_unique<State>()) {
    state->hash = startHash();
}

Sha256::~Sha256() = default;
Sha256::Sha256(Sha256&&) noexcept = default;
Sha256& Sha256::operator=(Sha256&&) noexcept = default;

void Sha256::update(const void* bytes, std::size_t length) {
    auto* data = static_cast<PUCHAR>(const_cast<void*>(bytes));
    while (length > 0) {
        const ULONG piece = length > (1UL << 30) ? (1UL << 30) : static_cast<ULONG>(length);
        BCryptHashData(state->hash, data, piece, 0);
        data += piece;
        length -= piece;
    }
}

Sha256::Digest Sha256::final() {
    Digest digest{};
    BCryptFinishHash(state->hash, digest.data(), static_cast<ULONG>(digest.size()), 0);
    restart(state->hash);
    return digest;
}

void Sha256::reset() {
    restart(state->hash);
}
