#pragma once

#include <ostream>
#include <span>
#include <string>

// One subcommand of halcyra-cli. `args` are the words after the subcommand's name.
// Returns the exit code: 0 success, 1 failure, 2 usage error (and others where a command
// documents them).
struct CliCommand {
    const char* name;
    const char* summary;
    int (*run)(std::span<const std::string> args, std::ostream& out, std::ostream& err);
};

int runInfoCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err);
int runEvidenceCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err);
int runExportCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err);
int runReportCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err);
int runVerifyCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err);
int runVideoCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err);
int runSensitivityCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err);
int runImportCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err);
int runLibraryCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err);
int runClockCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err);
#ifdef HALCYRA_PUSH
int runPushCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err);
#endif

// Runs halcyra-cli with the words after the program's name.
int runCli(std::span<const std::string> args, std::ostream& out, std::ostream& err);
