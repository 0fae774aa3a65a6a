#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Accounts.h"
#include "CustodyLog.h"
#include "Database.h"
#include "RecordingService.h"
#include "UploadService.h"

namespace httplib {
class Server;
struct Request;
struct Response;
class ContentReader;
}  // namespace httplib

// Who may call a route.
enum class Access {
    Anyone,
    Session,   // any signed-in user
    Viewer,    // any user; recordings of their depots
    Manager,   // managers and admins; recordings of their depots
    Uploader,  // device tokens, managers and admins
    Admin,     // accounts and device tokens
};

// The JSON API over HTTP. Every route stands in one table with the access it needs, so a
// route cannot exist without its check; the handlers parse, check and answer, the services
// hold the rules.
class Api {
public:
    struct Exchange;
    using Handler = void (Api::*)(Exchange&);
    struct Route {
        std::string_view method;
        // "{sha256}", "{index}", "{name}" and "{asset}" (a file name) stand for one path part
        std::string_view pattern;
        Access access;
        Handler handler;
    };
    static const std::vector<Route>& routes();

    struct Options {
        std::uint64_t maxUpload = std::uint64_t{512} << 20;
        int threads = 16;
        int readTimeoutSeconds = 15;
        bool logRequests = true;
        // Both set: HTTPS only, with this certificate chain and key (PEM).
        std::string tlsCert;
        std::string tlsKey;
    };

    Api(store::Database& database, const Library& library, const Options& options);
    ~Api();
    Api(const Api&) = delete;
    Api& operator=(const Api&) = delete;

    // False when the TLS certificate or key cannot be used.
    bool valid() const;
    bool tls() const { return !options.tlsCert.empty(); }

    // Binds `host`:`port` (0: any free port); the port bound, or -1.
    int bind(const std::string& host, int port);
    // Serves until stop(); requests in flight are finished first.
    bool run();
    void stop();

private:
    void dispatch(const httplib::Request& req, httplib::Response& res,
                  const httplib::ContentReader* reader);
    // Finds the route of `x`, checks the caller and runs the route's handler.
    void handle(Exchange& x);
    Caller identify(const httplib::Request& req, std::string& sessionToken);

    void health(Exchange& x);
    void login(Exchange& x);
    void logout(Exchange& x);
    void listRecordings(Exchange& x);
    void upload(Exchange& x);
    void recording(Exchange& x);
    void editRecording(Exchange& x);
    void recordingFile(Exchange& x);
    void frame(Exchange& x);
    void thumbnail(Exchange& x);
    void custody(Exchange& x);
    void addComment(Exchange& x);
    void stats(Exchange& x);
    void listUsers(Exchange& x);
    void addUser(Exchange& x);
    void changeUser(Exchange& x);
    void removeUser(Exchange& x);
    void listTokens(Exchange& x);
    void addToken(Exchange& x);
    void removeToken(Exchange& x);
    // The browser interface: /assets/{asset}, and index.html for every page's path.
    void web(Exchange& x);

    store::Database& database;
    Library library;
    Options options;
    Accounts accounts;
    RecordingService recordings;
    UploadService uploads;
    std::unique_ptr<httplib::Server> server;
};
