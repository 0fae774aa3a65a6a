#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Database.h"

// The custody log: who did what to which recording, when and from where. Each entry carries
// the SHA-256 of the entry before it and of itself, so an entry changed, removed or slipped
// in breaks the chain from there on.
struct CustodyEntry {
    std::int64_t seq = 0;  // 1, 2, 3, ... with no gap
    std::int64_t timeMs = 0;  // UTC, milliseconds since the epoch
    std::string actor;     // "user:NAME", "token:NAME", "console"
    std::string client;    // the client's address, "" from the console
    std::string action;    // "login", "upload", "view", ...
    std::string recording; // its SHA-256, "" when the entry is about no recording
    std::string details;   // JSON text
    std::string prevHash;
    std::string hash;
};

class CustodyLog {
public:
    explicit CustodyLog(store::Database& database) : database(database) {}

    // Appends in a transaction of its own.
    CustodyEntry append(const std::string& actor, const std::string& client,
                        const std::string& action, const std::string& recording,
                        const std::string& details);
    // Appends inside a writing transaction the caller holds (its write lock serialises
    // appends across processes), so the entry lands with the change it records, or neither.
    static CustodyEntry append(store::Connection& inWrite, const std::string& actor,
                               const std::string& client, const std::string& action,
                               const std::string& recording, const std::string& details);

    std::vector<CustodyEntry> forRecording(const std::string& sha256);

    struct Verdict {
        bool holds = true;
        std::int64_t entries = 0;   // entries checked
        std::int64_t firstBad = 0;  // seq of the first entry that does not hold
        std::string why;
    };
    // Walks the whole chain from its start.
    Verdict verify();

    // The entries as CSV with a header line: time (UTC, ISO 8601 with milliseconds), actor,
    // client, action, recording, details, prev hash, hash; fields quoted where they need it.
    static std::string csv(const std::vector<CustodyEntry>& entries);

    // The SHA-256 over the entry's fields and prevHash.
    static std::string hashOf(const CustodyEntry& entry);
    // 64 zeros: the prevHash of the first entry.
    static const std::string& genesis();

private:
    store::Database& database;
};
