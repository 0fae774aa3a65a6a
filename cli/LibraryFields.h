#pragma once

#include <optional>
#include <string>

#include "Library.h"
#include "ReportPage.h"

// Vehicle, driver and note for the report when the recording is kept in a library folder.
inline std::optional<ReportUserFields> libraryFieldsOf(const std::string& recordingPath) {
    const std::optional<LibraryEntry> entry = Library::entryOf(recordingPath);
    if (!entry) {
        return std::nullopt;
    }
    return ReportUserFields{entry->vehicle, entry->driver, entry->note};
}
