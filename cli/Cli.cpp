#include <string_view>

#include "Commands.h"

namespace {

constexpr CliCommand commands[] = {
    {"info", "print what a recording holds, as JSON", runInfoCommand},
    {"export", "write frames as the viewer shows them (PNG, PPM) or as recorded (JPEG)", runExportCommand},
    {"video", "write a clip: the original frames (.avi .mkv) or a share copy (.mp4)",
     runVideoCommand},
    {"report", "write the PDF report of a recording, with the record of the steps", runReportCommand},
    {"evidence", "write the evidence package: recording, clips, report, still, SHA256SUMS",
     runEvidenceCommand},
    {"verify", "check an evidence package against its SHA256SUMS and its recording",
     runVerifyCommand},
    {"import", "copy the recordings of files, folders or a card into the library, verified",
     runImportCommand},
    {"library", "print the library's recordings as JSON, newest first", runLibraryCommand},
#ifdef HALCYRA_PUSH
    {"push", "send the recordings of files, folders, a card or a library to halcyra-server",
     runPushCommand},
#endif
    {"sensitivity", "write halc.inf, the shock-detection sensitivity", runSensitivityCommand},
    {"clock", "write writetime.txt, the recorder's clock setting", runClockCommand},
};

void printUsage(std::ostream& out) {
    out << "usage: halcyra-cli COMMAND [ARGS...]\n"
           "       halcyra-cli COMMAND --help\n\n"
           "Commands:\n";
    for (const CliCommand& command : commands) {
        out << "  " << command.name << std::string(13 - std::string_view(command.name).size(), ' ')
            << command.summary << "\n";
    }
}

}  // namespace

int runCli(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        printUsage(err);
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        printUsage(out);
        return 0;
    }
    for (const CliCommand& command : commands) {
        if (args[0] == command.name) {
            return command.run(args.subspan(1), out, err);
        }
    }
    err << "halcyra-cli: unknown command '" << args[0] << "'\n";
    printUsage(err);
    return 2;
}
