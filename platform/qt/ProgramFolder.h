#pragma once

#include <string>

// The folder of the program's own executable, ending in "/". The file dialog and the folder
// chooser start there, and Halcyra.ini lives there.
std::string programFolder();
