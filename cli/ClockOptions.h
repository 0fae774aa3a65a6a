#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "ClockCorrection.h"

// "--clock-offset SECONDS" and "--clock-note TEXT", shared by the commands that show a time
// of day (video's share copy, export's PNG with the overlay, report, evidence).
class ClockOptions {
public:
    enum class Read {
        NotMine,    // args[i] is another option
        Taken,      // read, `i` now at its value
        Malformed,  // a repeated option, a missing value or a malformed number
    };

    Read read(std::span<const std::string> args, std::size_t& i);
    // False when a note was given without an offset.
    bool complete() const { return correction.stated() || !noteGiven; }
    bool given() const { return correction.stated() || noteGiven; }
    const ClockCorrection& clock() const { return correction; }

private:
    ClockCorrection correction;
    bool noteGiven = false;
};
