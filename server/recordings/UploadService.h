#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "Accounts.h"
#include "Database.h"
#include "Descriptor.h"
#include "Library.h"
#include "RecordingIndex.h"
#include "Sha256.h"

// Uploads: the bytes are staged in a hidden folder of the library while they are hashed, then
// checked and handed to the Importer, which moves them in (no second copy), reads them back
// from the disk and renames the recording's folder into place. The staging folder goes
// whatever happens, so nothing partial is ever left.
class UploadService {
public:
    struct Outcome {
        enum class Kind { Imported, Present, Skipped, Mismatch, TooLarge, NoSpace, BadRequest, Unavailable, Failed };
        Kind kind = Kind::Failed;
        std::string reason;
        std::optional<IndexedRecording> recording;
    };

    // One upload being received.
    class Staged {
    public:
        ~Staged();
        Staged(const Staged&) = delete;
        Staged& operator=(const Staged&) = delete;
        // False once the bytes are over the limit or cannot be written; stop reading then.
        bool write(const char* bytes, std::size_t size);

    private:
        friend class UploadService;
        Staged() = default;
        std::string folder;
        std::string path;
        Descriptor file;
        Sha256 hash;
        std::uint64_t received = 0;
        std::uint64_t limit = 0;
        bool tooLarge = false;
        int writeError = 0;
    };

    UploadService(store::Database& database, Library library, std::uint64_t maxBytes)
        : database(database), library(std::move(library)), maxBytes(maxBytes) {}

    std::uint64_t limit() const { return maxBytes; }

    // Starts an upload named `fileName` (its last path part is kept) of `announced` bytes when
    // the client said. Nothing and `refused` filled when it cannot start.
    std::unique_ptr<Staged> stage(const std::string& fileName, std::optional<std::uint64_t> announced,
                                  Outcome& refused);
    // Ends it: checks the bytes against `expectedSha256` (when given) and imports them into
    // `depot`. `complete` is false when the client stopped sending early.
    Outcome finish(std::unique_ptr<Staged> staged, bool complete, const std::string& expectedSha256,
                   const std::string& depot, const Caller& caller);

    // Removes staging folders a stopped server left behind. Each is named after the host and
    // process that stages in it: this host's are left when that process, a server of the same
    // program, still runs; another host's (a server sharing the folder) when written to within
    // the last hour.
    static void removeLeftovers(const std::string& libraryRoot);
    // "HOST-PID" of this process, as staging folders carry it.
    static std::string stagingOwner();

private:
    store::Database& database;
    Library library;
    std::uint64_t maxBytes;
};
