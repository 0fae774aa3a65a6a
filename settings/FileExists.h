#pragma once

#include <string>

// True when `path` names an entry of any kind (file, folder, even a dangling link), as the
// overwrite question must also fire for a folder that carries the file's name.
bool fileExists(const std::string& path);
