#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Follows a recording's records through bytes fed in any pieces, as an import copies them:
// counts the frames, keeps the first and last frame number and the capture date of the first
// frame, and says whether the file ended on a record boundary. It never holds more than the
// first frame's bytes (at most a few MiB), whatever the headers announce.
class RecordStream {
public:
    static constexpr std::size_t headerSize = 12;

    // True when `header` (at least headerSize bytes) starts a record: a name with ".jpg" and a
    // zero byte after its first three characters, and a size not below 0.
    static bool startsRecord(std::span<const std::uint8_t> header);
    // Why `header` does not start a record, for a skipped file's reason.
    static std::string whyNotRecord(std::span<const std::uint8_t> header);

    void feed(std::span<const std::uint8_t> bytes);
    // Ends the stream; after it the facts below are final.
    void finish();

    std::uint64_t frames() const { return frameCount; }
    std::int32_t firstNumber() const { return first; }
    std::int32_t lastNumber() const { return last; }
    std::string captureDate() const { return date; }
    // False when the last record was cut short or a record stopped being one.
    bool complete() const { return !broken; }
    // What stopped the records, "" when nothing did.
    const std::string& problem() const { return fault; }

private:
    void endHeader();
    void endFrame();

    std::uint8_t header[headerSize] = {};
    std::size_t headerFill = 0;
    std::uint64_t dataLeft = 0;
    bool inData = false;
    bool stopped = false;
    bool broken = false;
    std::uint64_t offset = 0;  // of the record being read
    std::uint64_t frameCount = 0;
    std::int32_t first = 0;
    std::int32_t last = 0;
    std::int32_t pending = 0;  // number of the record being read
    std::vector<std::uint8_t> firstFrame;
    bool keepingFirst = false;
    std::string date;
    std::string fault;
};
