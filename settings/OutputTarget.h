#pragma once

#include <optional>
#include <string>
#include <string_view>

// Asks for the folder to write `fileName` into, starting at `programFolder` every time, and
// for leave to replace an entry of that name. The full path to write, or nothing when the
// user gave up; nothing has been written or deleted either way.
std::optional<std::string> chooseOutputTarget(const std::string& fileName,
                                              const std::string& programFolder);

// `fileName` in `folder`, which may or may not end in "/".
std::string targetIn(const std::string& folder, std::string_view fileName);
