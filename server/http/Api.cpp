#include "Api.h"

#include <charconv>
#include <chrono>
#include <filesystem>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <mutex>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "FrameIndex.h"
#include "FrameTimeText.h"
#include "Secrets.h"
#include "Sha256Text.h"
#include "Thumbnail.h"
#include "WebAssets.h"

using nlohmann::json;

struct Api::Exchange {
    const httplib::Request& req;
    httplib::Response& res;
    const httplib::ContentReader* reader;
    Caller caller;
    std::string sessionToken;
    std::vector<std::string> params;  // the path's {sha256} and {index}, in order
    bool bodyRead = false;
};

namespace {

constexpr std::size_t jsonBodyLimit = std::size_t{64} * 1024;
constexpr const char* sessionCookie = "halcyra_session";

// What the request log needs from the handler's thread.
thread_local std::chrono::steady_clock::time_point requestStart;
thread_local std::string requestActor = "-";

std::string text(const json& value) {
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

void answer(httplib::Response& res, int status, const json& body) {
    res.status = status;
    res.set_content(text(body), "application/json");
}

void fail(httplib::Response& res, int status, const std::string& message) {
    answer(res, status, json{{"error", message}});
}

// The Content-Length header's value; nothing when there is none or it is no number.
std::optional<std::uint64_t> contentLength(const httplib::Request& req) {
    if (!req.has_header("Content-Length")) {
        return std::nullopt;
    }
    const std::string text = req.get_header_value("Content-Length");
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

bool isMutating(const std::string& method) {
    return method != "GET" && method != "HEAD" && method != "OPTIONS";
}

// Matches `path` against a route's pattern; fills `params` with the parts that stand for
// {sha256} and {index}, each checked for its form.
bool matches(std::string_view pattern, std::string_view path, std::vector<std::string>& params) {
    params.clear();
    while (!pattern.empty() || !path.empty()) {
        if (pattern.empty() || path.empty() || pattern[0] != '/' || path[0] != '/') {
            return false;
        }
        pattern.remove_prefix(1);
        path.remove_prefix(1);
        const std::string_view want = pattern.substr(0, pattern.find('/'));
        const std::string_view got = path.substr(0, path.find('/'));
        pattern.remove_prefix(want.size());
        path.remove_prefix(got.size());
        if (want == "{sha256}") {
            if (!sha256Text::isValid(got)) {
                return false;
            }
            params.emplace_back(got);
        } else if (want == "{index}") {
            if (got.empty() || got.size() > 9 ||
                got.find_first_not_of("0123456789") != std::string_view::npos) {
                return false;
            }
            params.emplace_back(got);
        } else if (want == "{asset}") {
            if (got.empty() || got.size() > 64 || got[0] == '.' ||
                got.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789._-") != std::string_view::npos) {
                return false;
            }
            params.emplace_back(got);
        } else if (want == "{name}") {
            if (!isValidName(std::string(got))) {
                return false;
            }
            params.emplace_back(got);
        } else if (want != got) {
            return false;
        }
    }
    return true;
}

std::string cookieValue(const httplib::Request& req, const std::string& name) {
    for (std::size_t i = 0; i < req.get_header_value_count("Cookie"); ++i) {
        const std::string header = req.get_header_value("Cookie", i);
        std::size_t at = 0;
        while (at < header.size()) {
            const std::size_t end = std::min(header.find(';', at), header.size());
            std::string pair = header.substr(at, end - at);
            const auto first = pair.find_first_not_of(' ');
            pair.erase(0, first == std::string::npos ? pair.size() : first);
            if (pair.starts_with(name + "=")) {
                return pair.substr(name.size() + 1);
            }
            at = end + 1;
        }
    }
    return "";
}

// The body of a JSON request, read up to a bound; false with the answer given when it cannot
// be read or is not one JSON object.
bool readJson(Api::Exchange& x, json& body);

std::string isoNow() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char out[96];
    std::snprintf(out, sizeof out, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(ms));
    return out;
}

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

}  // namespace

const std::vector<Api::Route>& Api::routes() {
    static const std::vector<Route> table = {
        {"GET", "/api/v1/health", Access::Anyone, &Api::health},
        {"POST", "/api/v1/session", Access::Anyone, &Api::login},
        {"DELETE", "/api/v1/session", Access::Session, &Api::logout},
        {"GET", "/api/v1/recordings", Access::Viewer, &Api::listRecordings},
        {"POST", "/api/v1/recordings", Access::Uploader, &Api::upload},
        {"GET", "/api/v1/recordings/{sha256}", Access::Viewer, &Api::recording},
        {"PATCH", "/api/v1/recordings/{sha256}", Access::Manager, &Api::editRecording},
        {"GET", "/api/v1/recordings/{sha256}/file", Access::Manager, &Api::recordingFile},
        {"GET", "/api/v1/recordings/{sha256}/frames/{index}", Access::Viewer, &Api::frame},
        {"GET", "/api/v1/recordings/{sha256}/thumbnail", Access::Viewer, &Api::thumbnail},
        {"GET", "/api/v1/recordings/{sha256}/custody", Access::Manager, &Api::custody},
        {"POST", "/api/v1/recordings/{sha256}/comments", Access::Manager, &Api::addComment},
        {"GET", "/api/v1/stats", Access::Manager, &Api::stats},
        {"GET", "/api/v1/users", Access::Admin, &Api::listUsers},
        {"POST", "/api/v1/users", Access::Admin, &Api::addUser},
        {"PATCH", "/api/v1/users/{name}", Access::Admin, &Api::changeUser},
        {"DELETE", "/api/v1/users/{name}", Access::Admin, &Api::removeUser},
        {"GET", "/api/v1/tokens", Access::Admin, &Api::listTokens},
        {"POST", "/api/v1/tokens", Access::Admin, &Api::addToken},
        {"DELETE", "/api/v1/tokens/{name}", Access::Admin, &Api::removeToken},
        // The browser interface: its paths all open the same page, which then asks the API.
        {"GET", "/", Access::Anyone, &Api::web},
        {"GET", "/login", Access::Anyone, &Api::web},
        {"GET", "/recordings/{sha256}", Access::Anyone, &Api::web},
        {"GET", "/stats", Access::Anyone, &Api::web},
        {"GET", "/upload", Access::Anyone, &Api::web},
        {"GET", "/admin", Access::Anyone, &Api::web},
        {"GET", "/assets/{asset}", Access::Anyone, &Api::web},
    };
    return table;
}

namespace {

bool readJson(Api::Exchange& x, json& body) {
    std::string bytes;
    bool tooLong = false;
    if (x.reader != nullptr) {
        x.bodyRead = true;
        (*x.reader)([&](const char* data, std::size_t size) {
            if (bytes.size() + size > jsonBodyLimit) {
                tooLong = true;
                return false;
            }
            bytes.append(data, size);
            return true;
        });
    } else {
        bytes = x.req.body;
    }
    if (tooLong || bytes.size() > jsonBodyLimit) {
        fail(x.res, 413, "the request body is over " + std::to_string(jsonBodyLimit) + " bytes");
        return false;
    }
    body = json::parse(bytes, nullptr, false);
    if (body.is_discarded() || !body.is_object()) {
        fail(x.res, 400, "the request body is not one JSON object");
        return false;
    }
    return true;
}

}  // namespace

Api::Api(store::Database& database, const Library& library, const Options& options)
    : database(database),
      library(library),
      options(options),
      accounts(database),
      recordings(database, library),
      uploads(database, library, options.maxUpload),
      server(options.tlsCert.empty()
                 ? std::make_unique<httplib::Server>()
                 : std::make_unique<httplib::SSLServer>(options.tlsCert.c_str(), options.tlsKey.c_str())) {
    const int threads = options.threads;
    server->new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<std::size_t>(threads)); };
    server->set_read_timeout(options.readTimeoutSeconds, 0);
    server->set_write_timeout(60, 0);
    server->set_keep_alive_timeout(5);
    server->set_payload_max_length(options.maxUpload + 1);

    server->set_pre_routing_handler([](const httplib::Request& req, httplib::Response& res) {
        requestStart = std::chrono::steady_clock::now();
        requestActor = "-";
        // Only routes that take a body get one; any other body is refused unread.
        if (!isMutating(req.method) &&
            (contentLength(req).value_or(0) > 0 || req.has_header("Transfer-Encoding"))) {
            fail(res, 400, "a " + req.method + " request has no body");
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    const auto plain = [this](const httplib::Request& req, httplib::Response& res) {
        dispatch(req, res, nullptr);
    };
    const auto reading = [this](const httplib::Request& req, httplib::Response& res,
                                const httplib::ContentReader& reader) { dispatch(req, res, &reader); };
    server->Get(".*", plain);
    server->Post(".*", reading);
    server->Patch(".*", reading);
    server->Put(".*", reading);
    server->Delete(".*", reading);
    if (options.logRequests) {
        server->set_logger([](const httplib::Request& req, const httplib::Response& res) {
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - requestStart)
                                .count();
            const std::size_t bytes = res.content_length_ > 0 ? res.content_length_ : res.body.size();
            static std::mutex logLock;
            const std::lock_guard lock(logLock);
            // A request too broken to be routed has no method or path.
            const auto shown = [](const std::string& text) { return text.empty() ? std::string("-") : text; };
            std::cerr << isoNow() << ' ' << shown(req.remote_addr) << ' ' << requestActor << ' '
                      << shown(req.method) << ' ' << shown(req.path) << ' ' << res.status << ' ' << bytes
                      << ' ' << ms << "ms\n";
            requestActor = "-";
            requestStart = std::chrono::steady_clock::now();
        });
    }
    UploadService::removeLeftovers(library.root());
}

Api::~Api() = default;

bool Api::valid() const {
    return server->is_valid();
}

int Api::bind(const std::string& host, int port) {
    if (port == 0) {
        return server->bind_to_any_port(host);
    }
    return server->bind_to_port(host, port) ? port : -1;
}

bool Api::run() {
    return server->listen_after_bind();
}

void Api::stop() {
    server->stop();
}

Caller Api::identify(const httplib::Request& req, std::string& sessionToken) {
    Caller anonymous;
    anonymous.client = req.remote_addr;
    const std::string authorization = req.get_header_value("Authorization");
    if (authorization.starts_with("Bearer ")) {
        auto device = accounts.byDeviceToken(authorization.substr(7));
        if (device) {
            device->client = req.remote_addr;
            return *device;
        }
        return anonymous;
    }
    sessionToken = cookieValue(req, sessionCookie);
    if (!sessionToken.empty()) {
        if (auto user = accounts.bySession(sessionToken)) {
            user->client = req.remote_addr;
            return *user;
        }
    }
    return anonymous;
}

void Api::dispatch(const httplib::Request& req, httplib::Response& res,
                   const httplib::ContentReader* reader) {
    Exchange x{req, res, reader, {}, {}, {}};
    handle(x);
    // A body that no handler read (the request was refused first) is read and dropped: left
    // in the connection, its bytes would be taken for the next request, and the client, still
    // sending them, would miss the answer. httplib has bounded it by the upload limit.
    if (reader != nullptr && !x.bodyRead) {
        (*reader)([](const char*, std::size_t) { return true; });
    }
}

void Api::handle(Exchange& x) {
    const httplib::Request& req = x.req;
    httplib::Response& res = x.res;
    const Route* route = nullptr;
    std::vector<std::string> params;
    const std::string method = req.method == "HEAD" ? "GET" : req.method;
    for (const Route& candidate : routes()) {
        if (candidate.method == method && matches(candidate.pattern, req.path, params)) {
            route = &candidate;
            break;
        }
    }
    if (route == nullptr) {
        fail(res, 404, "no such path");
        return;
    }
    try {
        x.params = std::move(params);
        x.caller = identify(req, x.sessionToken);
        requestActor = x.caller.actor();

        if (isMutating(req.method) && req.has_header("Origin")) {
            const std::string origin = req.get_header_value("Origin");
            if (origin != (tls() ? "https://" : "http://") + req.get_header_value("Host")) {
                fail(res, 403, "a change from another origin (" + origin + ") is refused");
                return;
            }
        }
        if (isMutating(req.method) && x.caller.bySession &&
            !secrets::sameText(req.get_header_value("X-CSRF-Token"), x.caller.csrf)) {
            fail(res, 403, "a change needs the session's X-CSRF-Token");
            return;
        }
        const bool isUser = x.caller.kind == Caller::Kind::User;
        const bool managing = isUser && x.caller.user.role != Role::Viewer;
        bool allowed = true;
        switch (route->access) {
            case Access::Anyone: break;
            case Access::Session:
            case Access::Viewer: allowed = isUser; break;
            case Access::Manager: allowed = managing; break;
            case Access::Uploader: allowed = managing || x.caller.kind == Caller::Kind::Device; break;
            case Access::Admin: allowed = isUser && x.caller.user.role == Role::Admin; break;
        }
        if (route->access != Access::Anyone && x.caller.kind == Caller::Kind::Anonymous) {
            fail(res, 401, "sign in first");
            return;
        }
        if (!allowed) {
            fail(res, 403, "not allowed to " + std::string(route->method) + " " + req.path);
            return;
        }
        (this->*(route->handler))(x);
    } catch (const AccountError& error) {
        fail(res, error.kind == AccountError::Kind::Exists    ? 409
                  : error.kind == AccountError::Kind::Missing ? 404
                                                              : 400,
             error.what());
    } catch (const store::DatabaseError& error) {
        std::cerr << "halcyra-server: " << error.what() << "\n";
        fail(res, 503, std::string("the database is unavailable: ") + error.what());
    } catch (const std::exception& error) {
        std::cerr << "halcyra-server: " << req.method << ' ' << req.path << ": " << error.what() << "\n";
        fail(res, 500, error.what());
    }
}

void Api::health(Exchange& x) {
    const std::string databaseProblem = database.check();
    std::error_code error;
    const bool folder = std::filesystem::is_directory(library.root(), error);
    if (!databaseProblem.empty() || !folder) {
        json body{{"status", "unavailable"}, {"database", databaseProblem.empty() ? "ok" : databaseProblem}};
        body["reason"] = !databaseProblem.empty() ? databaseProblem
                                                  : "the library folder " + library.root() + " cannot be reached";
        answer(x.res, 503, body);
        return;
    }
    answer(x.res, 200, json{{"status", "ok"}, {"database", "ok"}});
}

void Api::login(Exchange& x) {
    json body;
    if (!readJson(x, body)) {
        return;
    }
    if (body.size() != 2 || !body.contains("user") || !body.contains("password") ||
        !body["user"].is_string() || !body["password"].is_string()) {
        fail(x.res, 400, "the body is {\"user\": NAME, \"password\": PASSWORD}");
        return;
    }
    const auto login = accounts.login(body["user"].get<std::string>(), body["password"].get<std::string>(),
                                      x.req.remote_addr);
    switch (login.outcome) {
        case Accounts::Login::Outcome::Locked:
            x.res.set_header("Retry-After", "60");
            fail(x.res, 429, "too many wrong passwords for this name: try again in a minute");
            return;
        case Accounts::Login::Outcome::Wrong:
            fail(x.res, 401, "wrong user name or password");
            return;
        case Accounts::Login::Outcome::Ok: break;
    }
    requestActor = "user:" + login.user.name;
    x.res.set_header("Set-Cookie", std::string(sessionCookie) + "=" + login.token +
                                       "; Path=/; HttpOnly; SameSite=Strict" + (tls() ? "; Secure" : ""));
    answer(x.res, 200, json{{"user", login.user.name}, {"role", roleName(login.user.role)},
                            {"depots", login.user.depots}, {"csrf", login.csrf}});
}

void Api::logout(Exchange& x) {
    if (!x.caller.bySession) {
        fail(x.res, 400, "no session to end");
        return;
    }
    accounts.logout(x.sessionToken, x.caller);
    x.res.set_header("Set-Cookie", std::string(sessionCookie) +
                                       "=; Path=/; HttpOnly; SameSite=Strict; Max-Age=0");
    answer(x.res, 200, json{{"status", "signed out"}});
}

void Api::listRecordings(Exchange& x) {
    RecordingFilter filter;
    const auto& req = x.req;
    for (const auto& [name, field, limit] :
         {std::tuple{"q", &filter.q, 200}, std::tuple{"depot", &filter.depot, 64},
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
    } else if (!isValidName(depot)) {
        fail(x.res, 400, "X-Depot is not a depot name");
        return;
    } else if (!x.caller.seesDepot(depot)) {
        fail(x.res, 403, "not a depot of yours: " + depot);
        return;
    }
    std::string expected = req.get_header_value("X-Sha256");
    for (char& c : expected) {
        c = static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
    }
    if (!expected.empty() && !sha256Text::isValid(expected)) {
        fail(x.res, 400, "X-Sha256 is not 64 hex digits");
        return;
    }
    const std::optional<std::uint64_t> announced = contentLength(req);
    UploadService::Outcome refused;
    auto staged = uploads.stage(req.get_header_value("X-Filename"), announced, refused);
    UploadService::Outcome done;
    if (!staged) {
        done = refused;
    } else {
        bool stopped = false;
        x.bodyRead = true;
        const bool read = (*x.reader)([&](const char* data, std::size_t size) {
            if (!staged->write(data, size)) {
                stopped = true;
                return false;
            }
            return true;
        });
        done = uploads.finish(std::move(staged), read && !stopped, expected, depot, x.caller);
    }
    using Kind = UploadService::Outcome::Kind;
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
    const auto r = recordings.find(x.caller, x.params[0]);
    if (!r) {
        fail(x.res, 404, "no such recording");
        return;
    }
    json frames = json::array();
    if (const auto index = frameIndex::framesOf(recordings.pathOf(*r))) {
        for (std::size_t i = 0; i < index->size(); ++i) {
            const auto& f = (*index)[i];
            frames.push_back(json{{"index", i}, {"number", f.number},
                                  {"time", frameTimeText(f.number)}, {"size", f.size}});
        }
    }
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

void Api::editRecording(Exchange& x) {
    auto r = recordings.find(x.caller, x.params[0]);
    if (!r) {
        fail(x.res, 404, "no such recording");
        return;
    }
    json body;
    if (!readJson(x, body)) {
        return;
    }
    RecordingService::Edit edit;
    for (const auto& [key, value] : body.items()) {
        std::optional<std::string>* field = key == "vehicle"        ? &edit.vehicle
                                            : key == "driver"       ? &edit.driver
                                            : key == "note"         ? &edit.note
                                            : key == "status"       ? &edit.status
                                            : key == "statusReason" ? &edit.statusReason
                                                                    : nullptr;
        if (field != nullptr) {
            if (!value.is_string()) {
                fail(x.res, 400, key + " is a string");
                return;
            }
            *field = value.get<std::string>();
        } else if (key == "tags") {
            if (!value.is_array()) {
                fail(x.res, 400, "tags is an array of strings");
                return;
            }
            edit.tags.emplace();
            for (const json& tag : value) {
                if (!tag.is_string()) {
                    fail(x.res, 400, "tags is an array of strings");
                    return;
                }
                edit.tags->push_back(tag.get<std::string>());
            }
        } else {
            fail(x.res, 400, "cannot edit '" + key + "': vehicle, driver, note, status, statusReason, tags");
            return;
        }
    }
    const std::string problem = recordings.edit(x.caller, *r, edit);
    if (!problem.empty()) {
        fail(x.res, 400, problem);
        return;
    }
    answer(x.res, 200, recordingJson(*r));
}

void Api::recordingFile(Exchange& x) {
    const auto r = recordings.find(x.caller, x.params[0]);
    if (!r) {
        fail(x.res, 404, "no such recording");
        return;
    }
    const std::string etag = "\"" + r->sha256 + "\"";
    x.res.set_header("ETag", etag);
    x.res.set_header("Accept-Ranges", "bytes");
    if (x.req.get_header_value("If-None-Match") == etag) {
        x.res.status = 304;
        return;
    }
    auto file = std::make_shared<Descriptor>(Descriptor::openForReading(recordings.pathOf(*r)));
    Descriptor::Facts facts;
    if (!file->valid() || !file->facts(facts)) {
        fail(x.res, 500, "the recording's file cannot be read: " + r->folder);
        return;
    }
    const auto size = static_cast<std::int64_t>(facts.size);
    // httplib answers a range past the end with a nonsense length: check each one here.
    constexpr std::size_t rangesLimit = 8;
    bool satisfiable = x.req.ranges.size() <= rangesLimit;
    for (const auto& [first, last] : x.req.ranges) {
        const bool suffix = first < 0;
        if ((suffix && last <= 0) || (!suffix && first >= size) || (!suffix && last >= 0 && last < first)) {
            satisfiable = false;
        }
    }
    if (!satisfiable) {
        // No body: httplib would cut it by the same ranges.
        x.res.set_header("Content-Range", "bytes */" + std::to_string(size));
        x.res.status = 416;
        return;
    }
    if (x.req.ranges.empty() || x.req.ranges.front().first == 0) {
        recordings.log(x.caller, "download", r->sha256, json{{"what", "file"}}.dump());
    }
    x.res.set_header("Content-Disposition", "attachment; filename=\"" + r->sha256 + ".dat\"");
    x.res.set_content_provider(
        static_cast<std::size_t>(size), "application/octet-stream",
        [file](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            char buffer[64 * 1024];
            const std::int64_t got = file->readAt(offset, buffer, std::min(length, sizeof buffer));
            if (got <= 0) {
                return false;
            }
            return sink.write(buffer, static_cast<std::size_t>(got));
        });
}

namespace {

// A JPEG of a recording: it never changes under the recording's SHA-256, so it is kept for good.
void answerPicture(httplib::Response& res, const std::string& bytes, const std::string& tag) {
    res.set_header("Cache-Control", "private, max-age=31536000, immutable");
    res.set_header("ETag", "\"" + tag + "\"");
    res.status = 200;
    res.set_content(bytes, "image/jpeg");
}

}  // namespace

void Api::frame(Exchange& x) {
    const auto r = recordings.find(x.caller, x.params[0]);
    if (!r) {
        fail(x.res, 404, "no such recording");
        return;
    }
    const auto bytes = frameIndex::frameBytes(recordings.pathOf(*r), std::stoull(x.params[1]));
    if (!bytes) {
        fail(x.res, 404, "no frame " + x.params[1] + " in this recording");
        return;
    }
    answerPicture(x.res, *bytes, r->sha256 + "-" + x.params[1]);
}

void Api::thumbnail(Exchange& x) {
    const auto r = recordings.find(x.caller, x.params[0]);
    if (!r) {
        fail(x.res, 404, "no such recording");
        return;
    }
    const auto bytes = thumbnailOf(recordings.pathOf(*r));
    if (!bytes) {
        fail(x.res, 404, "this recording has no frame that decodes");
        return;
    }
    answerPicture(x.res, *bytes, r->sha256 + "-thumbnail");
}

void Api::custody(Exchange& x) {
    const auto r = recordings.find(x.caller, x.params[0]);
    if (!r) {
        fail(x.res, 404, "no such recording");
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
    const auto r = recordings.find(x.caller, x.params[0]);
    if (!r) {
        fail(x.res, 404, "no such recording");
        return;
    }
    json body;
    if (!readJson(x, body)) {
        return;
    }
    if (body.size() != 1 || !body.contains("text") || !body["text"].is_string()) {
        fail(x.res, 400, "the body is {\"text\": TEXT}");
        return;
    }
    const auto added = recordings.comment(x.caller, *r, body["text"].get<std::string>());
    if (!added) {
        fail(x.res, 400, "a comment is 1 to 4000 bytes");
        return;
    }
    answer(x.res, 201, commentJson(*added));
}

namespace {

json userJson(const User& user) {
    return json{{"user", user.name}, {"role", roleName(user.role)}, {"depots", user.depots}};
}

// The depots of a user's body: an array of names. False when it is something else.
bool readDepots(const json& value, std::vector<std::string>& depots) {
    if (!value.is_array()) {
        return false;
    }
    for (const json& depot : value) {
        if (!depot.is_string()) {
            return false;
        }
        depots.push_back(depot.get<std::string>());
    }
    return true;
}

// True when every key of `body` is among `allowed`; else answers 400 naming the one that is not.
bool onlyKeys(Api::Exchange& x, const json& body, std::initializer_list<std::string_view> allowed) {
    for (const auto& [key, value] : body.items()) {
        if (std::find(allowed.begin(), allowed.end(), key) == allowed.end()) {
            fail(x.res, 400, "unknown field '" + key + "'");
            return false;
        }
    }
    return true;
}

}  // namespace

void Api::listUsers(Exchange& x) {
    json users = json::array();
    for (const User& user : accounts.users()) {
        users.push_back(userJson(user));
    }
    answer(x.res, 200, json{{"users", users}});
}

void Api::addUser(Exchange& x) {
    json body;
    if (!readJson(x, body) || !onlyKeys(x, body, {"user", "password", "role", "depots"})) {
        return;
    }
    User user;
    if (!body.contains("user") || !body["user"].is_string() || !body.contains("password") ||
        !body["password"].is_string() || !body.contains("role") || !body["role"].is_string() ||
        !roleNamed(body["role"].get<std::string>()) ||
        (body.contains("depots") && !readDepots(body["depots"], user.depots))) {
        fail(x.res, 400, "the body is {\"user\", \"password\", \"role\": admin|manager|viewer, \"depots\": [...]}");
        return;
    }
    user.name = body["user"].get<std::string>();
    user.role = *roleNamed(body["role"].get<std::string>());
    accounts.addUser(user, body["password"].get<std::string>(), x.caller.actor(), x.caller.client);
    answer(x.res, 201, userJson(user));
}

void Api::changeUser(Exchange& x) {
    json body;
    if (!readJson(x, body) || !onlyKeys(x, body, {"role", "depots", "password"})) {
        return;
    }
    std::optional<Role> role;
    std::optional<std::vector<std::string>> depots;
    if (body.contains("role")) {
        role = body["role"].is_string() ? roleNamed(body["role"].get<std::string>()) : std::nullopt;
        if (!role) {
            fail(x.res, 400, "role is admin, manager or viewer");
            return;
        }
    }
    if (body.contains("depots") && !readDepots(body["depots"], depots.emplace())) {
        fail(x.res, 400, "depots is an array of depot names");
        return;
    }
    if (body.contains("password") && !body["password"].is_string()) {
        fail(x.res, 400, "password is a string");
        return;
    }
    const std::string& name = x.params[0];
    if (role || depots) {
        accounts.changeUser(name, role, depots, x.caller.actor(), x.caller.client);
    }
    if (body.contains("password")) {
        accounts.setPassword(name, body["password"].get<std::string>(), x.caller.actor(), x.caller.client);
    }
    const auto user = accounts.user(name);
    if (!user) {
        fail(x.res, 404, "there is no user " + name);
        return;
    }
    answer(x.res, 200, userJson(*user));
}

void Api::removeUser(Exchange& x) {
    accounts.removeUser(x.params[0], x.caller.actor(), x.caller.client);
    answer(x.res, 200, json{{"removed", x.params[0]}});
}

void Api::listTokens(Exchange& x) {
    json tokens = json::array();
    for (const DeviceToken& token : accounts.deviceTokens()) {
        tokens.push_back(json{{"name", token.name}, {"depot", token.depot}, {"createdMs", token.createdMs}});
    }
    answer(x.res, 200, json{{"tokens", tokens}});
}

void Api::addToken(Exchange& x) {
    json body;
    if (!readJson(x, body) || !onlyKeys(x, body, {"name", "depot"})) {
        return;
    }
    if (!body.contains("name") || !body["name"].is_string() || !body.contains("depot") ||
        !body["depot"].is_string()) {
        fail(x.res, 400, "the body is {\"name\", \"depot\"}");
        return;
    }
    const std::string name = body["name"].get<std::string>();
    const std::string depot = body["depot"].get<std::string>();
    const std::string token = accounts.addDeviceToken(name, depot, x.caller.actor(), x.caller.client);
    // The only time the token is shown.
    answer(x.res, 201, json{{"name", name}, {"depot", depot}, {"token", token}});
}

void Api::removeToken(Exchange& x) {
    accounts.removeDeviceToken(x.params[0], x.caller.actor(), x.caller.client);
    answer(x.res, 200, json{{"removed", x.params[0]}});
}

void Api::web(Exchange& x) {
    const WebAsset* asset = x.req.path.starts_with("/assets/") ? findWebAsset(x.params[0]) : &webPage();
    if (asset == nullptr) {
        fail(x.res, 404, "no such path");
        return;
    }
    x.res.set_header("Content-Security-Policy", std::string(webContentSecurityPolicy()));
    x.res.set_header("X-Content-Type-Options", "nosniff");
    // A share link's token is in its path: no other site is told it.
    x.res.set_header("Referrer-Policy", "no-referrer");
    // The names stay the same from one server version to the next: the browser asks again
    // each time and is answered 304 while the bytes are the same.
    x.res.set_header("Cache-Control", "no-cache");
    x.res.set_header("ETag", std::string(asset->etag));
    if (x.req.get_header_value("If-None-Match") == asset->etag) {
        x.res.status = 304;
        return;
    }
    x.res.status = 200;
    x.res.set_content(asset->bytes.data(), asset->bytes.size(), std::string(asset->type));
}
