#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>

#include "ExportResult.h"
#include "RedactionPlan.h"

// The redaction file, JSON:
//   {"version": 1, "regions": [{"label": "plate", "keys": [
//       {"index": 440, "x": 100, "y": 120, "w": 48, "h": 24}, ...]}, ...]}
// It comes from anyone, so the reader takes nothing on trust: the size is bounded, every
// member is checked for its type and range, and members it does not know are refused rather
// than ignored (a misspelt "keys" would otherwise leave a face unredacted without a word).

// The plan the bytes describe; nothing when they are not a valid redaction file, `error`
// then saying what is wrong and where ("region 2, key 1: w must be at least 1").
std::optional<RedactionPlan> parseRedaction(std::span<const char> bytes, std::string& error);

// What keeps `plan` from applying to a recording of `frameCount` frames (a key past its last
// frame); nothing when it fits.
std::optional<std::string> redactionMisfit(const RedactionPlan& plan, std::size_t frameCount);

// Reads and checks the file at `path` for a recording of `frameCount` frames. On failure
// `error` names the file and what is wrong.
std::optional<RedactionPlan> readRedactionFile(const std::string& path, std::size_t frameCount,
                                               std::string& error);

// The file's text for `plan`, one key a line; parseRedaction reads it back unchanged.
std::string redactionJson(const RedactionPlan& plan);

// Writes the file whole or not at all.
ExportResult writeRedactionFile(const RedactionPlan& plan, const std::string& target,
                                bool replace);

// The largest file the reader takes; far above any hand-made or drawn plan.
constexpr std::size_t redactionFileLimit = 8u << 20;
