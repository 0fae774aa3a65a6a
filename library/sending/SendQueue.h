#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// One recording of the library on its way to the server.
struct QueueEntry {
    enum class State { Waiting, Sent, Refused };

    std::string sha256;  // lower-case hex; the key
    std::string folder;  // the recording's folder name inside the library
    State state = State::Waiting;
    int attempts = 0;           // failed tries since it was last queued
    std::int64_t nextTry = 0;   // ms since the epoch (UTC); due from then on
    std::string cause;          // causeWord() of the last failure
    std::string error;          // what the last failure said, for the details
    // A program sending it now: its id and since when (ms since the epoch). Another program
    // leaves it alone until the claim is stale.
    std::string claimedBy;
    std::int64_t claimedAt = 0;

    bool claimedByOtherThan(const std::string& id, std::int64_t now, std::int64_t staleMs) const {
        return !claimedBy.empty() && claimedBy != id && now - claimedAt < staleMs;
    }
};

// The queue of recordings to send, kept in a small JSON file in the library's own folder, so
// it lives as long as the library and outlasts the program. Every change reads the file
// afresh, changes it and replaces it whole (temporary file, rename), so two programs on one
// library see each other's work and a failed write leaves the old file.
class SendQueue {
public:
    // Hidden, and a file rather than a folder: neither the library's listing nor an import
    // of the library's folder looks at it.
    static constexpr const char* fileName = ".halcyra-send-queue.json";

    explicit SendQueue(const std::string& libraryRoot);

    const std::string& path() const { return file; }

    // The entries on disk; none when there is no file. A file that is not a queue gives none
    // and says why in `error`; entries that make no sense (no hash) are left out.
    std::vector<QueueEntry> read(std::string& error) const;
    // Reads, lets `change` alter the entries, writes them back and leaves them in `after`.
    // A file that is not a queue is kept aside as "<name>.broken" and a new queue started.
    // False, with `error` saying what and where, when the file cannot be written.
    bool update(const std::function<void(std::vector<QueueEntry>&)>& change,
                std::vector<QueueEntry>& after, std::string& error) const;

    // The file's bytes for `entries`, and back; `error` stays empty when the bytes are a queue.
    static std::string toJson(const std::vector<QueueEntry>& entries);
    static std::vector<QueueEntry> fromJson(const std::string& bytes, std::string& error);

private:
    std::string file;
};
