#include "RecordingIndex.h"

#include <algorithm>
#include <filesystem>
#include <unordered_set>

#include "Sha256Text.h"

namespace recordingIndex {
namespace {

constexpr const char* columns =
    "sha256, folder, stored_name, file_name, size, capture_date, sort_key, frames, first_time, "
    "last_time, complete, imported_at, depot, vehicle, driver, note, status, status_reason, clock_offset";

IndexedRecording fromRow(const store::Row& row) {
    IndexedRecording r;
    r.sha256 = row[0].text();
    r.folder = row[1].text();
    r.storedName = row[2].text();
    r.fileName = row[3].text();
    r.size = static_cast<std::uint64_t>(row[4].integer());
    r.captureDate = row[5].text();
    r.sortKey = row[6].text();
    r.frames = static_cast<std::uint64_t>(row[7].integer());
    r.firstTime = row[8].text();
    r.lastTime = row[9].text();
    r.complete = row[10].integer() != 0;
    r.importedAt = row[11].text();
    r.depot = row[12].text();
    r.vehicle = row[13].text();
    r.driver = row[14].text();
    r.note = row[15].text();
    r.status = row[16].text();
    r.statusReason = row[17].text();
    r.clockOffset = row[18].real();
    return r;
}

std::vector<std::string> tagsOf(store::Connection& c, const std::string& sha256) {
    std::vector<std::string> tags;
    for (const auto& row :
         c.query("SELECT tag FROM recording_tags WHERE sha256 = $1 ORDER BY tag", {sha256})) {
        tags.push_back(row[0].text());
    }
    return tags;
}

// A LIKE pattern that matches `text` anywhere, with its own wildcards taken literally.
std::string containing(const std::string& text) {
    std::string pattern = "%";
    for (const char ch : text) {
        if (ch == '%' || ch == '_' || ch == '\\') {
            pattern += '\\';
        }
        pattern += ch;
    }
    return pattern + "%";
}

}  // namespace

void put(store::Connection& c, const std::string& libraryRoot, const LibraryEntry& entry,
         const std::string& depot) {
    namespace fs = std::filesystem;
    const std::string folder = fs::path(entry.folder).lexically_relative(libraryRoot).generic_string();
    const std::string stored = fs::path(entry.path).filename().string();
    c.execute(
        "INSERT INTO recordings (sha256, folder, stored_name, file_name, size, capture_date, "
        "sort_key, frames, first_time, last_time, complete, imported_at, depot, vehicle, driver, "
        "note, clock_offset) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, $15, "
        "$16, $17) "
        "ON CONFLICT (sha256) DO UPDATE SET folder = $2, stored_name = $3, file_name = $4, "
        "size = $5, capture_date = $6, sort_key = $7, frames = $8, first_time = $9, "
        "last_time = $10, complete = $11, imported_at = $12, vehicle = $14, driver = $15, "
        "note = $16, clock_offset = $17",
        {entry.sha256, folder, stored, entry.fileName.empty() ? stored : entry.fileName,
         static_cast<long long>(entry.size), entry.captureDate, entry.sortKey(),
         static_cast<long long>(entry.frames), entry.firstTime, entry.lastTime, entry.complete,
         entry.importedAt, depot, entry.vehicle, entry.driver, entry.note, entry.clockOffset});
}

std::optional<IndexedRecording> get(store::Connection& c, const std::string& sha256) {
    const auto row = c.queryOne(std::string("SELECT ") + columns + " FROM recordings WHERE sha256 = $1",
                                {sha256});
    if (!row) {
        return std::nullopt;
    }
    IndexedRecording r = fromRow(*row);
    r.tags = tagsOf(c, r.sha256);
    return r;
}

std::vector<Comment> comments(store::Connection& c, const std::string& sha256) {
    std::vector<Comment> list;
    for (const auto& row : c.query("SELECT seq, time_ms, author, text FROM comments WHERE sha256 = $1 "
                                   "ORDER BY seq",
                                   {sha256})) {
        list.push_back(Comment{row[0].integer(), row[1].integer(), row[2].text(), row[3].text()});
    }
    return list;
}

Comment addComment(store::Connection& inWrite, const std::string& sha256, const std::string& author,
                   const std::string& text, std::int64_t timeMs) {
    const auto last = inWrite.query("SELECT COALESCE(MAX(seq), 0) FROM comments WHERE sha256 = $1", {sha256});
    Comment comment{last[0][0].integer() + 1, timeMs, author, text};
    inWrite.execute("INSERT INTO comments (sha256, seq, time_ms, author, text) VALUES ($1, $2, $3, $4, $5)",
                    {sha256, comment.seq, comment.timeMs, comment.author, comment.text});
    return comment;
}

bool isValidCursor(const std::string& cursor) {
    // "2026-11-28T14:35:07" "." sha256, or "." sha256 for rows with no date
    const auto dot = cursor.rfind('.');
    if (dot == std::string::npos || !sha256Text::isValid(cursor.substr(dot + 1))) {
        return false;
    }
    const std::string key = cursor.substr(0, dot);
    return key.size() <= 19 && std::all_of(key.begin(), key.end(), [](char ch) {
               return (ch >= '0' && ch <= '9') || ch == '-' || ch == ':' || ch == 'T';
           });
}

namespace {

// The WHERE clause of a filter, its values appended to `params`.
std::string whereOf(const RecordingFilter& f, std::vector<store::Value>& params) {
    std::string where = " WHERE 1 = 1";
    const auto param = [&params](store::Value value) {
        params.push_back(std::move(value));
        return "$" + std::to_string(params.size());
    };
    if (f.depots) {
        if (f.depots->empty()) {
            where += " AND 1 = 0";
        } else {
            where += " AND depot IN (";
            for (std::size_t i = 0; i < f.depots->size(); ++i) {
                where += (i == 0 ? "" : ", ") + param((*f.depots)[i]);
            }
            where += ")";
        }
    }
    if (!f.q.empty()) {
        const std::string p = param(containing(f.q));
        where += " AND (file_name LIKE " + p + " ESCAPE '\\' OR vehicle LIKE " + p +
                 " ESCAPE '\\' OR driver LIKE " + p + " ESCAPE '\\' OR note LIKE " + p + " ESCAPE '\\')";
    }
    if (!f.from.empty()) {
        where += " AND sort_key >= " + param(f.from);
    }
    if (!f.to.empty()) {
        // "2026-11-28" takes in the whole day: the keys are compared as far as it goes.
        const std::string length = param(static_cast<int>(f.to.size()));
        where += " AND substr(sort_key, 1, " + length + ") <= " + param(f.to);
    }
    for (const auto& [column, value] : {std::pair{"depot", &f.depot}, std::pair{"vehicle", &f.vehicle},
                                        std::pair{"driver", &f.driver}, std::pair{"status", &f.status}}) {
        if (!value->empty()) {
            where += std::string(" AND ") + column + " = " + param(*value);
        }
    }
    if (!f.tag.empty()) {
        where += " AND sha256 IN (SELECT sha256 FROM recording_tags WHERE tag = " + param(f.tag) + ")";
    }
    return where;
}

}  // namespace

RecordingPage list(store::Connection& c, const RecordingFilter& f) {
    std::vector<store::Value> params;
    std::string where = whereOf(f, params);
    const auto param = [&params](store::Value value) {
        params.push_back(std::move(value));
        return "$" + std::to_string(params.size());
    };
    RecordingPage page;
    page.total = c.query("SELECT COUNT(*) FROM recordings" + where, params)[0][0].integer();

    if (!f.after.empty()) {
        const auto dot = f.after.rfind('.');
        const std::string key = param(f.after.substr(0, dot));
        const std::string sha = param(f.after.substr(dot + 1));
        where += " AND (sort_key < " + key + " OR (sort_key = " + key + " AND sha256 < " + sha + "))";
    }
    const int limit = std::clamp(f.limit, 1, 200);
    const std::string sql = std::string("SELECT ") + columns + " FROM recordings" + where +
                            " ORDER BY sort_key DESC, sha256 DESC LIMIT " + param(limit + 1);
    for (const auto& row : c.query(sql, params)) {
        page.recordings.push_back(fromRow(row));
    }
    if (page.recordings.size() > static_cast<std::size_t>(limit)) {
        page.recordings.pop_back();
        const IndexedRecording& last = page.recordings.back();
        page.next = last.sortKey + "." + last.sha256;
    }
    for (IndexedRecording& r : page.recordings) {
        r.tags = tagsOf(c, r.sha256);
    }
    return page;
}

std::vector<StatsGroup> stats(store::Connection& c, const std::string& by, const RecordingFilter& f) {
    // `by` is one of three column names, never the caller's text.
    const std::string column = by == "driver" ? "driver" : by == "vehicle" ? "vehicle" : "depot";
    std::vector<StatsGroup> groups;
    const auto group = [&groups](const std::string& key) -> StatsGroup& {
        for (StatsGroup& g : groups) {
            if (g.key == key) {
                return g;
            }
        }
        return groups.emplace_back(StatsGroup{key, 0, {}, {}});
    };
    std::vector<store::Value> params;
    // The filter names only columns of recordings, so it reads the same beside the tags' join.
    const std::string where = whereOf(f, params);
    std::string byStatus = "SELECT " + column + ", status, COUNT(*) FROM recordings";
    byStatus.append(where).append(" GROUP BY ").append(column).append(", status ORDER BY ");
    byStatus.append(column).append(", status");
    for (const auto& row : c.query(byStatus, params)) {
        StatsGroup& g = group(row[0].text());
        g.byStatus.emplace_back(row[1].text(), row[2].integer());
        g.total += row[2].integer();
    }
    std::string byTag = "SELECT " + column;
    byTag.append(", t.tag, COUNT(*) FROM recordings JOIN recording_tags t ON t.sha256 = recordings.sha256");
    byTag.append(where).append(" GROUP BY ").append(column).append(", t.tag ORDER BY ");
    byTag.append(column).append(", t.tag");
    for (const auto& row : c.query(byTag, params)) {
        group(row[0].text()).byTag.emplace_back(row[1].text(), row[2].integer());
    }
    return groups;
}

void saveReview(store::Connection& c, const IndexedRecording& r) {
    c.execute("UPDATE recordings SET vehicle = $2, driver = $3, note = $4, status = $5, "
              "status_reason = $6, clock_offset = $7 WHERE sha256 = $1",
              {r.sha256, r.vehicle, r.driver, r.note, r.status, r.statusReason, r.clockOffset});
    c.execute("DELETE FROM recording_tags WHERE sha256 = $1", {r.sha256});
    for (const std::string& tag : r.tags) {
        c.execute("INSERT INTO recording_tags (sha256, tag) VALUES ($1, $2) ON CONFLICT DO NOTHING",
                  {r.sha256, tag});
    }
}

std::int64_t removeAllBut(store::Connection& c, const std::vector<std::string>& keep) {
    const std::unordered_set<std::string> kept(keep.begin(), keep.end());
    std::int64_t removed = 0;
    for (const auto& row : c.query("SELECT sha256 FROM recordings")) {
        if (!kept.contains(row[0].text())) {
            removed += c.execute("DELETE FROM recordings WHERE sha256 = $1", {row[0].text()});
        }
    }
    return removed;
}

}  // namespace recordingIndex
