#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "ArgumentReader.h"
#include "Commands.h"
#include "FileOps.h"
#include "GuiSession.h"
#include "Importer.h"
#include "JsonText.h"
#include "RecordingHead.h"
#include "RecordingSender.h"
#include "Sha256.h"

namespace {

constexpr const char* pushUsage =
    "usage: halcyra-cli push SOURCE... --server URL --token-file FILE [--ca-file FILE]\n\n"
    "Sends every recording among the SOURCEs (files, folders and the folders below them a\n"
    "few levels deep, mounted cards, a library folder) to halcyra-server at URL\n"
    "(https://HOST[:PORT], or http:// on a local network), one at a time, with the device\n"
    "token in FILE (made by an admin on the server for this depot). Each is sent with its\n"
    "SHA-256, which the server checks: a copy damaged on the way is sent once more. The\n"
    "sources are only read. --ca-file names a PEM certificate of the fleet's own certificate\n"
    "authority, for a server whose certificate the system does not trust.\n"
    "One JSON object a line for every file looked at: source, status (\"imported\", \"present\"\n"
    "(the server held it already), \"skipped\" (no recording) or \"failed\"), sha256, and reason\n"
    "when skipped or failed.\n"
    "Exit status: 0 every recording found is on the server, 1 one or more failed, 2 usage\n"
    "error (no such source, an address that is none, no token in FILE).\n";

struct PushOptions {
    std::vector<std::string> sources;
    std::string server;
    std::string tokenFile;
    std::string caFile;
};

std::optional<PushOptions> parse(std::span<const std::string> args) {
    PushOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        std::string* value = word == "--server"       ? &options.server
                             : word == "--token-file" ? &options.tokenFile
                             : word == "--ca-file"    ? &options.caFile
                                                      : nullptr;
        if (value != nullptr) {
            if (i + 1 >= args.size() || !value->empty()) {
                return std::nullopt;
            }
            *value = args[++i];
        } else if (word.starts_with("--") || word.empty()) {
            return std::nullopt;
        } else {
            options.sources.push_back(word);
        }
    }
    if (options.sources.empty() || options.server.empty() || options.tokenFile.empty()) {
        return std::nullopt;
    }
    return options;
}

const char* statusWord(SendResult::Status status) {
    switch (status) {
        case SendResult::Status::Imported:
            return "imported";
        case SendResult::Status::Present:
            return "present";
        case SendResult::Status::Skipped:
            return "skipped";
        case SendResult::Status::Failed:
            break;
    }
    return "failed";
}

void printLine(std::ostream& out, const std::string& source, SendResult::Status status,
               const std::string& sha256, const std::string& reason) {
    out << "{\"source\": " << jsonUtf8String(source) << ", \"status\": \"" << statusWord(status)
        << "\"";
    if (!sha256.empty()) {
        out << ", \"sha256\": \"" << sha256 << "\"";
    }
    if (!reason.empty()) {
        out << ", \"reason\": " << jsonUtf8String(reason);
    }
    out << "}\n";
    out.flush();
}

}  // namespace

int runPushCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    if (wantsHelp(args)) {
        out << pushUsage;
        return 0;
    }
    const std::optional<PushOptions> options = parse(args);
    if (!options) {
        err << pushUsage;
        return 2;
    }
    for (const std::string& source : options->sources) {
        std::error_code error;
        if (!std::filesystem::exists(fileOps::fsPath(source), error)) {
            err << "halcyra-cli: " << source << ": no such file or folder\n";
            return 2;
        }
    }
    std::string error;
    std::optional<ServerLink> link =
        ServerLink::from(options->server, options->tokenFile, options->caFile, error);
    if (!link) {
        err << "halcyra-cli: " << error << "\n";
        return 2;
    }

    // Qt Network answers through an event loop.
    const GuiSession session;
    RecordingSender sender(std::move(*link));
    // Sources are searched as an import searches them; no library is left out.
    const Importer finder{Library(std::string())};
    bool failed = false;
    for (const std::string& file : finder.filesIn(options->sources)) {
        // Only what starts as a recording is hashed and sent; the server judges the rest of it.
        if (!recordingHead::keyOf(file)) {
            printLine(out, file, SendResult::Status::Skipped, {},
                      "not a recording: its first record is no frame");
            continue;
        }
        const std::optional<std::string> sha256 = Sha256::ofFile(file, error);
        if (!sha256) {
            printLine(out, file, SendResult::Status::Failed, {}, error);
            failed = true;
            continue;
        }
        const SendResult result = sender.send(file, *sha256);
        printLine(out, file, result.status, *sha256, result.reason);
        failed = failed || result.status == SendResult::Status::Failed;
    }
    return failed ? 1 : 0;
}
