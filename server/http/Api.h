#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Accounts.h"
#include "ConnectionWatch.h"
#include "CustodyLog.h"
#include "Database.h"
#include "MediaService.h"
#include "RecordingService.h"
#include "ShareService.h"
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
    Link,      // a share link: the path's token is the only credential, checked by the handler
};

// The JSON API over HTTP. Every route stands in one table with the access it needs, so a
// route cannot exist without its check; the handlers parse, check and answer, the services
// hold the rules.
struct WebAsset;

class Api {
public:
    struct Exchange;
    using Handler = void (Api::*)(Exchange&);
    struct Route {
        std::string_view method;
        // "{sha256}", "{index}", "{name}", "{share}" (a link's id), "{token}" (a link's token)
        // and "{asset}" (a file name) stand for one path part, each checked for its form
        // before the handler runs
        std::string_view pattern;
        Access access;
        Handler handler;
    };
    static const std::vector<Route>& routes();

    struct Options {
        std::uint64_t maxUpload = std::uint64_t{512} << 20;
        int threads = 64;
        int readTimeoutSeconds = 15;
        // An upload that has come in slower than this on average once the grace has passed
        // is dropped: a client trickling bytes would hold a worker for ever.
        int slowUploadGraceSeconds = 60;
        // A connection's request (its headers, and its body but for an upload's) must be in
        // this long after it opens or after its last answer.
        int requestDeadlineSeconds = 30;
        std::uint64_t slowestUploadBytesPerSecond = 4096;
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
    // `often`: a route a player asks for many times a second (frames, thumbnails), whose
    // session may be answered from memory (Accounts::bySessionRecently).
    Caller identify(const httplib::Request& req, std::string& sessionToken, bool often);

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
    void shareCopy(Exchange& x);
    void package(Exchange& x);
    void createShare(Exchange& x);
    void listShares(Exchange& x);
    void revokeShare(Exchange& x);
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
    // One asset with the interface's headers: its policy, its ETag, 304 when the browser has it.
    void sendWebAsset(Exchange& x, const WebAsset& asset);

    // What a share link reaches. Each checks the link (expiry, revocation, the password's
    // cookie) on every request.
    void sharePage(Exchange& x);
    void linkFacts(Exchange& x);
    void unlockLink(Exchange& x);
    void linkFrame(Exchange& x);
    void linkThumbnail(Exchange& x);
    void linkShareCopy(Exchange& x);
    void linkPackage(Exchange& x);
    // The recording the path's {sha256} names when the caller may see it; else the answer
    // (404) is given.
    std::optional<IndexedRecording> pathRecording(Exchange& x);
    // The link of the path's token when it may be used now; else the answer is given.
    std::optional<Share> openLink(Exchange& x);
    // The link's recording from the index; nothing when the answer (404) is given.
    std::optional<IndexedRecording> linkedRecording(Exchange& x, const Share& share);
    // A frame or the thumbnail of a recording's file (nothing: no such recording, 404), for
    // the fleet's routes and a link's alike.
    void sendFrame(Exchange& x, const std::optional<std::string>& file, const std::string& sha256,
                   const std::string& index);
    void sendThumbnail(Exchange& x, const std::optional<std::string>& file, const std::string& sha256);

    // The bodies of the downloads.
    void sendShareCopy(Exchange& x, const IndexedRecording& r, const std::string& actor, const std::string& client,
                       const std::string& shareId);
    void sendPackage(Exchange& x, const IndexedRecording& r, const std::string& actor, const std::string& client,
                     const std::string& shareId);

    store::Database& database;
    Library library;
    Options options;
    Accounts accounts;
    RecordingService recordings;
    UploadService uploads;
    ShareService shares;
    MediaService media;
    std::unique_ptr<httplib::Server> server;
    std::unique_ptr<ConnectionWatch> watch;
};
