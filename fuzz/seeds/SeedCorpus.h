#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct Seed {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

// Small hand-built inputs for the fuzz target `target` (the names of fuzzTargets()): valid
// ones of every kind the program meets and damaged ones next to them. When `sample` holds
// the generated sample recording, pieces of it are added (a few of its records, its first
// frame and a later one).
std::vector<Seed> seedsFor(std::string_view target, std::span<const std::uint8_t> sample = {});

// Three tiny frames numbered 1, 4 and 7, the first with a capture date.
std::vector<std::uint8_t> smallRecording();
