#include "Secrets.h"

#include <semaphore>
#include <stdexcept>

#include <sodium.h>

#include "Sha256.h"

namespace secrets {
namespace {

// Hashes at once; each holds 64 MiB for about 0.2 s.
std::counting_semaphore<2>& hashSlots() {
    static std::counting_semaphore<2> slots(2);
    return slots;
}

class HashSlot {
public:
    HashSlot() { hashSlots().acquire(); }
    ~HashSlot() { hashSlots().release(); }
    HashSlot(const HashSlot&) = delete;
    HashSlot& operator=(const HashSlot&) = delete;
};

const std::string& dummyHash() {
    static const std::string hash = hashPassword("halcyra: no such account");
    return hash;
}

}  // namespace

bool init() {
    return sodium_init() >= 0;
}

std::string hashPassword(std::string_view password) {
    char out[crypto_pwhash_STRBYTES];
    const HashSlot slot;
    if (crypto_pwhash_str(out, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
        throw std::runtime_error("not enough memory to hash a password");
    }
    return out;
}

bool verifyPassword(const std::string& hash, std::string_view password) {
    const HashSlot slot;
    return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

void spendVerification(std::string_view password) {
    verifyPassword(dummyHash(), password);
}

std::string newToken() {
    unsigned char bytes[32];
    randombytes_buf(bytes, sizeof bytes);
    char text[sodium_base64_ENCODED_LEN(sizeof bytes, sodium_base64_VARIANT_URLSAFE_NO_PADDING)];
    sodium_bin2base64(text, sizeof text, bytes, sizeof bytes, sodium_base64_VARIANT_URLSAFE_NO_PADDING);
    return text;
}

std::string tokenHash(std::string_view token) {
    Sha256 hash;
    hash.update(token.data(), token.size());
    return hash.finalHex();
}

bool sameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace secrets
