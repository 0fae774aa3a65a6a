#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Accounts.h"
#include "Database.h"
#include "RecordingIndex.h"

// One share link of a recording. The link itself (its token) is known only to whom it was
// given: the database keeps its hash.
struct Share {
    std::string id;  // 16 hex digits, public: the lists, the custody log and revoking name it
    std::string sha256;
    std::string createdBy;  // the actor
    std::int64_t createdMs = 0;
    std::int64_t expiresMs = 0;
    bool download = false;  // the package may be fetched through it
    bool hasPassword = false;
    std::optional<std::int64_t> revokedMs;
};

// Share links: made by a manager for one recording, read-only, until they expire or are
// revoked, optionally behind a password (argon2id, as the accounts' passwords). No HTTP here.
class ShareService {
public:
    static constexpr std::int64_t maxDays = 90;
    // How long a browser stays unlocked by the password (never past the link's expiry).
    static constexpr std::int64_t unlockMs = std::int64_t{12} * 3600 * 1000;

    explicit ShareService(store::Database& database) : database(database) {}

    // A link's token: 32 random bytes as unpadded base64url, 43 characters.
    static bool isToken(std::string_view text);
    static bool isShareId(std::string_view text);

    // When a link of `expires` runs out, from an ISO 8601 UTC date and time
    // ("2026-12-31T23:59:59Z", fractions and "+00:00" allowed) or a whole number of days;
    // nothing with `problem` set when it is neither, past or more than maxDays ahead.
    static std::optional<std::int64_t> expiryOf(const std::string& isoTime, std::int64_t nowMs,
                                                std::string& problem);
    static std::optional<std::int64_t> expiryInDays(double days, std::int64_t nowMs, std::string& problem);
    // "2026-12-31T23:59:59Z"
    static std::string isoTime(std::int64_t ms);

    struct Created {
        Share share;
        std::string token;  // shown once
    };
    // Makes a link to `r`; an empty password makes none.
    Created create(const Caller& caller, const IndexedRecording& r, std::int64_t expiresMs,
                   const std::string& password, bool download);
    std::vector<Share> list(const std::string& sha256);
    std::optional<Share> byId(const std::string& id);
    // Revokes the link at once; false when it was revoked already.
    bool revoke(const Caller& caller, const Share& share);

    // What a request through a link finds.
    struct Opened {
        enum class Kind { Ok, Unknown, Expired, Revoked, NeedsPassword };
        Kind kind = Kind::Unknown;
        Share share;
    };
    // Checks the link of `token` as it stands now, with the unlock cookie's value (if any).
    Opened open(const std::string& token, const std::string& unlockCookie);

    struct Unlock {
        enum class Outcome { Ok, Wrong, Locked, NoPassword };
        Outcome outcome = Outcome::Wrong;
        std::string cookie;  // the unlock cookie's value on Ok
        std::int64_t expiresMs = 0;
    };
    // Five wrong passwords lock the link for a minute, as for logins.
    Unlock unlock(const Share& share, const std::string& password, const std::string& client);

    // One custody entry by the link ("link:ID") about its recording.
    void log(const Share& share, const std::string& client, const std::string& action,
             const std::string& details);
    static std::string actorOf(const Share& share) { return "link:" + share.id; }

private:
    store::Database& database;
};
