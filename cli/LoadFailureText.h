#pragma once

#include <string>

#include "LoadFailure.h"

// What the command line says about a recording that did not load, after "PATH: ": the
// system's reason for a file that cannot be read, or the record and offset where the file
// stops being a recording of JPEG frames and what is wrong there.
std::string loadFailureText(const LoadFailure& failure);
