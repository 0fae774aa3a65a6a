#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "Library.h"
#include "RecordingHead.h"

// What a mounted card holds that the library does not, found cheaply: the card's files are
// searched as an import would search them, each is judged by its first record alone, and a
// library recording is only opened when its size matches one on the card. No file is read
// whole; an import hashes them.
struct CardScan {
    struct Found {
        std::string path;
        recordingHead::Key key;
    };

    int recordings = 0;          // every recording found on the card
    std::vector<Found> missing;  // those the library does not hold, in name order

    // The same text for the same card with the same new recordings, another when one changes.
    std::string cardKey(const std::string& root) const;

    // Stops early (with what was found so far) once `cancel` becomes true.
    static CardScan of(const std::string& root, const Library& library,
                       const std::atomic<bool>* cancel = nullptr);
};
