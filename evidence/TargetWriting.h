#pragma once

#include <span>
#include <string>

#include "ExportProgress.h"
#include "ExportResult.h"

// Whole-file writes through TargetFile: the target appears complete or not at all. An
// existing target without leave to replace is Refused; anything else that goes wrong is Failed
// with the file and the cause.

ExportResult writeTargetBytes(const std::string& target, std::span<const char> bytes,
                              bool replace);

// Copies `source` byte for byte. Advances `progress` in bytes and stops (Cancelled) when asked.
ExportResult copyToTarget(const std::string& source, const std::string& target, bool replace,
                          ExportProgress& progress);
