#pragma once

#include <string>
#include <string_view>

// Passwords and tokens through libsodium. Call secrets::init() once before any other.
namespace secrets {

// False when libsodium cannot start (no random source).
bool init();

// argon2id at libsodium's INTERACTIVE limits (64 MiB, about 0.2 s here). At most a few run
// at once, whoever asks: a flood of logins waits instead of taking the machine's memory.
std::string hashPassword(std::string_view password);
bool verifyPassword(const std::string& hash, std::string_view password);
// Spends the time of a verification, for a name that has no account.
void spendVerification(std::string_view password);

// 32 random bytes as URL-safe base64 without padding (43 characters).
std::string newToken();
// What is stored of a session or device token: its SHA-256 in hex. A token carries 256
// random bits, so a fast hash is enough and lets the lookup be an index search.
std::string tokenHash(std::string_view token);

// Equal contents without an early exit.
bool sameText(std::string_view a, std::string_view b);

}  // namespace secrets
