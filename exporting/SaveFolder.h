#pragma once

#include <optional>
#include <string>

#include "ProfileFile.h"

// Where the save dialogs of the exports start: the folder of the last export, kept across
// runs in [Export] of Halcyra.ini, and the home folder the first time or when that folder is
// gone. Never the card the recording came from, unless the user went there.
class SaveFolder {
public:
    // Without a file the folder is remembered only while the program runs.
    SaveFolder() = default;
    explicit SaveFolder(std::string iniPath);

    // The start folder, ending in "/".
    std::string start() const;
    // Remembers the folder that holds `writtenPath` (a file, or a package's folder).
    void remember(const std::string& writtenPath);

private:
    std::optional<ProfileFile> file;
    std::string last;
};
