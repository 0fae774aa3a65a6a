#include "ShareService.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include <sodium.h>

#include <nlohmann/json.hpp>

#include "CustodyLog.h"
#include "Secrets.h"

namespace {

constexpr std::int64_t dayMs = std::int64_t{24} * 3600 * 1000;

std::int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string details(const nlohmann::json& value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string newShareId() {
    unsigned char bytes[8];
    randombytes_buf(bytes, sizeof bytes);
    char hex[sizeof bytes * 2 + 1];
    sodium_bin2hex(hex, sizeof hex, bytes, sizeof bytes);
    return hex;
}

constexpr const char* columns =
    "id, sha256, created_by, created_ms, expires_ms, download, password_hash, revoked_ms";

Share fromRow(const store::Row& row) {
    Share s;
    s.id = row[0].text();
    s.sha256 = row[1].text();
    s.createdBy = row[2].text();
    s.createdMs = row[3].integer();
    s.expiresMs = row[4].integer();
    s.download = row[5].integer() != 0;
    s.hasPassword = !row[6].text().empty();
    if (!row[7].isNull()) {
        s.revokedMs = row[7].integer();
    }
    return s;
}

bool digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    if (at + count > text.size()) {
        return false;
    }
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// The checks every new expiry passes.
std::optional<std::int64_t> withinBounds(std::int64_t expiresMs, std::int64_t now, std::string& problem) {
    if (expiresMs <= now) {
        problem = "expires is in the past";
        return std::nullopt;
    }
    if (expiresMs - now > ShareService::maxDays * dayMs) {
        problem = "expires is more than " + std::to_string(ShareService::maxDays) + " days ahead";
        return std::nullopt;
    }
    return expiresMs;
}

}  // namespace

bool ShareService::isToken(std::string_view text) {
    return text.size() == 43 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '_';
           });
}

bool ShareService::isShareId(std::string_view text) {
    return text.size() == 16 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

std::optional<std::int64_t> ShareService::expiryOf(const std::string& text, std::int64_t now,
                                                   std::string& problem) {
    // YYYY-MM-DDTHH:MM:SS, then .fraction, then Z or +00:00
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    const bool shaped = text.size() <= 40 && digits(text, 0, 4, year) && text.size() > 19 &&
                        text[4] == '-' && digits(text, 5, 2, month) && text[7] == '-' &&
                        digits(text, 8, 2, day) && (text[10] == 'T' || text[10] == 't') &&
                        digits(text, 11, 2, hour) && text[13] == ':' && digits(text, 14, 2, minute) &&
                        text[16] == ':' && digits(text, 17, 2, second);
    if (!shaped) {
        problem = "expires is a UTC time as 2026-12-31T23:59:59Z, or a number of days";
        return std::nullopt;
    }
    std::size_t at = 19;
    int milliseconds = 0;
    if (text[at] == '.') {
        std::size_t end = at + 1;
        int scale = 100;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
            milliseconds += (text[end] - '0') * scale;
            scale /= 10;
            ++end;
        }
        if (end == at + 1) {
            problem = "expires has a '.' with no fraction after it";
            return std::nullopt;
        }
        at = end;
    }
    const std::string_view zone = std::string_view(text).substr(at);
    if (zone != "Z" && zone != "z" && zone != "+00:00" && zone != "-00:00") {
        problem = "expires is a time in UTC: it ends in Z";
        return std::nullopt;
    }
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    const std::time_t seconds = timegm(&parts);
    // timegm carries 31 February into March: a date that moved was no date.
    if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59 ||
        parts.tm_mday != day || parts.tm_mon != month - 1) {
        problem = "expires is not a valid date and time: " + text.substr(0, 40);
        return std::nullopt;
    }
    return withinBounds(static_cast<std::int64_t>(seconds) * 1000 + milliseconds, now, problem);
}

std::optional<std::int64_t> ShareService::expiryInDays(double days, std::int64_t now, std::string& problem) {
    if (!std::isfinite(days) || days <= 0) {
        problem = "expires is a number of days above 0";
        return std::nullopt;
    }
    if (days > static_cast<double>(maxDays)) {
        problem = "expires is more than " + std::to_string(maxDays) + " days ahead";
        return std::nullopt;
    }
    return withinBounds(now + static_cast<std::int64_t>(std::llround(days * static_cast<double>(dayMs))), now,
                        problem);
}

std::string ShareService::isoTime(std::int64_t ms) {
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char out[64];
    std::snprintf(out, sizeof out, "%04d-%02d-%02dT%02d:%02d:%02dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
    return out;
}

ShareService::Created ShareService::create(const Caller& caller, const IndexedRecording& r,
                                           std::int64_t expiresMs, const std::string& password,
                                           bool download) {
    Created made;
    made.token = secrets::newToken();
    made.share.id = newShareId();
    made.share.sha256 = r.sha256;
    made.share.createdBy = caller.actor();
    made.share.createdMs = nowMs();
    made.share.expiresMs = expiresMs;
    made.share.download = download;
    made.share.hasPassword = !password.empty();
    const std::string passwordHash = password.empty() ? "" : secrets::hashPassword(password);
    store::Transaction t(database, store::Transaction::Write);
    t->execute("INSERT INTO shares (id, token_hash, sha256, created_ms, created_by, expires_ms, download, "
               "password_hash) VALUES ($1, $2, $3, $4, $5, $6, $7, $8)",
               {made.share.id, secrets::tokenHash(made.token), r.sha256, made.share.createdMs,
                made.share.createdBy, expiresMs, download, passwordHash});
    CustodyLog::append(*t, caller.actor(), caller.client, "share_created", r.sha256,
                       details({{"share", made.share.id},
                                {"expires", isoTime(expiresMs)},
                                {"download", download},
                                {"password", made.share.hasPassword}}));
    t.commit();
    return made;
}

std::vector<Share> ShareService::list(const std::string& sha256) {
    std::vector<Share> shares;
    for (const auto& row : database.connection().query(
             std::string("SELECT ") + columns + " FROM shares WHERE sha256 = $1 ORDER BY created_ms, id",
             {sha256})) {
        shares.push_back(fromRow(row));
    }
    return shares;
}

std::optional<Share> ShareService::byId(const std::string& id) {
    const auto row =
        database.connection().queryOne(std::string("SELECT ") + columns + " FROM shares WHERE id = $1", {id});
    if (!row) {
        return std::nullopt;
    }
    return fromRow(*row);
}

bool ShareService::revoke(const Caller& caller, const Share& share) {
    store::Transaction t(database, store::Transaction::Write);
    if (t->execute("UPDATE shares SET revoked_ms = $2 WHERE id = $1 AND revoked_ms IS NULL",
                   {share.id, nowMs()}) == 0) {
        return false;
    }
    t->execute("DELETE FROM share_unlocks WHERE share_id = $1", {share.id});
    CustodyLog::append(*t, caller.actor(), caller.client, "share_revoked", share.sha256,
                       details({{"share", share.id}}));
    t.commit();
    return true;
}

ShareService::Opened ShareService::open(const std::string& token, const std::string& unlockCookie) {
    Opened opened;
    if (!isToken(token)) {
        return opened;
    }
    auto& c = database.connection();
    const auto row = c.queryOne(std::string("SELECT ") + columns + " FROM shares WHERE token_hash = $1",
                                {secrets::tokenHash(token)});
    if (!row) {
        return opened;
    }
    opened.share = fromRow(*row);
    const std::int64_t now = nowMs();
    if (opened.share.revokedMs) {
        opened.kind = Opened::Kind::Revoked;
    } else if (opened.share.expiresMs <= now) {
        opened.kind = Opened::Kind::Expired;
    } else if (opened.share.hasPassword &&
               (!isToken(unlockCookie) ||
                !c.queryOne("SELECT 1 FROM share_unlocks WHERE key_hash = $1 AND share_id = $2 AND "
                            "expires_ms > $3",
                            {secrets::tokenHash(unlockCookie), opened.share.id, now}))) {
        opened.kind = Opened::Kind::NeedsPassword;
    } else {
        opened.kind = Opened::Kind::Ok;
    }
    return opened;
}

ShareService::Unlock ShareService::unlock(const Share& share, const std::string& password,
                                          const std::string& client) {
    Unlock result;
    if (!share.hasPassword) {
        result.outcome = Unlock::Outcome::NoPassword;
        return result;
    }
    const std::int64_t now = nowMs();
    auto& c = database.connection();
    const auto failures = c.queryOne("SELECT failures, last_ms FROM share_failures WHERE share_id = $1", {share.id});
    if (failures && (*failures)[0].integer() >= Accounts::lockAfterFailures &&
        now - (*failures)[1].integer() < Accounts::lockMs) {
        log(share, client, "share_unlock_refused", details({{"share", share.id}, {"reason", "locked"}}));
        result.outcome = Unlock::Outcome::Locked;
        return result;
    }
    const auto hash = c.queryOne("SELECT password_hash FROM shares WHERE id = $1", {share.id});
    const bool ok = hash && !(*hash)[0].text().empty() && secrets::verifyPassword((*hash)[0].text(), password);

    store::Transaction t(database, store::Transaction::Write);
    if (!ok) {
        const auto before = t->queryOne("SELECT failures FROM share_failures WHERE share_id = $1", {share.id});
        // A lock that has run out starts the count afresh.
        const bool lapsed = before && (*before)[0].integer() >= Accounts::lockAfterFailures;
        const std::int64_t count = before && !lapsed ? (*before)[0].integer() + 1 : 1;
        t->execute("INSERT INTO share_failures (share_id, failures, last_ms) VALUES ($1, $2, $3) "
                   "ON CONFLICT (share_id) DO UPDATE SET failures = $2, last_ms = $3",
                   {share.id, count, now});
        CustodyLog::append(*t, actorOf(share), client, "share_unlock_failed", share.sha256,
                           details({{"share", share.id}, {"failures", count}}));
        t.commit();
        result.outcome = Unlock::Outcome::Wrong;
        return result;
    }
    t->execute("DELETE FROM share_failures WHERE share_id = $1", {share.id});
    t->execute("DELETE FROM share_unlocks WHERE expires_ms < $1", {now});
    result.outcome = Unlock::Outcome::Ok;
    result.cookie = secrets::newToken();
    result.expiresMs = std::min(share.expiresMs, now + unlockMs);
    t->execute("INSERT INTO share_unlocks (key_hash, share_id, expires_ms) VALUES ($1, $2, $3)",
               {secrets::tokenHash(result.cookie), share.id, result.expiresMs});
    CustodyLog::append(*t, actorOf(share), client, "share_unlocked", share.sha256, details({{"share", share.id}}));
    t.commit();
    return result;
}

void ShareService::log(const Share& share, const std::string& client, const std::string& action,
                       const std::string& detailsText) {
    CustodyLog(database).append(actorOf(share), client, action, share.sha256, detailsText);
}
