#include "TargetRequest.h"

#include "LoadFailureText.h"
#include "Recording.h"

bool TargetRequest::parse(std::span<const std::string> args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        const ClockOptions::Read clockRead = clock.read(args, i);
        if (clockRead != ClockOptions::Read::NotMine) {
            if (clockRead == ClockOptions::Read::Malformed) {
                return false;
            }
        } else if (word == "--out" && i + 1 < args.size() && out.empty() && !args[i + 1].empty()) {
            out = args[++i];
        } else if (word == "--redact" && i + 1 < args.size() && redactPath.empty() &&
                   !args[i + 1].empty()) {
            redactPath = args[++i];
        } else if (word == "--force" && !force) {
            force = true;
        } else if (!word.starts_with("--") && recordingPath.empty() && !word.empty()) {
            recordingPath = word;
        } else {
            return false;
        }
    }
    return !recordingPath.empty() && !out.empty() && clock.complete();
}

bool loadRecordingForExport(Recording& recording, const std::string& path, std::ostream& err) {
    if (recording.load(path)) {
        return true;
    }
    err << "halcyra-cli: " << path << ": " << loadFailureText(recording.lastLoadFailure()) << "\n";
    return false;
}

int reportExportResult(const ExportResult& result, std::ostream& err) {
    switch (result.status) {
    case ExportResult::Status::Written:
        return 0;
    case ExportResult::Status::WrittenWithDamage:
        err << "halcyra-cli: " << result.message << "\n";
        return 3;
    default:
        err << "halcyra-cli: " << result.message << "\n";
        return 1;
    }
}
