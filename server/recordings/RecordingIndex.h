#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Database.h"
#include "LibraryEntry.h"

// One recording as the index holds it: the facts of its folder, the depot it belongs to and
// its review fields.
struct IndexedRecording {
    std::string sha256;
    std::string folder;      // relative to the library's root
    std::string storedName;  // the file's name in its folder
    std::string fileName;    // the original name, as on the card
    std::uint64_t size = 0;
    std::string captureDate;
    std::string sortKey;     // "2026-11-28T14:35:07": capture date, else import time
    std::uint64_t frames = 0;
    std::string firstTime;
    std::string lastTime;
    bool complete = true;
    std::string importedAt;
    std::string depot;
    std::string vehicle;
    std::string driver;
    std::string note;
    std::string status = "new";
    std::string statusReason;
    double clockOffset = 0.0;  // seconds the recorder's clock was off, as recording.json says
    std::vector<std::string> tags;
};

struct Comment {
    std::int64_t seq = 0;
    std::int64_t timeMs = 0;
    std::string author;
    std::string text;
};

struct RecordingFilter {
    std::string q;  // a piece of the name, vehicle, driver or note
    std::string from;  // sort keys from and to, inclusive ("2026-11-28" or longer)
    std::string to;
    std::string depot;
    std::string vehicle;
    std::string driver;
    std::string status;
    std::string tag;
    int limit = 50;
    std::string after;  // the cursor of the page before
    // The depots the caller sees; nothing: every depot.
    std::optional<std::vector<std::string>> depots;
};

// Counts of one driver, vehicle or depot.
struct StatsGroup {
    std::string key;
    std::int64_t total = 0;
    std::vector<std::pair<std::string, std::int64_t>> byStatus;
    std::vector<std::pair<std::string, std::int64_t>> byTag;
};

struct RecordingPage {
    std::vector<IndexedRecording> recordings;
    std::string next;  // "" on the last page
    std::int64_t total = 0;
};

// The recordings' table, kept from the library's folders.
namespace recordingIndex {

// Adds the entry or refreshes the facts the folder holds (vehicle, driver and note among them);
// depot and review fields stay. `depot` is set only on a new row.
void put(store::Connection& c, const std::string& libraryRoot, const LibraryEntry& entry,
         const std::string& depot);
std::optional<IndexedRecording> get(store::Connection& c, const std::string& sha256);
RecordingPage list(store::Connection& c, const RecordingFilter& filter);
// Writes the review fields and tags of `r`.
// Counts by status and by tag for each driver, vehicle or depot (`by`) of the filtered rows.
std::vector<StatsGroup> stats(store::Connection& c, const std::string& by, const RecordingFilter& filter);
void saveReview(store::Connection& c, const IndexedRecording& r);
// Removes the rows whose sha256 is not in `keep`; how many went.
std::int64_t removeAllBut(store::Connection& c, const std::vector<std::string>& keep);

std::vector<Comment> comments(store::Connection& c, const std::string& sha256);
// Adds a comment inside the caller's writing transaction; the comment as stored.
Comment addComment(store::Connection& inWrite, const std::string& sha256, const std::string& author,
                   const std::string& text, std::int64_t timeMs);

// A cursor is the sort key and the SHA-256 of the last row of a page.
bool isValidCursor(const std::string& cursor);

}  // namespace recordingIndex
