#pragma once

#include <string>

// The folder chooser of the settings dialogs' output step, over the prompts layer.
class FolderBrowser {
public:
    enum Result : int { chosen = 1, cancelled = 2 };

    // `initialFolder` is preselected when the chooser opens; it may be empty.
    void setup(std::string prompt, std::string initialFolder);
    // `chosen` once the user confirmed a folder of the file system; `cancelled` otherwise.
    int run();
    // After `chosen`: the folder, always ending in "/".
    std::string chosenFolder() const { return chosenFolder_; }
    void reset();

private:
    std::string chosenFolder_;
    std::string initialFolder_;
    std::string prompt_;
};
