#pragma once

#include <cstdint>
#include <string>

// One recording in the library: its folder, the recording file in it, and what recording.json
// says about it. All text is UTF-8.
struct LibraryEntry {
    std::string folder;  // the recording's folder, absolute, without a trailing "/"
    std::string path;    // the recording file inside it

    int formatVersion = 1;
    std::string fileName;  // the original file name, as on the card
    std::string sha256;    // lower-case hex
    std::uint64_t size = 0;
    std::string source;       // the path it was imported from
    std::string volumeLabel;  // the label of the volume it was on, "" when it had none
    std::string importedAt;   // UTC, ISO 8601 ("2026-12-09T02:30:01Z")
    std::string captureDate;  // as stored in the first frame ("2026:11:28 14:35:07"), or ""
    std::uint64_t frames = 0;
    std::string firstTime;  // readout time of the first and the last frame ("-15.000")
    std::string lastTime;
    bool complete = true;  // false when the file ends inside a record or stops being one

    // The user's fields.
    std::string vehicle;
    std::string driver;
    std::string note;
    double clockOffset = 0.0;  // seconds the recorder's clock was off

    // Where it stands in the library, newest first: the capture date, else the import time,
    // as "2026-11-28T14:35:07"; "" when neither reads as a date.
    std::string sortKey() const;

    // Non-empty when recording.json is missing or cannot be trusted: what is wrong with it.
    // The entry is then listed from its file (name, size, capture date) alone.
    std::string sidecarProblem;
};
