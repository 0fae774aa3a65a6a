#pragma once

#include <string>

// What an import did with one file it looked at.
struct ImportResult {
    enum class Status {
        Imported,   // copied in and verified
        Present,    // the library already held a file of the same SHA-256
        Skipped,    // not a recording (reason says why)
        Failed,     // a recording that could not be copied in; nothing of it was left behind
        Cancelled,  // stopped by the cancel flag; nothing of it was left behind
    };

    std::string source;  // the file looked at
    Status status = Status::Skipped;
    std::string path;    // the file in the library (Imported, Present)
    std::string sha256;  // when the file was read through
    std::string reason;  // Skipped, Failed, Cancelled: what and where
    std::string warning; // Imported: for example that the library disk is nearly full
    bool complete = true;  // Imported, Present: false for a recording that loads only in part
};

// "imported", "present", "skipped", "failed", "cancelled".
const char* statusText(ImportResult::Status status);
