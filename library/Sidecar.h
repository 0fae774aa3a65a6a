#pragma once

#include <string>
#include <string_view>

#include "LibraryEntry.h"

// recording.json, the facts of one recording beside it. The file may have been edited by
// hand or damaged, so reading trusts none of it: a value of the wrong kind, a size past
// what a number holds or a hash that is no hash is reported, never used.
namespace sidecar {

constexpr const char* fileName = "recording.json";
constexpr int formatVersion = 1;

// Fills the recording.json fields of `entry` from `bytes`. Returns "" when they were all
// sound, else what is wrong (the fields read before the fault stay filled).
std::string parse(std::string_view bytes, LibraryEntry& entry);

// Reads `folder`/recording.json into `entry`; the problem text as parse gives it, or why the
// file could not be read.
std::string read(const std::string& folder, LibraryEntry& entry);

// The JSON text of the entry's recording.json fields.
std::string serialise(const LibraryEntry& entry);

// Writes `folder`/recording.json under a temporary name, flushes it and renames it into
// place, so readers (on this PC or another) see the old file or the new one, whole. Keys
// this version does not know are kept from the file it replaces. False with `error` set when
// it could not be written; the old file is then as it was.
bool write(const std::string& folder, const LibraryEntry& entry, std::string& error);

}  // namespace sidecar
