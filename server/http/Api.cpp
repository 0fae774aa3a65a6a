#include "Api.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <mutex>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include "ApiAnswers.h"
#include "ConnectionWatch.h"
#include "Secrets.h"
#include "Sha256Text.h"

using apiAnswers::answer;
using apiAnswers::contentLength;
using apiAnswers::cookieValue;
using apiAnswers::fail;
using apiAnswers::requestActor;
using apiAnswers::sessionCookie;
using nlohmann::json;

namespace {

// What the request log needs from the handler's thread: when the request came in.
thread_local std::chrono::steady_clock::time_point requestStart;

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

Caller Api::identify(const httplib::Request& req, std::string& sessionToken, bool often) {
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
        if (auto user = often ? accounts.bySessionRecently(sessionToken) : accounts.bySession(sessionToken)) {
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
            x.caller = identify(req, x.sessionToken, route->handler == &Api::frame || route->handler == &Api::thumbnail);
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
