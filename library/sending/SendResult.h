#pragma once

#include <string>

// What became of one recording sent to the server.
struct SendResult {
    enum class Status {
        Imported,  // the server took it in now
        Present,   // the server held it already
        Skipped,   // the server says it is no recording
        Failed,    // not sent; `retry` tells whether trying again later may help
    };
    // Why it was not sent, for a person in any language; `reason` has the details.
    enum class Cause {
        None,
        HostNotFound,   // the server's name is not known
        Refused,        // nothing listens at the address
        Timeout,        // no answer, or the transfer stalled
        Certificate,    // the server's certificate is not trusted
        Network,        // any other fault of the connection
        Token,          // 401/403: the device token is unknown, revoked or not allowed
        NotRecording,   // 422
        TooLarge,       // 413
        Damaged,        // 409: the bytes that arrived are not the ones the hash names
        ServerFault,    // 5xx, 429: the server cannot take it now
        Unreadable,     // the file could not be read here
        Other,          // any other answer of the server
    };
    Status status = Status::Failed;
    std::string reason;
    // A network or server fault (refused, unreachable, no space there) rather than a refusal
    // of this recording or of the device token.
    bool retry = false;
    // The server's answer code; 0 when no answer came.
    int httpStatus = 0;
    Cause cause = Cause::None;

    bool sent() const { return status == Status::Imported || status == Status::Present; }
};

// A stable word for each cause ("token", "damaged"), as the send queue keeps it; and back,
// with Other for a word this program does not know.
const char* causeWord(SendResult::Cause cause);
SendResult::Cause causeOfWord(const std::string& word);
