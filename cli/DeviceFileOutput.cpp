#include "DeviceFileOutput.h"

#include <cstring>

#include "FileExists.h"

int outputDeviceFile(const std::string& target, bool force,
                     const std::function<ConfigFileWriter::Outcome(const std::string&)>& write,
                     std::ostream& err) {
    if (!force && fileExists(target)) {
        err << "halcyra-cli: " << target << " already exists; use --force to replace it\n";
        return 1;
    }
    const ConfigFileWriter::Outcome outcome = write(target);
    if (outcome.stage == ConfigFileWriter::Outcome::Stage::written) {
        return 0;
    }
    err << "halcyra-cli: cannot write " << target << ": " << std::strerror(outcome.systemError)
        << "\n";
    return 1;
}
