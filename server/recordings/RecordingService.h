#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "Accounts.h"
#include "Database.h"
#include "Library.h"
#include "RecordingIndex.h"

// The rules about recordings, with no HTTP in them: who sees which, what an edit may say,
// what goes into the custody log.
class RecordingService {
public:
    RecordingService(store::Database& database, Library library)
        : database(database), library(std::move(library)) {}

    const Library& folder() const { return library; }

    RecordingPage list(const Caller& caller, RecordingFilter filter);
    std::vector<StatsGroup> stats(const Caller& caller, const std::string& by, RecordingFilter filter);
    // The recording when the caller may see it; nothing when it is not there or not theirs.
    std::optional<IndexedRecording> find(const Caller& caller, const std::string& sha256);
    // The file in the library.
    std::string pathOf(const IndexedRecording& r) const;
    // The recording's file when the caller sees it, from its folder and depot alone: what a
    // frame or thumbnail needs, asked many times a second by a player.
    std::optional<std::string> fileOf(const Caller& caller, const std::string& sha256);
    // The same for a share link, which reaches its one recording whatever the depot.
    std::optional<std::string> fileOf(const std::string& sha256);

    struct Edit {
        std::optional<std::string> vehicle, driver, note, status, statusReason;
        std::optional<std::vector<std::string>> tags;
        std::optional<double> clockOffset;  // seconds; true time = recorded time + offset
    };
    // The furthest a stated clock offset may reach either way: ten years.
    static constexpr double clockOffsetLimit = 10.0 * 366 * 24 * 3600;
    // "" when saved, else what is wrong with the edit (nothing was changed then).
    std::string edit(const Caller& caller, IndexedRecording& r, const Edit& edit);

    // Adds a comment of 1 to 4000 bytes; nothing when the text is not that.
    std::optional<Comment> comment(const Caller& caller, const IndexedRecording& r, const std::string& text);
    std::vector<Comment> comments(const IndexedRecording& r);

    // One custody entry about `r`.
    void log(const Caller& caller, const std::string& action, const std::string& sha256,
             const std::string& details = "{}");

    // Rebuilds the index from the library's folders: every recording in them put, rows of
    // recordings that are gone removed. How many recordings are indexed.
    std::size_t reindex(const std::string& actor);

    static bool isStatus(const std::string& status);

private:
    // The recording's file and, into `depot`, its depot; nothing when the index has no such row.
    std::optional<std::string> located(const std::string& sha256, std::string& depot);
    store::Database& database;
    Library library;

    // Where recordings were found, for the frames a player asks for many times a second. A
    // recording's depot never changes once indexed, and its folder only by being taken in
    // again elsewhere, so an entry holds while its file is there; one whose file is gone is
    // looked up again.
    struct Location {
        std::string file;
        std::string depot;
    };
    std::mutex locationsLock;
    std::unordered_map<std::string, Location> locations;
};
