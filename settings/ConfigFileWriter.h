#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "VehicleType.h"

// Writes the two files the recorder reads from its card: halc.inf (sensitivity thresholds)
// and writetime.txt (clock). Each settings dialog holds one as a plain member.
//
// Both writes return false when the file cannot be opened, after telling the user through
// the prompts; a failure after the open throws FileError.
class ConfigFileWriter {
public:
    // What became of a write that reports nothing itself.
    struct Outcome {
        enum class Stage { written, open, write };  // write: a write, flush or close failed
        Stage stage;
        int systemError;  // errno of the failed call; 0 when written
    };

    // Stored as given; the sliders keep the positions within 0 to 10.
    void setSensitivity(VehicleType vehicleType, std::int32_t x, std::int32_t y, std::int32_t z);

    bool writeSensitivityFile(const std::string& path) const;
    // `dateLine` and `timeLine` are already formatted and end in "\n".
    bool writeClockFile(const std::string& path, const std::string& dateLine,
                        const std::string& timeLine) const;

    // The same files for a caller that reports in its own words (the command line): nothing
    // is shown and nothing thrown.
    Outcome trySensitivityFile(const std::string& path) const;
    Outcome tryClockFile(const std::string& path, const std::string& dateLine,
                         const std::string& timeLine) const;

private:
    std::vector<std::string> sensitivityLines() const;

    VehicleType vehicleType_ = 0;
    std::int32_t x_ = 0;
    std::int32_t y_ = 0;
    std::int32_t z_ = 0;
};
