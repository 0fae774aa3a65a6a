// Any bytes as a library entry's recording.json: read it as the listing does; what reads
// writes back to a file that reads the same, and saving the user's fields over it (which
// keeps the keys this version does not know) always leaves a file that reads clean.
#include <filesystem>
#include <fstream>
#include <string>

#include "FuzzEntries.h"
#include "ScratchFolder.h"
#include "Sidecar.h"

namespace {

LibraryEntry soundEntry() {
    LibraryEntry entry;
    entry.fileName = "halcjpeg.dat";
    entry.sha256 = std::string(64, 'a');
    entry.size = 1234;
    entry.importedAt = "2026-12-09T02:30:01Z";
    entry.captureDate = "2026:11:28 14:35:07";
    entry.frames = 3;
    entry.firstTime = "-15.000";
    entry.lastTime = "14.800";
    entry.vehicle = "品川 300 あ 12-34";
    entry.note = "saved over the file";
    entry.clockOffset = -3600.5;
    return entry;
}

}  // namespace

void fuzzSidecarFile(std::span<const std::uint8_t> input) {
    const std::string_view bytes(reinterpret_cast<const char*>(input.data()), input.size());
    LibraryEntry entry;
    const std::string problem = sidecar::parse(bytes, entry);
    if (problem.empty()) {
        const std::string text = sidecar::serialise(entry);
        LibraryEntry again;
        fuzzCheck(sidecar::parse(text, again).empty(), "a sound entry writes back unreadable");
        fuzzCheck(sidecar::serialise(again) == text, "a sound entry reads back different");
    } else {
        fuzzCheck(problem.rfind("recording.json", 0) == 0, "a problem that does not name the file");
    }

    // The user's fields saved over the damaged or foreign file.
    emptyScratchFolder();
    const std::filesystem::path& folder = scratchFolder();
    {
        std::ofstream old(folder / sidecar::fileName, std::ios::binary | std::ios::trunc);
        old.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        fuzzCheck(static_cast<bool>(old), "cannot write the old recording.json");
    }
    const LibraryEntry saved = soundEntry();
    std::string error;
    fuzzCheck(sidecar::write(folder.string(), saved, error), "saving over the file failed");
    LibraryEntry reread;
    fuzzCheck(sidecar::read(folder.string(), reread).empty(), "the saved file does not read clean");
    fuzzCheck(sidecar::serialise(reread) == sidecar::serialise(saved),
              "the saved file reads back different");
}
