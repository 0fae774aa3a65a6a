// SHA-256 through OpenSSL's libcrypto, which uses the processor's SHA instructions.
#include "Sha256.h"

#include <new>
#include <stdexcept>

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

void Sha256::reset() {
    begin(state->context);
}

