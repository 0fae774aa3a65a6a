#include "Api.h"

#include <chrono>
#include <functional>
#include <tuple>

#include <nlohmann/json.hpp>

#include "ApiAnswers.h"
#include "FrameIndex.h"
#include "RequestReading.h"

using apiAnswers::answer;
using apiAnswers::contentLength;
using apiAnswers::fail;
using apiAnswers::framesJson;
using apiAnswers::readJson;
using apiAnswers::readJsonText;
using nlohmann::json;

// The fleet's recordings: the list, one recording and its edits, uploads, frames and the
// thumbnail, custody, comments and the stats.

namespace {

json recordingJson(const IndexedRecording& r) {
    return json{{"sha256", r.sha256},
                {"fileName", r.fileName},
                {"size", r.size},
                {"captureDate", r.captureDate},
                {"frames", r.frames},
                {"firstTime", r.firstTime},
                {"lastTime", r.lastTime},
                {"complete", r.complete},
                {"importedAt", r.importedAt},
                {"depot", r.depot},
                {"vehicle", r.vehicle},
                {"driver", r.driver},
                {"note", r.note},
                {"status", r.status},
                {"statusReason", r.statusReason},
                {"clockOffset", r.clockOffset},
                {"tags", r.tags}};
}

json commentJson(const Comment& c) {
    return json{{"seq", c.seq}, {"timeMs", c.timeMs}, {"author", c.author}, {"text", c.text}};
}

bool isQueryValue(const std::string& value, std::size_t limit) {
    return value.size() <= limit;
}

bool isDateBound(const std::string& value) {
    return value.size() <= 19 && value.find_first_not_of("0123456789-:T") == std::string::npos;
}

// A JPEG of a recording: it never changes under the recording's SHA-256, so it is kept for good.
void answerPicture(httplib::Response& res, const std::string& bytes, const std::string& tag) {
    res.set_header("Cache-Control", "private, max-age=31536000, immutable");
    res.set_header("ETag", "\"" + tag + "\"");
    res.status = 200;
    res.set_content(bytes, "image/jpeg");
}

}  // namespace

void Api::listRecordings(Exchange& x) {
    RecordingFilter filter;
    const auto& req = x.req;
    for (const auto& [name, field, limit] :
         {std::tuple{"q", &filter.q, 200}, std::tuple{"depot", &filter.depot, 256},
          std::tuple{"vehicle", &filter.vehicle, 200}, std::tuple{"driver", &filter.driver, 200},
          std::tuple{"status", &filter.status, 32}, std::tuple{"tag", &filter.tag, 32},
          std::tuple{"from", &filter.from, 19}, std::tuple{"to", &filter.to, 19},
          std::tuple{"after", &filter.after, 120}}) {
        *field = req.get_param_value(name);
        if (!isQueryValue(*field, static_cast<std::size_t>(limit))) {
            fail(x.res, 400, std::string(name) + " is longer than " + std::to_string(limit) + " bytes");
            return;
        }
    }
    if (!isDateBound(filter.from) || !isDateBound(filter.to)) {
        fail(x.res, 400, "from and to are dates as 2026-11-28 or 2026-11-28T14:35:07");
        return;
    }
    if (!filter.status.empty() && !RecordingService::isStatus(filter.status)) {
        fail(x.res, 400, "status is one of new, reviewed, needs_coaching, coached, dismissed");
        return;
    }
    if (!filter.after.empty() && !recordingIndex::isValidCursor(filter.after)) {
        fail(x.res, 400, "after is not a cursor this server gave");
        return;
    }
    if (req.has_param("limit")) {
        const std::string limit = req.get_param_value("limit");
        if (limit.empty() || limit.size() > 4 || limit.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(limit) < 1 || std::stoi(limit) > 200) {
            fail(x.res, 400, "limit is a number from 1 to 200");
            return;
        }
        filter.limit = std::stoi(limit);
    }
    const RecordingPage page = recordings.list(x.caller, filter);
    json list = json::array();
    for (const IndexedRecording& r : page.recordings) {
        list.push_back(recordingJson(r));
    }
    answer(x.res, 200, json{{"recordings", list},
                            {"next", page.next.empty() ? json(nullptr) : json(page.next)},
                            {"total", page.total}});
}

void Api::upload(Exchange& x) {
    const auto& req = x.req;
    std::string depot = req.get_header_value("X-Depot");
    if (x.caller.kind == Caller::Kind::Device) {
        if (!depot.empty() && depot != x.caller.deviceDepot) {
            fail(x.res, 403, "this token uploads into depot " + x.caller.deviceDepot + " only");
            return;
        }
        depot = x.caller.deviceDepot;
    } else if (depot.empty()) {
        const User& user = x.caller.user;
        if (user.role != Role::Admin && user.depots.size() > 1) {
            fail(x.res, 400, "X-Depot must say which of your depots the recording belongs to");
            return;
        }
        depot = user.role != Role::Admin && user.depots.size() == 1 ? user.depots.front() : "";
    } else if (!isValidDepotName(depot)) {
        fail(x.res, 400, "X-Depot is not a depot name");
        return;
    } else if (!x.caller.seesDepot(depot)) {
        fail(x.res, 403, "not a depot of yours: " + depot);
        return;
    }
    const std::optional<std::string> expected = requestReading::expectedSha256(req.get_header_value("X-Sha256"));
    if (!expected) {
        fail(x.res, 400, "X-Sha256 is not 64 hex digits");
        return;
    }
    // A client trickling its body would hold a worker for ever: once the grace is over, an
    // upload slower than the least rate on average is dropped.
    bool slow = false;
    std::uint64_t received = 0;
    const auto started = std::chrono::steady_clock::now();
    const auto grace = std::chrono::seconds(options.slowUploadGraceSeconds);
    const requestReading::UploadRequest request{req.get_header_value("X-Filename"), contentLength(req), *expected,
                                                depot};
    const UploadService::Outcome done = requestReading::upload(
        uploads, request,
        [&](const std::function<bool(const char*, std::size_t)>& sink) {
            x.bodyRead = true;
            return (*x.reader)([&](const char* data, std::size_t size) {
                received += size;
                const auto spent = std::chrono::steady_clock::now() - started;
                const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(spent).count();
                if (spent > grace &&
                    received < options.slowestUploadBytesPerSecond * static_cast<std::uint64_t>(seconds)) {
                    slow = true;
                    return false;
                }
                return sink(data, size);
            });
        },
        x.caller);
    if (slow) {
        x.res.set_header("Connection", "close");
        fail(x.res, 408, "the upload came in slower than " + std::to_string(options.slowestUploadBytesPerSecond) +
                             " bytes a second and was dropped");
        return;
    }
    using Kind = UploadService::Outcome::Kind;
    if (done.kind == Kind::Imported && done.recording) {
        // The list shows the new recording's thumbnail next: made now, while its event frame
        // is still in the page cache, it is not decoded at that first view.
        media.thumbnail(done.recording->sha256, recordings.pathOf(*done.recording));
    }
    json body;
    int status = 500;
    switch (done.kind) {
        case Kind::Imported: status = 201; body["status"] = "imported"; break;
        case Kind::Present: status = 200; body["status"] = "present"; break;
        case Kind::Skipped: status = 422; body["status"] = "skipped"; break;
        case Kind::Mismatch: status = 409; break;
        case Kind::TooLarge: status = 413; break;
        case Kind::NoSpace: status = 507; break;
        case Kind::BadRequest: status = 400; break;
        case Kind::Unavailable: status = 503; break;
        case Kind::Failed: status = 500; break;
    }
    if (done.recording) {
        body["sha256"] = done.recording->sha256;
        if (x.caller.seesDepot(done.recording->depot)) {
            body["recording"] = recordingJson(*done.recording);
        }
    }
    if (!done.reason.empty()) {
        body[done.kind == Kind::Skipped ? "reason" : "error"] = done.reason;
    }
    if (status >= 400 && done.kind != Kind::Skipped) {
        // The rest of the body was not read: the connection cannot carry another request.
        x.res.set_header("Connection", "close");
    }
    answer(x.res, status, body);
}

void Api::recording(Exchange& x) {
    const auto r = pathRecording(x);
    if (!r) {
        return;
    }
    const json frames = framesJson(recordings.pathOf(*r));
    json comments = json::array();
    for (const Comment& c : recordings.comments(*r)) {
        comments.push_back(commentJson(c));
    }
    recordings.log(x.caller, "view", r->sha256);
    json body = recordingJson(*r);
    body["frames"] = frames;
    body["comments"] = comments;
    answer(x.res, 200, body);
}

std::optional<IndexedRecording> Api::pathRecording(Exchange& x) {
    auto r = recordings.find(x.caller, x.params[0]);
    if (!r) {
        fail(x.res, 404, "no such recording");
    }
    return r;
}

void Api::editRecording(Exchange& x) {
    auto r = pathRecording(x);
    if (!r) {
        return;
    }
    json body;
    if (!readJson(x, body)) {
        return;
    }
    RecordingService::Edit edit;
    if (const std::string wrong = requestReading::recordingEdit(body, edit); !wrong.empty()) {
        fail(x.res, 400, wrong);
        return;
    }
    const std::string problem = recordings.edit(x.caller, *r, edit);
    if (!problem.empty()) {
        fail(x.res, 400, problem);
        return;
    }
    answer(x.res, 200, recordingJson(*r));
}

void Api::frame(Exchange& x) {
    sendFrame(x, recordings.fileOf(x.caller, x.params[0]), x.params[0], x.params[1]);
}

void Api::thumbnail(Exchange& x) {
    sendThumbnail(x, recordings.fileOf(x.caller, x.params[0]), x.params[0]);
}

void Api::sendFrame(Exchange& x, const std::optional<std::string>& file, const std::string& sha256,
                    const std::string& index) {
    const auto bytes = file ? frameIndex::frameBytes(*file, std::stoull(index)) : std::nullopt;
    if (!bytes) {
        fail(x.res, 404, file ? "no frame " + index + " in this recording" : "no such recording");
        return;
    }
    answerPicture(x.res, *bytes, sha256 + "-" + index);
}

void Api::sendThumbnail(Exchange& x, const std::optional<std::string>& file, const std::string& sha256) {
    const auto bytes = file ? media.thumbnail(sha256, *file) : std::nullopt;
    if (!bytes) {
        fail(x.res, 404, file ? "this recording has no frame that decodes" : "no such recording");
        return;
    }
    answerPicture(x.res, *bytes, sha256 + "-thumbnail");
}

void Api::custody(Exchange& x) {
    const auto r = pathRecording(x);
    if (!r) {
        return;
    }
    json entries = json::array();
    for (const CustodyEntry& e : CustodyLog(database).forRecording(r->sha256)) {
        entries.push_back(json{{"seq", e.seq}, {"timeMs", e.timeMs}, {"actor", e.actor},
                               {"client", e.client}, {"action", e.action},
                               {"details", json::parse(e.details, nullptr, false, false)},
                               {"prevHash", e.prevHash}, {"hash", e.hash}});
    }
    answer(x.res, 200, json{{"recording", r->sha256}, {"entries", entries}});
}

void Api::stats(Exchange& x) {
    const std::string by = x.req.get_param_value("by");
    if (by != "driver" && by != "vehicle" && by != "depot") {
        fail(x.res, 400, "by is driver, vehicle or depot");
        return;
    }
    RecordingFilter filter;
    filter.from = x.req.get_param_value("from");
    filter.to = x.req.get_param_value("to");
    if (!isDateBound(filter.from) || !isDateBound(filter.to)) {
        fail(x.res, 400, "from and to are dates as 2026-11-28 or 2026-11-28T14:35:07");
        return;
    }
    json groups = json::array();
    for (const StatsGroup& g : recordings.stats(x.caller, by, filter)) {
        json status = json::object();
        for (const auto& [name, count] : g.byStatus) {
            status[name] = count;
        }
        json tags = json::object();
        for (const auto& [name, count] : g.byTag) {
            tags[name] = count;
        }
        groups.push_back(json{{"key", g.key}, {"total", g.total}, {"status", status}, {"tags", tags}});
    }
    answer(x.res, 200, json{{"by", by}, {"groups", groups}});
}

void Api::addComment(Exchange& x) {
    const auto r = pathRecording(x);
    if (!r) {
        return;
    }
    const auto text = readJsonText(x, "text");
    if (!text) {
        return;
    }
    const auto added = recordings.comment(x.caller, *r, *text);
    if (!added) {
        fail(x.res, 400, "a comment is 1 to 4000 bytes");
        return;
    }
    answer(x.res, 201, commentJson(*added));
}
