#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "ConfigFileWriter.h"

// The step both settings commands end with: an existing `target` is replaced only when
// `force` is set, `write` writes it, and a failure is told on `err` in the command line's
// words with the system's reason ("halcyra-cli: cannot write PATH: reason").
// The exit status: 0 written, 1 not.
int outputDeviceFile(const std::string& target, bool force,
                     const std::function<ConfigFileWriter::Outcome(const std::string&)>& write,
                     std::ostream& err);
