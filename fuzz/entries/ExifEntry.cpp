// The bytes of a first frame through the capture-date reader.
#include <algorithm>
#include <string>
#include <vector>

#include "ExifDateReader.h"
#include "FuzzEntries.h"

void fuzzExifDate(std::span<const std::uint8_t> input) {
    ExifDateReader reader;
    const bool found = reader.parse(input.data(), input.size());
    const std::string date = reader.getDate();
    if (!found) {
        fuzzCheck(date.empty(), "a date without success");
    } else {
        // The text as stored: somewhere in the data, followed by its terminating zero.
        std::vector<std::uint8_t> stored(date.begin(), date.end());
        stored.push_back(0);
        fuzzCheck(
            std::search(input.begin(), input.end(), stored.begin(), stored.end()) != input.end(),
            "date text not found in the data");
    }
    // A reader used again starts afresh.
    fuzzCheck(reader.parse(input.data(), input.size()) == found && reader.getDate() == date,
              "a second parse of the same bytes differs");
}
