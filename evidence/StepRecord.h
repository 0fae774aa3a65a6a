#pragma once

#include <optional>
#include <string>

#include "ClipExport.h"
#include "ReportRecord.h"

// What the record of the steps says of the files an export writes.

// How a clip was made, in the report's words: "記録されたJPEGをそのまま（AVI、1/30 秒単位）" for
// an original, "H.264 CRF 20、時刻の焼き込み、時計補正 +65 秒" for a share copy.
std::string clipMethod(const ClipOptions& options);

// The entry of a file written at `path` under its final `name`, with its size and SHA-256
// read back from the disk. Nothing when it cannot be read; `error` then says why.
std::optional<ReportRecordEntry> writtenFileEntry(const std::string& path, const std::string& name,
                                                  std::string what, std::string how,
                                                  std::string& error);
