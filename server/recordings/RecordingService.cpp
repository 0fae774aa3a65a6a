#include "RecordingService.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "CustodyLog.h"
#include "Sha256.h"

namespace {

constexpr std::size_t shortTextLimit = 200;
constexpr std::size_t noteLimit = 4000;
constexpr std::size_t tagLimit = 32;
constexpr std::size_t tagsLimit = 20;

bool isTag(const std::string& tag) {
    return !tag.empty() && tag.size() <= tagLimit &&
           std::none_of(tag.begin(), tag.end(), [](char c) {
               return static_cast<unsigned char>(c) <= ' ' || c == ',' || c == 0x7f;
           });
}

}  // namespace

bool RecordingService::isStatus(const std::string& status) {
    for (const char* known : {"new", "reviewed", "needs_coaching", "coached", "dismissed"}) {
        if (status == known) {
            return true;
        }
    }
    return false;
}

RecordingPage RecordingService::list(const Caller& caller, RecordingFilter filter) {
    if (caller.kind != Caller::Kind::User) {
        return {};
    }
    if (caller.user.role != Role::Admin && !caller.user.depots.empty()) {
        filter.depots = caller.user.depots;
    }
    store::Transaction t(database, store::Transaction::Read);
    return recordingIndex::list(*t, filter);
}

std::vector<StatsGroup> RecordingService::stats(const Caller& caller, const std::string& by,
                                                RecordingFilter filter) {
    if (caller.kind != Caller::Kind::User) {
        return {};
    }
    if (caller.user.role != Role::Admin && !caller.user.depots.empty()) {
        filter.depots = caller.user.depots;
    }
    store::Transaction t(database, store::Transaction::Read);
    return recordingIndex::stats(*t, by, filter);
}

std::optional<IndexedRecording> RecordingService::find(const Caller& caller, const std::string& sha256) {
    auto r = recordingIndex::get(database.connection(), sha256);
    if (!r || !caller.seesDepot(r->depot)) {
        return std::nullopt;
    }
    return r;
}

std::string RecordingService::pathOf(const IndexedRecording& r) const {
    return library.root() + "/" + r.folder + "/" + r.storedName;
}

std::optional<std::string> RecordingService::fileOf(const Caller& caller, const std::string& sha256) {
    std::string depot;
    auto file = located(sha256, depot);
    return file && caller.seesDepot(depot) ? file : std::nullopt;
}

std::optional<std::string> RecordingService::fileOf(const std::string& sha256) {
    std::string depot;
    return located(sha256, depot);
}

std::optional<std::string> RecordingService::located(const std::string& sha256, std::string& depot) {
    {
        const std::lock_guard guard(locationsLock);
        const auto known = locations.find(sha256);
        std::error_code missing;
        if (known != locations.end() && std::filesystem::exists(known->second.file, missing)) {
            depot = known->second.depot;
            return known->second.file;
        }
    }
    const auto row = database.connection().queryOne(
        "SELECT folder, stored_name, depot FROM recordings WHERE sha256 = $1", {sha256});
    if (!row) {
        return std::nullopt;
    }
    depot = (*row)[2].text();
    std::string file = library.root() + "/" + (*row)[0].text() + "/" + (*row)[1].text();
    const std::lock_guard guard(locationsLock);
    constexpr std::size_t mostKept = 10000;
    if (locations.size() >= mostKept) {
        locations.clear();
    }
    locations[sha256] = {file, depot};
    return file;
}

std::string RecordingService::edit(const Caller& caller, IndexedRecording& r, const Edit& e) {
    IndexedRecording changed = r;
    nlohmann::json fields = nlohmann::json::object();
    const auto text = [&fields](const char* name, const std::optional<std::string>& value,
                                std::string& into, std::size_t limit) -> std::string {
        if (!value) {
            return "";
        }
        if (value->size() > limit) {
            return std::string(name) + " is longer than " + std::to_string(limit) + " bytes";
        }
        if (*value != into) {
            fields[name] = *value;
            into = *value;
        }
        return "";
    };
    for (const std::string& problem :
         {text("vehicle", e.vehicle, changed.vehicle, shortTextLimit),
          text("driver", e.driver, changed.driver, shortTextLimit),
          text("note", e.note, changed.note, noteLimit),
          text("statusReason", e.statusReason, changed.statusReason, shortTextLimit)}) {
        if (!problem.empty()) {
            return problem;
        }
    }
    if (e.status) {
        if (!isStatus(*e.status)) {
            return "status is one of new, reviewed, needs_coaching, coached, dismissed";
        }
        changed.status = *e.status;
    }
    if (changed.status == "dismissed" && changed.statusReason.empty()) {
        return "a dismissed recording needs a statusReason";
    }
    if (e.tags) {
        if (e.tags->size() > tagsLimit) {
            return "at most " + std::to_string(tagsLimit) + " tags";
        }
        for (const std::string& tag : *e.tags) {
            if (!isTag(tag)) {
                return "a tag is 1 to 32 bytes with no space or comma: '" + tag.substr(0, 40) + "'";
            }
        }
        std::vector<std::string> tags = *e.tags;
        std::sort(tags.begin(), tags.end());
        tags.erase(std::unique(tags.begin(), tags.end()), tags.end());
        if (tags != changed.tags) {
            fields["tags"] = tags;
        }
        changed.tags = tags;
    }

    if (e.clockOffset) {
        if (!std::isfinite(*e.clockOffset) || std::fabs(*e.clockOffset) > clockOffsetLimit) {
            return "clockOffset is a number of seconds within ten years either way";
        }
        // Milliseconds are as fine as the burned-in times go.
        const double offset = std::round(*e.clockOffset * 1000.0) / 1000.0;
        if (offset != changed.clockOffset) {
            fields["clockOffset"] = offset;
            changed.clockOffset = offset;
        }
    }

    // vehicle, driver, note and the clock offset are the folder's too: recording.json first,
    // so a reindex brings the index back to it whatever happens after.
    if (changed.vehicle != r.vehicle || changed.driver != r.driver || changed.note != r.note ||
        changed.clockOffset != r.clockOffset) {
        auto entry = Library::readFolder(library.root() + "/" + r.folder);
        if (!entry) {
            return "the recording's folder cannot be read: " + r.folder;
        }
        entry->vehicle = changed.vehicle;
        entry->driver = changed.driver;
        entry->note = changed.note;
        entry->clockOffset = changed.clockOffset;
        std::string error;
        if (!library.saveUserFields(*entry, error)) {
            return error;
        }
    }
    store::Transaction t(database, store::Transaction::Write);
    recordingIndex::saveReview(*t, changed);
    if (!fields.empty()) {
        CustodyLog::append(*t, caller.actor(), caller.client, "edit", r.sha256,
                           fields.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    }
    if (changed.status != r.status || changed.statusReason != r.statusReason) {
        nlohmann::json status = {{"from", r.status}, {"to", changed.status}};
        if (!changed.statusReason.empty()) {
            status["reason"] = changed.statusReason;
        }
        CustodyLog::append(*t, caller.actor(), caller.client, "status", r.sha256,
                           status.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    }
    t.commit();
    r = changed;
    return "";
}

std::optional<Comment> RecordingService::comment(const Caller& caller, const IndexedRecording& r,
                                                 const std::string& text) {
    if (text.empty() || text.size() > noteLimit) {
        return std::nullopt;
    }
    const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    store::Transaction t(database, store::Transaction::Write);
    Comment added = recordingIndex::addComment(*t, r.sha256, caller.actor(), text, now);
    CustodyLog::append(*t, caller.actor(), caller.client, "comment", r.sha256,
                       nlohmann::json{{"seq", added.seq}, {"text", text}}.dump(
                           -1, ' ', false, nlohmann::json::error_handler_t::replace));
    t.commit();
    return added;
}

std::vector<Comment> RecordingService::comments(const IndexedRecording& r) {
    return recordingIndex::comments(database.connection(), r.sha256);
}

void RecordingService::log(const Caller& caller, const std::string& action,
                           const std::string& sha256, const std::string& details) {
    CustodyLog(database).append(caller.actor(), caller.client, action, sha256, details);
}

std::size_t RecordingService::reindex(const std::string& actor) {
    std::vector<LibraryEntry> entries = library.entries();
    std::vector<std::string> shas;
    store::Transaction t(database, store::Transaction::Write);
    for (LibraryEntry& entry : entries) {
        if (entry.sha256.empty() || !entry.sidecarProblem.empty()) {
            // recording.json cannot be trusted: the file itself says what it is.
            std::string error;
            const auto sha = Sha256::ofFile(entry.path, error);
            if (!sha) {
                continue;
            }
            entry.sha256 = *sha;
        }
        recordingIndex::put(*t, library.root(), entry, "");
        shas.push_back(entry.sha256);
    }
    const std::int64_t removed = recordingIndex::removeAllBut(*t, shas);
    CustodyLog::append(*t, actor, "", "reindex", "",
                       nlohmann::json{{"recordings", shas.size()}, {"removed", removed}}.dump());
    t.commit();
    return shas.size();
}
