#include "ClockOptions.h"

ClockOptions::Read ClockOptions::read(std::span<const std::string> args, std::size_t& i) {
    const std::string& word = args[i];
    if (word != "--clock-offset" && word != "--clock-note") {
        return Read::NotMine;
    }
    if (i + 1 >= args.size()) {
        return Read::Malformed;
    }
    const std::string& value = args[++i];
    if (word == "--clock-note") {
        if (noteGiven) {
            return Read::Malformed;
        }
        noteGiven = true;
        correction.note = value;
        return Read::Taken;
    }
    if (correction.stated()) {
        return Read::Malformed;
    }
    correction.offsetMilliseconds = parseClockOffset(value);
    return correction.stated() ? Read::Taken : Read::Malformed;
}
