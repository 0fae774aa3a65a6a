#pragma once

#include <string>

// How an export ended. `message` says what went wrong and where (the file and the cause),
// in the command line's plain words; empty when written.
struct ExportResult {
    enum class Status {
        Written,             // complete
        WrittenWithDamage,   // complete; some frames did not decode fully and show as in the viewer
        Cancelled,           // stopped on request; nothing left behind
        Refused,             // nothing to write (a span with no frame, a target that exists ...)
        Failed,              // could not be written; nothing left behind
    };

    Status status = Status::Written;
    std::string message;

    bool written() const { return status == Status::Written || status == Status::WrittenWithDamage; }
    static ExportResult ok() { return {}; }
    static ExportResult failure(Status status, std::string message) {
        return {status, std::move(message)};
    }
};
