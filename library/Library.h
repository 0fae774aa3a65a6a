#pragma once

#include <optional>
#include <string>
#include <vector>

#include "LibraryEntry.h"

// The library: a folder holding one folder per recording, each with the recording under its
// original name and its recording.json. The folders are the truth; nothing else is kept, so
// the library can be backed up, copied or shared as plain files.
class Library {
public:
    explicit Library(const std::string& root);

    // The user's videos folder + "/Halcyra".
    static std::string defaultRoot();

    // Absolute, without a trailing "/".
    const std::string& root() const { return rootFolder; }
    // Creates the root folder when it is missing; false with `error` set when it cannot be made.
    bool ensureRoot(std::string& error) const;

    // Every recording, newest first (by capture date, else by import time). A folder whose
    // recording.json is broken or missing is listed from its file, with sidecarProblem set.
    std::vector<LibraryEntry> entries() const;
    // The recording whose file has this SHA-256, if the library holds it.
    std::optional<LibraryEntry> findBySha256(const std::string& sha256) const;
    // Saves vehicle, driver, note and clockOffset into the entry's recording.json, atomically.
    // Refused when that file is broken: it is the user's to mend, not ours to replace.
    bool saveUserFields(const LibraryEntry& entry, std::string& error) const;

    // The entry a recording file belongs to when it lies in a library folder (beside a
    // sound recording.json naming it), whichever library that is.
    static std::optional<LibraryEntry> entryOf(const std::string& recordingPath);
    // Reads one recording's folder; nothing when it holds no recording at all.
    static std::optional<LibraryEntry> readFolder(const std::string& folder);

    // The newest-first order of entries().
    static bool newerFirst(const LibraryEntry& a, const LibraryEntry& b);

private:
    std::string rootFolder;
};
