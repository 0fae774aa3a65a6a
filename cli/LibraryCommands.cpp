#include <charconv>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "ArgumentReader.h"
#include "Commands.h"
#include "FileOps.h"
#include "Importer.h"
#include "InterruptSignal.h"
#include "JsonText.h"
#include "Library.h"
#include "LibraryFolder.h"
#include "ProgressLine.h"

namespace {

constexpr const char* importUsage =
    "usage: halcyra-cli import SOURCE... [--library DIR]\n\n"
    "Copies every recording among the SOURCEs (files, folders and the folders below them\n"
    "a few levels deep, mounted cards) into the library, verified: each is read once while\n"
    "it is hashed, the copy is read back and compared by SHA-256, and only then does it get\n"
    "its folder. A recording the library already holds is not copied again. The sources\n"
    "are only read. One JSON object a line for every file looked at: source, status\n"
    "(\"imported\", \"present\", \"skipped\" or \"failed\"), path (the file in the library),\n"
    "sha256, and reason when skipped or failed.\n"
    "The library is DIR, else the folder chosen in the window, else the videos folder's\n"
    "Halcyra.\n"
    "Exit status: 0 every recording found is in the library, 1 a copy failed (nothing\n"
    "partial is left), 2 usage error (no such source, a library that cannot be made).\n";

constexpr const char* libraryUsage =
    "usage: halcyra-cli library [--library DIR]\n\n"
    "Prints the library as one JSON object, newest first: {\"library\": DIR, \"recordings\":\n"
    "[...]}, each recording with path, folder, sha256, size, captureDate, frames, firstTime,\n"
    "lastTime, complete, importedAt, source, vehicle, driver, note and clockOffset, and\n"
    "problem when its recording.json is missing or broken (it is then listed from its file).\n"
    "Exit status: 0 listed, 2 usage error.\n";

std::string number(double value) {
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : "0";
}

// The words that are not options, and --library's value; false for anything else.
bool parse(std::span<const std::string> args, std::vector<std::string>& words,
           std::optional<std::string>& library) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--library") {
            if (library || i + 1 == args.size() || args[i + 1].empty()) {
                return false;
            }
            library = args[++i];
        } else if (args[i].starts_with("--") || args[i].empty()) {
            return false;
        } else {
            words.push_back(args[i]);
        }
    }
    return true;
}

std::string libraryRoot(const std::optional<std::string>& option) {
    return option ? *option : LibraryFolder(LibraryFolder::userIniPath()).load();
}

void printResult(std::ostream& out, const ImportResult& result) {
    out << "{\"source\": " << jsonUtf8String(result.source)
        << ", \"status\": \"" << statusText(result.status) << "\"";
    if (!result.path.empty()) {
        out << ", \"path\": " << jsonUtf8String(result.path);
    }
    if (!result.sha256.empty()) {
        out << ", \"sha256\": \"" << result.sha256 << "\"";
    }
    if (!result.reason.empty()) {
        out << ", \"reason\": " << jsonUtf8String(result.reason);
    }
    if (result.status == ImportResult::Status::Imported ||
        result.status == ImportResult::Status::Present) {
        out << ", \"complete\": " << (result.complete ? "true" : "false");
    }
    if (!result.warning.empty()) {
        out << ", \"warning\": " << jsonUtf8String(result.warning);
    }
    out << "}\n";
    out.flush();
}

void printEntry(std::ostream& out, const LibraryEntry& entry) {
    out << "{\"path\": " << jsonUtf8String(entry.path)
        << ", \"folder\": " << jsonUtf8String(entry.folder)
        << ", \"sha256\": " << jsonUtf8String(entry.sha256) << ", \"size\": " << entry.size
        << ", \"captureDate\": " << jsonUtf8String(entry.captureDate)
        << ", \"frames\": " << entry.frames
        << ", \"firstTime\": " << jsonUtf8String(entry.firstTime)
        << ", \"lastTime\": " << jsonUtf8String(entry.lastTime)
        << ", \"complete\": " << (entry.complete ? "true" : "false")
        << ", \"importedAt\": " << jsonUtf8String(entry.importedAt)
        << ", \"source\": " << jsonUtf8String(entry.source)
        << ", \"vehicle\": " << jsonUtf8String(entry.vehicle)
        << ", \"driver\": " << jsonUtf8String(entry.driver)
        << ", \"note\": " << jsonUtf8String(entry.note)
        << ", \"clockOffset\": " << number(entry.clockOffset);
    if (!entry.sidecarProblem.empty()) {
        out << ", \"problem\": " << jsonUtf8String(entry.sidecarProblem);
    }
    out << "}";
}

}  // namespace

int runImportCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    if (wantsHelp(args)) {
        out << importUsage;
        return 0;
    }
    std::vector<std::string> sources;
    std::optional<std::string> libraryOption;
    if (!parse(args, sources, libraryOption) || sources.empty()) {
        err << importUsage;
        return 2;
    }
    for (const std::string& source : sources) {
        std::error_code error;
        if (!std::filesystem::exists(fileOps::fsPath(source), error)) {
            err << "halcyra-cli: " << source << ": no such file or folder\n";
            return 2;
        }
    }
    const Library library(libraryRoot(libraryOption));
    std::string error;
    if (!library.ensureRoot(error)) {
        err << "halcyra-cli: " << error << "\n";
        return 2;
    }

    ProgressLine progress(err, "import");
    Importer importer(library);
    importer.setCancelFlag(&interruptSignal::flag());  // caught by the progress line
    importer.setProgress([&progress](std::uint64_t done, std::uint64_t total) {
        progress.advance(done, total);
    });
    bool failed = false;
    importer.setResultHandler([&](const ImportResult& result) {
        printResult(out, result);
        if (result.status == ImportResult::Status::Failed ||
            result.status == ImportResult::Status::Cancelled) {
            failed = true;
        }
    });
    importer.importSources(sources);
    return failed ? 1 : 0;
}

int runLibraryCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    if (wantsHelp(args)) {
        out << libraryUsage;
        return 0;
    }
    std::vector<std::string> words;
    std::optional<std::string> libraryOption;
    if (!parse(args, words, libraryOption) || !words.empty()) {
        err << libraryUsage;
        return 2;
    }
    const Library library(libraryRoot(libraryOption));
    const std::vector<LibraryEntry> entries = library.entries();
    out << "{\"library\": " << jsonUtf8String(library.root()) << ", \"recordings\": [";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        out << (i == 0 ? "\n  " : ",\n  ");
        printEntry(out, entries[i]);
    }
    out << (entries.empty() ? "]}\n" : "\n]}\n");
    return 0;
}
