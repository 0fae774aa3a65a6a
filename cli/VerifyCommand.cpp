#include "ArgumentReader.h"
#include "Commands.h"
#include "PackageVerifier.h"

namespace {

constexpr const char* usage =
    "usage: halcyra-cli verify DIR\n\n"
    "Checks an evidence package as `evidence` writes it: every line of SHA256SUMS against its\n"
    "file; that the recording loads; that the original clip holds exactly the recording's\n"
    "frames, their recorded bytes and timestamps; that the share copy has a picture at each of\n"
    "those times; that the event still is the event frame's recorded JPEG; that the report\n"
    "names the recording's SHA-256; and that DIR holds no file SHA256SUMS does not name.\n"
    "Prints one line per file: \"NAME: OK\", or \"NAME: \" and what is wrong with it.\n"
    "Exit status: 0 the package holds, 1 some file does not (each is named with the reason),\n"
    "2 usage error (DIR is not a folder).\n";

}  // namespace

int runVerifyCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    if (wantsHelp(args)) {
        out << usage;
        return 0;
    }
    if (args.size() != 1 || args[0].starts_with("-")) {
        err << usage;
        return 2;
    }
    ExportProgress progress;
    const PackageVerification verification = verifyEvidencePackage(args[0], progress);
    if (!verification.refusal.empty()) {
        err << "halcyra-cli: " << verification.refusal << "\n";
        return 2;
    }
    for (const PackageFileCheck& check : verification.files) {
        if (check.problems.empty()) {
            out << check.name << ": OK\n";
        }
        for (const std::string& problem : check.problems) {
            out << check.name << ": " << problem << "\n";
        }
    }
    return verification.holds() ? 0 : 1;
}
