#include "CardScan.h"

#include <map>
#include <optional>

#include "Importer.h"

std::string CardScan::cardKey(const std::string& root) const {
    std::string key = root;
    for (const Found& found : missing) {
        key.append("\n").append(std::to_string(found.key.size)).append(" ");
        key.append(std::to_string(found.key.modified)).append(" ").append(found.key.firstRecord);
    }
    return key;
}

CardScan CardScan::of(const std::string& root, const Library& library,
                      const std::atomic<bool>* cancel) {
    const auto stopped = [cancel] { return cancel != nullptr && cancel->load(); };
    CardScan scan;
    std::vector<Found> found;
    for (const std::string& file : Importer(library).filesIn({root})) {
        if (stopped()) {
            return scan;
        }
        if (std::optional<recordingHead::Key> key = recordingHead::keyOf(file)) {
            found.push_back({file, std::move(*key)});
        }
    }
    scan.recordings = static_cast<int>(found.size());
    if (found.empty()) {
        return scan;
    }
    std::multimap<std::uint64_t, std::string> held;
    for (const LibraryEntry& entry : library.entries()) {
        if (!entry.path.empty()) {
            held.emplace(entry.size, entry.path);
        }
    }
    for (Found& candidate : found) {
        if (stopped()) {
            return scan;
        }
        bool present = false;
        const auto [from, to] = held.equal_range(candidate.key.size);
        for (auto it = from; it != to && !present; ++it) {
            const std::optional<recordingHead::Key> there = recordingHead::keyOf(it->second);
            present = there && there->sameRecording(candidate.key);
        }
        if (!present) {
            scan.missing.push_back(std::move(candidate));
        }
    }
    return scan;
}
