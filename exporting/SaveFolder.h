#pragma once

#include <string>

// Where the save dialogs of the exports start: the folder of the last export, the home folder
// the first time. Never the card the recording came from, unless the user went there.
class SaveFolder {
public:
    // The start folder, ending in "/".
    std::string start() const;
    // Remembers the folder that holds `writtenPath` (a file, or a package's folder).
    void remember(const std::string& writtenPath);

private:
    std::string last;
};
