#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// The entry points that the fuzzers and the hardening tests share. Each takes one input,
// runs it through the code as the program would and checks what can be told of the result
// without restating the code; a failed check aborts with a message (fuzzCheck).
void fuzzRecordingLoad(std::span<const std::uint8_t> input);  // the input is a recording file
void fuzzExifDate(std::span<const std::uint8_t> input);       // the bytes of a first frame
void fuzzJpegDecode(std::span<const std::uint8_t> input);     // the bytes of one frame
void fuzzProfileFile(std::span<const std::uint8_t> input);    // the text of Halcyra.ini
void fuzzCliArguments(std::span<const std::uint8_t> input);   // halcyra-cli words, one a line
void fuzzRedactionFile(std::span<const std::uint8_t> input);  // a redaction file (JSON)
void fuzzSidecarFile(std::span<const std::uint8_t> input);    // a library entry's recording.json
// What a client sends halcyra-server: a JSON body or an upload (built with the server only).
void fuzzServerRequest(std::span<const std::uint8_t> input);

using FuzzEntry = void (*)(std::span<const std::uint8_t>);

struct FuzzTarget {
    std::string_view name;  // of its seed corpus and of its folder of regression inputs
    FuzzEntry entry;
};

// Every target, in a fixed order.
std::span<const FuzzTarget> fuzzTargets();

// Aborts the process with `what` on standard error unless `condition` holds: a fuzzer keeps
// the input that got there, a test program fails.
void fuzzCheck(bool condition, const char* what);
