#include "CustodyLog.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "Sha256.h"

namespace {

constexpr const char* columns =
    "seq, time_ms, actor, client, action, recording, details, prev_hash, hash";

CustodyEntry fromRow(const store::Row& row) {
    CustodyEntry e;
    e.seq = row[0].integer();
    e.timeMs = row[1].integer();
    e.actor = row[2].text();
    e.client = row[3].text();
    e.action = row[4].text();
    e.recording = row[5].text();
    e.details = row[6].text();
    e.prevHash = row[7].text();
    e.hash = row[8].text();
    return e;
}

std::int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// Each field as its length, a colon and its bytes: no two different entries read alike.
void feed(Sha256& hash, const std::string& field) {
    const std::string length = std::to_string(field.size()) + ":";
    hash.update(length.data(), length.size());
    hash.update(field.data(), field.size());
}

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

std::string isoTime(std::int64_t ms) {
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char out[96];
    std::snprintf(out, sizeof out, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(ms % 1000));
    return out;
}

}  // namespace

std::string CustodyLog::csv(const std::vector<CustodyEntry>& entries) {
    std::string text = "seq,time,actor,client,action,recording,details,prev_hash,hash\r\n";
    for (const CustodyEntry& e : entries) {
        for (const std::string& field : {std::to_string(e.seq), isoTime(e.timeMs), e.actor, e.client, e.action,
                                         e.recording, e.details, e.prevHash}) {
            text += csvField(field) + ",";
        }
        text += csvField(e.hash) + "\r\n";
    }
    return text;
}

const std::string& CustodyLog::genesis() {
    static const std::string zeros(64, '0');
    return zeros;
}

std::string CustodyLog::hashOf(const CustodyEntry& e) {
    Sha256 hash;
    for (const std::string& field :
         {std::to_string(e.seq), std::to_string(e.timeMs), e.actor, e.client, e.action, e.recording,
          e.details, e.prevHash}) {
        feed(hash, field);
    }
    return hash.finalHex();
}

CustodyEntry CustodyLog::append(const std::string& actor, const std::string& client,
                                const std::string& action, const std::string& recording,
                                const std::string& details) {
    store::Transaction t(database, store::Transaction::Write);
    CustodyEntry entry = append(*t, actor, client, action, recording, details);
    t.commit();
    return entry;
}

CustodyEntry CustodyLog::append(store::Connection& inWrite, const std::string& actor,
                                const std::string& client, const std::string& action,
                                const std::string& recording, const std::string& details) {
    CustodyEntry entry;
    entry.actor = actor;
    entry.client = client;
    entry.action = action;
    entry.recording = recording;
    entry.details = details.empty() ? "{}" : details;
    entry.timeMs = nowMs();
    const auto last = inWrite.queryOne("SELECT seq, hash FROM custody ORDER BY seq DESC LIMIT 1");
    entry.seq = last ? (*last)[0].integer() + 1 : 1;
    entry.prevHash = last ? (*last)[1].text() : genesis();
    entry.hash = hashOf(entry);
    inWrite.execute(
        "INSERT INTO custody (seq, time_ms, actor, client, action, recording, details, prev_hash, "
        "hash) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9)",
        {entry.seq, entry.timeMs, entry.actor, entry.client, entry.action, entry.recording,
         entry.details, entry.prevHash, entry.hash});
    return entry;
}

std::vector<CustodyEntry> CustodyLog::forRecording(const std::string& sha256) {
    std::vector<CustodyEntry> entries;
    for (const store::Row& row :
         database.connection().query(std::string("SELECT ") + columns +
                                         " FROM custody WHERE recording = $1 ORDER BY seq",
                                     {sha256})) {
        entries.push_back(fromRow(row));
    }
    return entries;
}

CustodyLog::Verdict CustodyLog::verify() {
    constexpr int page = 5000;
    Verdict verdict;
    std::int64_t expectedSeq = 1;
    std::string prevHash = genesis();
    const auto breaks = [&verdict](std::int64_t seq, std::string why) {
        verdict.holds = false;
        verdict.firstBad = seq;
        verdict.why = std::move(why);
        return verdict;
    };
    store::Transaction t(database, store::Transaction::Read);
    for (;;) {
        const auto rows = t->query(std::string("SELECT ") + columns +
                                       " FROM custody WHERE seq >= $1 ORDER BY seq LIMIT $2",
                                   {expectedSeq, page});
        for (const store::Row& row : rows) {
            const CustodyEntry e = fromRow(row);
            if (e.seq != expectedSeq) {
                return breaks(e.seq, "entry " + std::to_string(expectedSeq) +
                                         " is missing before entry " + std::to_string(e.seq));
            }
            if (e.prevHash != prevHash) {
                return breaks(e.seq, "entry " + std::to_string(e.seq) +
                                         " does not follow the entry before it (previous hash " +
                                         e.prevHash + ", that entry's hash " + prevHash + ")");
            }
            if (hashOf(e) != e.hash) {
                return breaks(e.seq, "entry " + std::to_string(e.seq) +
                                         " was changed: its fields hash to " + hashOf(e) +
                                         ", it records " + e.hash);
            }
            prevHash = e.hash;
            ++expectedSeq;
            ++verdict.entries;
        }
        if (rows.size() < static_cast<std::size_t>(page)) {
            break;
        }
    }
    return verdict;
}
