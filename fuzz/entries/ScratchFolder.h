#pragma once

#include <filesystem>

// A folder of this process for the files that the entry points write at every input: on
// tmpfs when there is one, as it is written to thousands of times a second, and removed
// when the process ends.
const std::filesystem::path& scratchFolder();

// Removes everything inside the scratch folder, keeping the folder.
void emptyScratchFolder();
