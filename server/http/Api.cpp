#include "Api.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <iostream>
#include <mutex>

#include <sys/stat.h>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "FrameIndex.h"
#include "FrameTimeText.h"
#include "RequestReading.h"
#include "ConnectionWatch.h"
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
    ConnectionWatch* watch = nullptr;

    // The request is in, or its handler reads the rest at its own pace (an upload): the
    // connection is left alone until the answer is out.
    void requestIn() const {
        if (watch != nullptr) {
            watch->handling(req.remote_addr, req.remote_port);
        }
    }
};

namespace {

constexpr std::size_t jsonBodyLimit = requestReading::jsonBodyLimit;
constexpr const char* sessionCookie = "halcyra_session";
constexpr const char* linkCookie = "halcyra_link";

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
        } else if (want == "{share}") {
            if (!ShareService::isShareId(got)) {
                return false;
            }
            params.emplace_back(got);
        } else if (want == "{token}") {
            if (!ShareService::isToken(got)) {
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
                {"clockOffset", r.clockOffset},
                {"tags", r.tags}};
}

// Each frame's index, number, readout time and size.
json framesJson(const std::string& recordingPath) {
    json frames = json::array();
    if (const auto index = frameIndex::framesOf(recordingPath)) {
        for (std::size_t i = 0; i < index->size(); ++i) {
            const auto& f = (*index)[i];
            frames.push_back(json{{"index", i}, {"number", f.number},
                                  {"time", frameTimeText(f.number)}, {"size", f.size}});
        }
    }
    return frames;
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
        {"GET", "/api/v1/recordings/{sha256}/share.mp4", Access::Viewer, &Api::shareCopy},
        {"GET", "/api/v1/recordings/{sha256}/package.zip", Access::Manager, &Api::package},
        {"POST", "/api/v1/recordings/{sha256}/shares", Access::Manager, &Api::createShare},
        {"GET", "/api/v1/recordings/{sha256}/shares", Access::Manager, &Api::listShares},
        {"DELETE", "/api/v1/shares/{share}", Access::Manager, &Api::revokeShare},
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
        {"GET", "/s/{token}", Access::Link, &Api::sharePage},
        {"GET", "/s/{token}/api", Access::Link, &Api::linkFacts},
        {"POST", "/s/{token}/unlock", Access::Link, &Api::unlockLink},
        {"GET", "/s/{token}/frames/{index}", Access::Link, &Api::linkFrame},
        {"GET", "/s/{token}/thumbnail", Access::Link, &Api::linkThumbnail},
        {"GET", "/s/{token}/share.mp4", Access::Link, &Api::linkShareCopy},
        {"GET", "/s/{token}/package.zip", Access::Link, &Api::linkPackage},
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
    x.requestIn();
    if (tooLong || bytes.size() > jsonBodyLimit) {
        fail(x.res, 413, "the request body is over " + std::to_string(jsonBodyLimit) + " bytes");
        return false;
    }
    std::string problem;
    auto object = requestReading::jsonObject(bytes, problem);
    if (!object) {
        fail(x.res, 400, problem);
        return false;
    }
    body = std::move(*object);
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
      shares(database),
      media(library),
      server(options.tlsCert.empty()
                 ? std::make_unique<httplib::Server>()
                 : std::make_unique<httplib::SSLServer>(options.tlsCert.c_str(), options.tlsKey.c_str())) {
    const int threads = options.threads;
    server->new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<std::size_t>(threads)); };
    server->set_read_timeout(options.readTimeoutSeconds, 0);
    server->set_write_timeout(60, 0);
    server->set_keep_alive_timeout(5);
    server->set_keep_alive_max_count(100);
    // An answer goes out as headers then body: with Nagle's wait the second write sits until
    // the client's delayed acknowledgement, some 40 ms a small frame.
    server->set_tcp_nodelay(true);
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
    server->set_logger([this](const httplib::Request& req, const httplib::Response& res) {
        if (watch) {
            watch->answered(req.remote_addr, req.remote_port);
        }
        if (this->options.logRequests) {
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - requestStart)
                                .count();
            const std::size_t bytes = res.content_length_ > 0 ? res.content_length_ : res.body.size();
            // A request too broken to be routed has no method or path.
            const auto shown = [](const std::string& text) { return text.empty() ? std::string("-") : text; };
            // The line is made first and written whole: one write a request, never mixed
            // with another thread's line.
            const std::string line = isoNow() + ' ' + shown(req.remote_addr) + ' ' + requestActor +
                                     ' ' + shown(req.method) + ' ' + shown(req.path) + ' ' +
                                     std::to_string(res.status) + ' ' + std::to_string(bytes) + ' ' +
                                     std::to_string(ms) + "ms\n";
            static std::mutex logLock;
            const std::lock_guard lock(logLock);
            std::fwrite(line.data(), 1, line.size(), stderr);
        }
        requestActor = "-";
        requestStart = std::chrono::steady_clock::now();
    });
    UploadService::removeLeftovers(library.root());
    media.removeLeftovers();
}

Api::~Api() = default;

bool Api::valid() const {
    return server->is_valid();
}

int Api::bind(const std::string& host, int port) {
    const int bound = port == 0 ? server->bind_to_any_port(host) : server->bind_to_port(host, port) ? port : -1;
    if (bound > 0) {
        watch = std::make_unique<ConnectionWatch>(bound, std::chrono::seconds(options.requestDeadlineSeconds));
    }
    return bound;
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
    x.watch = watch.get();
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
        // A link's routes know no one: a session cookie the browser also holds plays no part.
        if (route->access == Access::Link) {
            x.caller.client = req.remote_addr;
        } else {
            x.caller = identify(req, x.sessionToken);
        }
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
            case Access::Anyone:
            case Access::Link: break;
            case Access::Session:
            case Access::Viewer: allowed = isUser; break;
            case Access::Manager: allowed = managing; break;
            case Access::Uploader: allowed = managing || x.caller.kind == Caller::Kind::Device; break;
            case Access::Admin: allowed = isUser && x.caller.user.role == Role::Admin; break;
        }
        if (route->access != Access::Anyone && route->access != Access::Link &&
            x.caller.kind == Caller::Kind::Anonymous) {
            fail(res, 401, "sign in first");
            return;
        }
        if (!allowed) {
            fail(res, 403, "not allowed to " + std::string(route->method) + " " + req.path);
            return;
        }
        if (!isMutating(req.method) || route->handler == &Api::upload) {
            x.requestIn();
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
        // Anyone may ask: the answer names what is down, the log says where and why (the
        // database's host and user, the folder's path are not for everyone).
        const std::string detail = !databaseProblem.empty()
                                       ? databaseProblem
                                       : "the library folder " + library.root() + " cannot be reached";
        const std::string line = "halcyra-server: unavailable: " + detail + "\n";
        std::fwrite(line.data(), 1, line.size(), stderr);
        json body{{"status", "unavailable"},
                  {"database", databaseProblem.empty() ? "ok" : "unreachable"}};
        body["reason"] = !databaseProblem.empty() ? "the database cannot be reached"
                                                  : "the library folder cannot be reached";
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
    const auto r = recordings.find(x.caller, x.params[0]);
    if (!r) {
        fail(x.res, 404, "no such recording");
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

namespace {

// Reads `length` bytes from `offset` of what is sent into `out`; false when it cannot.
using RangeReader = std::function<bool(std::uint64_t offset, char* out, std::size_t length)>;

// False with 416 answered when a range of the request lies past `size`: httplib would answer
// such a range with a nonsense length.
bool rangesFit(Api::Exchange& x, std::uint64_t size) {
    const auto total = static_cast<std::int64_t>(size);
    constexpr std::size_t rangesLimit = 8;
    bool satisfiable = x.req.ranges.size() <= rangesLimit;
    for (const auto& [first, last] : x.req.ranges) {
        const bool suffix = first < 0;
        if ((suffix && last <= 0) || (!suffix && first >= total) || (!suffix && last >= 0 && last < first)) {
            satisfiable = false;
        }
    }
    if (!satisfiable) {
        // No body: httplib would cut it by the same ranges.
        x.res.set_header("Content-Range", "bytes */" + std::to_string(size));
        x.res.status = 416;
    }
    return satisfiable;
}

// True when the request starts at the first byte: a download is logged once, not per range.
bool startsDownload(const httplib::Request& req) {
    return req.ranges.empty() || req.ranges.front().first == 0;
}

// Sends `size` bytes read by `read` through a content provider, so Range works and nothing
// is held in memory whole. The caller has checked the ranges.
void sendRanged(httplib::Response& res, std::uint64_t size, const std::string& type, RangeReader read) {
    res.set_content_provider(static_cast<std::size_t>(size), type,
                             [read = std::move(read)](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                 char buffer[64 * 1024];
                                 const std::size_t take = std::min(length, sizeof buffer);
                                 if (!read(offset, buffer, take)) {
                                     return false;
                                 }
                                 return sink.write(buffer, take);
                             });
}

// A file's bytes from `offset`, all of `length` or false.
bool readFully(const Descriptor& file, std::uint64_t offset, char* out, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
        const std::int64_t got = file.readAt(offset + done, out + done, length - done);
        if (got <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace

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
    if (!rangesFit(x, facts.size)) {
        return;
    }
    if (startsDownload(x.req)) {
        recordings.log(x.caller, "download", r->sha256, json{{"what", "file"}}.dump());
    }
    x.res.set_header("Content-Disposition", "attachment; filename=\"" + r->sha256 + ".dat\"");
    sendRanged(x.res, facts.size, "application/octet-stream",
               [file](std::uint64_t offset, char* out, std::size_t length) {
                   return readFully(*file, offset, out, length);
               });
}

void Api::sendShareCopy(Exchange& x, const IndexedRecording& r, const std::string& actor,
                        const std::string& client, const std::string& shareId) {
    std::string error;
    const auto path = media.shareCopy(r, recordings.pathOf(r), error);
    if (!path) {
        fail(x.res, 500, "the share copy cannot be made: " + error);
        return;
    }
    auto file = std::make_shared<Descriptor>(Descriptor::openForReading(*path));
    Descriptor::Facts facts;
    struct stat status {};
    if (!file->valid() || !file->facts(facts) || fstat(file->get(), &status) != 0) {
        fail(x.res, 500, "the share copy cannot be read: " + *path);
        return;
    }
    // The copy is made once, but another instance may make it again: its ETag is the file's.
    const std::string etag = "\"" + r.sha256.substr(0, 16) + "-" + std::to_string(facts.size) + "-" +
                             std::to_string(status.st_mtim.tv_sec) + "." + std::to_string(status.st_mtim.tv_nsec) +
                             "\"";
    x.res.set_header("ETag", etag);
    x.res.set_header("Accept-Ranges", "bytes");
    if (x.req.get_header_value("If-None-Match") == etag) {
        x.res.status = 304;
        return;
    }
    if (!rangesFit(x, facts.size)) {
        return;
    }
    if (startsDownload(x.req)) {
        json details{{"what", "share.mp4"}};
        if (!shareId.empty()) {
            details["share"] = shareId;
        }
        CustodyLog(database).append(actor, client, "download", r.sha256, text(details));
    }
    x.res.set_header("Content-Disposition",
                     "inline; filename=\"" + MediaService::packageName(r).substr(0, 15) + "-share.mp4\"");
    sendRanged(x.res, facts.size, "video/mp4", [file](std::uint64_t offset, char* out, std::size_t length) {
        return readFully(*file, offset, out, length);
    });
}

void Api::sendPackage(Exchange& x, const IndexedRecording& r, const std::string& actor,
                      const std::string& client, const std::string& shareId) {
    // The package is made afresh each time: its custody.csv ends with this download.
    std::string error;
    auto zip = media.package(
        r, recordings.pathOf(r),
        [&] {
            json details{{"what", "package.zip"}};
            if (!shareId.empty()) {
                details["share"] = shareId;
            }
            CustodyLog log(database);
            log.append(actor, client, "download", r.sha256, text(details));
            return CustodyLog::csv(log.forRecording(r.sha256));
        },
        error);
    if (!zip) {
        fail(x.res, 500, "the evidence package cannot be made: " + error);
        return;
    }
    const auto archive = std::make_shared<const StoredZip>(std::move(*zip));
    if (!rangesFit(x, archive->size())) {
        return;
    }
    x.res.set_header("Accept-Ranges", "bytes");
    x.res.set_header("Content-Disposition", "attachment; filename=\"" + MediaService::packageName(r) + ".zip\"");
    x.res.set_header("Cache-Control", "no-store");
    sendRanged(x.res, archive->size(), "application/zip",
               [archive](std::uint64_t offset, char* out, std::size_t length) {
                   return archive->read(offset, out, length);
               });
}

void Api::shareCopy(Exchange& x) {
    const auto r = recordings.find(x.caller, x.params[0]);
    if (!r) {
        fail(x.res, 404, "no such recording");
        return;
    }
    sendShareCopy(x, *r, x.caller.actor(), x.caller.client, "");
}

void Api::package(Exchange& x) {
    const auto r = recordings.find(x.caller, x.params[0]);
    if (!r) {
        fail(x.res, 404, "no such recording");
        return;
    }
    sendPackage(x, *r, x.caller.actor(), x.caller.client, "");
}

namespace {

std::int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

json shareJson(const Share& s) {
    return json{{"id", s.id},
                {"created", ShareService::isoTime(s.createdMs)},
                {"by", s.createdBy},
                {"expires", ShareService::isoTime(s.expiresMs)},
                {"download", s.download},
                {"hasPassword", s.hasPassword},
                {"revoked", s.revokedMs ? json(ShareService::isoTime(*s.revokedMs)) : json(false)}};
}

}  // namespace

void Api::createShare(Exchange& x) {
    const auto r = recordings.find(x.caller, x.params[0]);
    if (!r) {
        fail(x.res, 404, "no such recording");
        return;
    }
    json body;
    if (!readJson(x, body)) {
        return;
    }
    requestReading::ShareRequest request;
    if (const std::string wrong = requestReading::shareRequest(body, nowMs(), request); !wrong.empty()) {
        fail(x.res, 400, wrong);
        return;
    }
    const ShareService::Created made =
        shares.create(x.caller, *r, request.expiresMs, request.password, request.download);
    const std::string host = x.req.get_header_value("Host");
    const std::string path = "/s/" + made.token;
    json answerBody = shareJson(made.share);
    // The only time the link is shown.
    answerBody["url"] = host.empty() ? path : (tls() ? "https://" : "http://") + host + path;
    answer(x.res, 201, answerBody);
}

void Api::listShares(Exchange& x) {
    const auto r = recordings.find(x.caller, x.params[0]);
    if (!r) {
        fail(x.res, 404, "no such recording");
        return;
    }
    json list = json::array();
    for (const Share& s : shares.list(r->sha256)) {
        list.push_back(shareJson(s));
    }
    answer(x.res, 200, json{{"recording", r->sha256}, {"shares", list}});
}

void Api::revokeShare(Exchange& x) {
    const auto share = shares.byId(x.params[0]);
    // A link of a recording the caller cannot see is no link of theirs.
    if (!share || !recordings.find(x.caller, share->sha256)) {
        fail(x.res, 404, "no such share link");
        return;
    }
    shares.revoke(x.caller, *share);
    answer(x.res, 200, shareJson(*shares.byId(share->id)));
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
    const auto bytes = file ? thumbnailOf(*file) : std::nullopt;
    if (!bytes) {
        fail(x.res, 404, file ? "this recording has no frame that decodes" : "no such recording");
        return;
    }
    answerPicture(x.res, *bytes, sha256 + "-thumbnail");
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

std::optional<Share> Api::openLink(Exchange& x) {
    const ShareService::Opened opened = shares.open(x.params[0], cookieValue(x.req, linkCookie));
    using Kind = ShareService::Opened::Kind;
    switch (opened.kind) {
        case Kind::Ok: requestActor = ShareService::actorOf(opened.share); return opened.share;
        case Kind::Unknown: fail(x.res, 404, "この共有リンクは見つかりません"); break;
        case Kind::Expired: fail(x.res, 410, "この共有リンクは期限が切れています"); break;
        case Kind::Revoked: fail(x.res, 410, "この共有リンクは取り消されています"); break;
        case Kind::NeedsPassword:
            answer(x.res, 401, json{{"needsPassword", true}, {"error", "この共有リンクにはパスワードが必要です"}});
            break;
    }
    return std::nullopt;
}

void Api::sharePage(Exchange& x) {
    // The interface's own page, which opens in share mode on /s/ and asks /s/{token}/api for
    // everything; the token is checked there, on each request.
    x.res.set_header("Cache-Control", "no-store");
    sendWebAsset(x, webPage());
}

void Api::linkFacts(Exchange& x) {
    const auto share = openLink(x);
    if (!share) {
        return;
    }
    const auto r = recordingIndex::get(database.connection(), share->sha256);
    if (!r) {
        fail(x.res, 404, "この共有リンクの録画はありません");
        return;
    }
    // What the link shows of the recording: its facts, not the fleet's review of it.
    const json recording{{"sha256", r->sha256},       {"size", r->size},
                         {"captureDate", r->captureDate}, {"firstTime", r->firstTime},
                         {"lastTime", r->lastTime},   {"complete", r->complete},
                         {"depot", r->depot},         {"vehicle", r->vehicle},
                         {"driver", r->driver},       {"clockOffset", r->clockOffset},
                         {"frames", framesJson(recordings.pathOf(*r))}};
    shares.log(*share, x.caller.client, "share_opened", text(json{{"share", share->id}}));
    x.res.set_header("Cache-Control", "no-store");
    answer(x.res, 200, json{{"recording", recording},
                            {"download", share->download},
                            {"expires", ShareService::isoTime(share->expiresMs)},
                            {"needsPassword", false}});
}

void Api::unlockLink(Exchange& x) {
    const ShareService::Opened opened = shares.open(x.params[0], "");
    using Kind = ShareService::Opened::Kind;
    if (opened.kind != Kind::NeedsPassword) {
        if (opened.kind == Kind::Ok) {
            fail(x.res, 400, "this link has no password");
        } else {
            openLink(x);  // answers why it cannot be used
        }
        return;
    }
    json body;
    if (!readJson(x, body)) {
        return;
    }
    if (body.size() != 1 || !body.contains("password") || !body["password"].is_string()) {
        fail(x.res, 400, "the body is {\"password\": PASSWORD}");
        return;
    }
    requestActor = ShareService::actorOf(opened.share);
    const auto unlocked = shares.unlock(opened.share, body["password"].get<std::string>(), x.caller.client);
    using Outcome = ShareService::Unlock::Outcome;
    switch (unlocked.outcome) {
        case Outcome::Locked:
            x.res.set_header("Retry-After", "60");
            fail(x.res, 429, "パスワードの誤りが続いたため、1分間お待ちください");
            return;
        case Outcome::Wrong:
        case Outcome::NoPassword:
            answer(x.res, 401, json{{"needsPassword", true}, {"error", "パスワードが違います"}});
            return;
        case Outcome::Ok: break;
    }
    const std::int64_t seconds = std::max<std::int64_t>(1, (unlocked.expiresMs - nowMs()) / 1000);
    x.res.set_header("Set-Cookie", std::string(linkCookie) + "=" + unlocked.cookie + "; Path=/s/" + x.params[0] +
                                       "; Max-Age=" + std::to_string(seconds) + "; HttpOnly; SameSite=Strict" +
                                       (tls() ? "; Secure" : ""));
    x.res.status = 204;
}

void Api::linkFrame(Exchange& x) {
    if (const auto share = openLink(x)) {
        sendFrame(x, recordings.fileOf(share->sha256), share->sha256, x.params[1]);
    }
}

void Api::linkThumbnail(Exchange& x) {
    if (const auto share = openLink(x)) {
        sendThumbnail(x, recordings.fileOf(share->sha256), share->sha256);
    }
}

std::optional<IndexedRecording> Api::linkedRecording(Exchange& x, const Share& share) {
    auto r = recordingIndex::get(database.connection(), share.sha256);
    if (!r) {
        fail(x.res, 404, "この共有リンクの録画はありません");
    }
    return r;
}

void Api::linkShareCopy(Exchange& x) {
    const auto share = openLink(x);
    const auto r = share ? linkedRecording(x, *share) : std::nullopt;
    if (r) {
        sendShareCopy(x, *r, ShareService::actorOf(*share), x.caller.client, share->id);
    }
}

void Api::linkPackage(Exchange& x) {
    const auto share = openLink(x);
    if (share && !share->download) {
        fail(x.res, 403, "この共有リンクではダウンロードできません");
        return;
    }
    const auto r = share ? linkedRecording(x, *share) : std::nullopt;
    if (r) {
        sendPackage(x, *r, ShareService::actorOf(*share), x.caller.client, share->id);
    }
}

void Api::web(Exchange& x) {
    const WebAsset* asset = x.req.path.starts_with("/assets/") ? findWebAsset(x.params[0]) : &webPage();
    if (asset == nullptr) {
        fail(x.res, 404, "no such path");
        return;
    }
    // The names stay the same from one server version to the next: the browser asks again
    // each time and is answered 304 while the bytes are the same.
    x.res.set_header("Cache-Control", "no-cache");
    sendWebAsset(x, *asset);
}

void Api::sendWebAsset(Exchange& x, const WebAsset& asset) {
    x.res.set_header("Content-Security-Policy", std::string(webContentSecurityPolicy()));
    x.res.set_header("X-Content-Type-Options", "nosniff");
    // A share link's token is in its path: no other site is told it.
    x.res.set_header("Referrer-Policy", "no-referrer");
    x.res.set_header("ETag", std::string(asset.etag));
    if (x.req.get_header_value("If-None-Match") == asset.etag) {
        x.res.status = 304;
        return;
    }
    x.res.status = 200;
    x.res.set_content(asset.bytes.data(), asset.bytes.size(), std::string(asset.type));
}
