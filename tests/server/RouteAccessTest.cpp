// Every route of the API's table, asked by every kind of caller: a route whose check is
// missing or wrong answers the wrong code here.
#include <map>
#include <string>

#include <nlohmann/json.hpp>

#include "FileBytes.h"
#include "Library.h"
#include "ServerFixture.h"

namespace {

enum Who { Anonymous, Viewer, OtherManager, Manager, Admin, Device, whoCount };
constexpr const char* whoName[] = {"anonymous", "viewer", "manager of another depot",
                                   "manager", "admin", "device token"};

// The code each caller gets, in the order of Who. The recording asked for is in depot north.
const std::map<std::string, std::array<int, whoCount>> expected = {
    {"GET /api/v1/health", {200, 200, 200, 200, 200, 200}},
    {"POST /api/v1/session", {401, 401, 401, 401, 401, 401}},
    {"DELETE /api/v1/session", {401, 200, 200, 200, 200, 403}},
    {"GET /api/v1/recordings", {401, 200, 200, 200, 200, 403}},
    {"POST /api/v1/recordings", {401, 403, 403, 200, 200, 200}},
    {"GET /api/v1/recordings/{sha256}", {401, 200, 404, 200, 200, 403}},
    {"PATCH /api/v1/recordings/{sha256}", {401, 403, 404, 200, 200, 403}},
    {"GET /api/v1/recordings/{sha256}/file", {401, 403, 404, 200, 200, 403}},
    {"GET /api/v1/recordings/{sha256}/frames/{index}", {401, 200, 404, 200, 200, 403}},
    {"GET /api/v1/recordings/{sha256}/thumbnail", {401, 200, 404, 200, 200, 403}},
    {"GET /api/v1/recordings/{sha256}/share.mp4", {401, 200, 404, 200, 200, 403}},
    {"GET /api/v1/recordings/{sha256}/package.zip", {401, 403, 404, 200, 200, 403}},
    {"POST /api/v1/recordings/{sha256}/shares", {401, 403, 404, 201, 201, 403}},
    {"GET /api/v1/recordings/{sha256}/shares", {401, 403, 404, 200, 200, 403}},
    {"DELETE /api/v1/shares/{share}", {401, 403, 404, 200, 200, 403}},
    {"GET /api/v1/recordings/{sha256}/custody", {401, 403, 404, 200, 200, 403}},
    {"POST /api/v1/recordings/{sha256}/comments", {401, 403, 404, 201, 201, 403}},
    {"GET /api/v1/stats", {401, 403, 200, 200, 200, 403}},
    {"GET /api/v1/users", {401, 403, 403, 403, 200, 403}},
    {"POST /api/v1/users", {401, 403, 403, 403, 201, 403}},
    {"PATCH /api/v1/users/{name}", {401, 403, 403, 403, 200, 403}},
    {"DELETE /api/v1/users/{name}", {401, 403, 403, 403, 200, 403}},
    {"GET /api/v1/tokens", {401, 403, 403, 403, 200, 403}},
    {"POST /api/v1/tokens", {401, 403, 403, 403, 201, 403}},
    {"DELETE /api/v1/tokens/{name}", {401, 403, 403, 403, 200, 403}},
    // A link is its own credential: whoever else the caller is plays no part.
    {"GET /s/{token}", {200, 200, 200, 200, 200, 200}},
    {"GET /s/{token}/api", {200, 200, 200, 200, 200, 200}},
    {"POST /s/{token}/unlock", {204, 204, 204, 204, 204, 204}},
    {"GET /s/{token}/frames/{index}", {200, 200, 200, 200, 200, 200}},
    {"GET /s/{token}/thumbnail", {200, 200, 200, 200, 200, 200}},
    {"GET /s/{token}/share.mp4", {200, 200, 200, 200, 200, 200}},
    {"GET /s/{token}/package.zip", {200, 200, 200, 200, 200, 200}},
    // The pages are for anyone: what they show comes from the API, which checks.
    {"GET /", {200, 200, 200, 200, 200, 200}},
    {"GET /login", {200, 200, 200, 200, 200, 200}},
    {"GET /recordings/{sha256}", {200, 200, 200, 200, 200, 200}},
    {"GET /stats", {200, 200, 200, 200, 200, 200}},
    {"GET /upload", {200, 200, 200, 200, 200, 200}},
    {"GET /admin", {200, 200, 200, 200, 200, 200}},
    {"GET /assets/{asset}", {200, 200, 200, 200, 200, 200}},
};

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    if (const auto at = text.find(from); at != std::string::npos) {
        text.replace(at, from.size(), to);
    }
    return text;
}

class RouteAccess : public ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        start();
        addUser("vic", Role::Viewer, {"north"}, "vic-pw");
        addUser("otto", Role::Manager, {"south"}, "otto-pw");
        addUser("mara", Role::Manager, {"north"}, "mara-pw");
        addUser("root", Role::Admin, {}, "root-pw");
        token = addToken("cam1", "north");
        addToken("spare-token", "south");
        addUser("spare", Role::Viewer, {}, "spare-pw");
        for (const auto& [who, name, password] :
             {std::tuple{Viewer, "vic", "vic-pw"}, std::tuple{OtherManager, "otto", "otto-pw"},
              std::tuple{Manager, "mara", "mara-pw"}, std::tuple{Admin, "root", "root-pw"}}) {
            sessions[who] = login(name, password);
            ASSERT_EQ(sessions[who].status, 200) << name;
        }
        auto c = client();
        const auto res = c.Post("/api/v1/recordings",
                                {{"Authorization", "Bearer " + token}, {"X-Filename", "halcjpeg.dat"}},
                                bytesText(recordingBytes), "application/octet-stream");
        ASSERT_TRUE(res);
        ASSERT_EQ(res->status, 201) << res->body;
        sha256 = nlohmann::json::parse(res->body).at("sha256").get<std::string>();
        linkToken = share(R"({"expires": 7, "download": true})").second;
        lockedToken = share(R"({"expires": 7, "password": "kagi"})").second;
        spareShare = share(R"({"expires": 1})").first;
    }

    // A link to the recording made by its manager: its id and token.
    std::pair<std::string, std::string> share(const std::string& body) {
        auto c = client();
        const auto res = c.Post(("/api/v1/recordings/" + sha256 + "/shares").c_str(),
                                {{"Cookie", sessions[Manager].cookie}, {"X-CSRF-Token", sessions[Manager].csrf}},
                                body, "application/json");
        if (!res || res->status != 201) {
            ADD_FAILURE() << "no link made: " << (res ? res->body : "no answer");
            return {};
        }
        const auto made = nlohmann::json::parse(res->body);
        const std::string url = made.at("url").get<std::string>();
        return {made.at("id").get<std::string>(), url.substr(url.rfind("/s/") + 3)};
    }

    // Asks `route` as `who`, with what the route needs to get past its own checks.
    int ask(const Api::Route& route, Who who) {
        httplib::Headers headers;
        if (who == Device) {
            headers.emplace("Authorization", "Bearer " + token);
        } else if (who != Anonymous) {
            headers.emplace("Cookie", sessions[who].cookie);
            headers.emplace("X-CSRF-Token", sessions[who].csrf);
        }
        std::string path = replaced(std::string(route.pattern), "{sha256}", sha256);
        if (path == "/api/v1/stats") {
            path += "?by=driver";
        }
        path = replaced(path, "{index}", "0");
        path = replaced(path, "{share}", spareShare);
        path = replaced(path, "{token}", route.pattern.ends_with("/unlock") ? lockedToken : linkToken);
        path = replaced(path, "{asset}", "app.js");
        path = replaced(path, "{name}", route.pattern.starts_with("/api/v1/users") ? "spare" : "spare-token");
        std::string body;
        std::string type = "application/json";
        if (route.pattern == "/api/v1/session") {
            body = nlohmann::json{{"user", std::string("nobody-") + whoName[who]}, {"password", "x"}}.dump();
        } else if (route.pattern == "/api/v1/recordings" && route.method == "POST") {
            headers.emplace("X-Filename", "halcjpeg.dat");
            headers.emplace("X-Depot", "north");
            body = bytesText(recordingBytes);
            type = "application/octet-stream";
        } else if (route.pattern == "/api/v1/users") {
            body = nlohmann::json{{"user", "added-by-" + std::to_string(who)}, {"password", "pw"},
                                  {"role", "viewer"}}.dump();
        } else if (route.pattern == "/api/v1/tokens") {
            body = nlohmann::json{{"name", "token-by-" + std::to_string(who)}, {"depot", "north"}}.dump();
        } else if (route.pattern == "/api/v1/users/{name}") {
            body = R"({"depots": ["south", "west"]})";
        } else if (route.method == "PATCH") {
            body = R"({"note": "checked"})";
        } else if (route.pattern.ends_with("/shares")) {
            body = R"({"expires": 30})";
        } else if (route.pattern.ends_with("/unlock")) {
            body = R"({"password": "kagi"})";
        } else if (route.pattern.ends_with("/comments")) {
            body = R"({"text": "seen by )" + std::to_string(who) + "\"}";
        }
        auto c = client();
        const auto status = [](const httplib::Result& res) { return res ? res->status : -1; };
        if (route.method == "GET") {
            return status(c.Get(path.c_str(), headers));
        }
        if (route.method == "POST") {
            return status(c.Post(path.c_str(), headers, body, type.c_str()));
        }
        if (route.method == "PATCH") {
            return status(c.Patch(path.c_str(), headers, body, type.c_str()));
        }
        if (route.method == "DELETE") {
            return status(c.Delete(path.c_str(), headers));
        }
        ADD_FAILURE() << "no way to send " << route.method;
        return -1;
    }

    std::vector<std::uint8_t> recordingBytes = smallRecording(3, 90);
    std::string token;
    std::string sha256;
    std::string linkToken;    // a link that may download
    std::string lockedToken;  // a link with a password
    std::string spareShare;   // the id of a link to revoke
    std::array<Session, whoCount> sessions;
};

}  // namespace

TEST_F(RouteAccess, EveryRouteAnswersEveryCallerAsItsRoleAllows) {
    // Signing out goes last: the other routes still need the sessions.
    std::vector<const Api::Route*> order;
    for (const Api::Route& route : Api::routes()) {
        order.push_back(&route);
    }
    std::stable_partition(order.begin(), order.end(), [](const Api::Route* r) {
        return !(r->method == "DELETE" && r->pattern == "/api/v1/session");
    });
    for (const Api::Route* route : order) {
        const std::string key = std::string(route->method) + " " + std::string(route->pattern);
        const auto codes = expected.find(key);
        ASSERT_NE(codes, expected.end()) << key << " is in the route table but not in this test";
        for (int who = 0; who < whoCount; ++who) {
            EXPECT_EQ(ask(*route, static_cast<Who>(who)), codes->second[static_cast<std::size_t>(who)])
                << key << " as " << whoName[who];
        }
    }
    EXPECT_EQ(expected.size(), Api::routes().size()) << "a route in this test is not in the table";
}

TEST_F(RouteAccess, AnythingOutsideTheTableOrNotAnIdIsNotFound) {
    auto c = client();
    const httplib::Headers admin = {{"Cookie", sessions[Admin].cookie}};
    std::string upper = sha256;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    for (const std::string& path : std::vector<std::string>{"/nothing", "/api/v2/health", "/api/v1/recordings/" + upper, "/api/v1/recordings/" + sha256 + "/",
          "/api/v1/recordings/" + sha256.substr(1), "/api/v1/recordings/" + sha256 + "/nothing",
          "/api/v1/recordings/" + sha256 + "/frames/-1", "/api/v1/recordings/" + sha256 + "/frames/3",
          "/api/v1/recordings/..%2F..%2Fetc%2Fpasswd", "/api/v1/recordings/" + std::string(64, '0')}) {
        const auto res = c.Get(path.c_str(), admin);
        ASSERT_TRUE(res) << path;
        EXPECT_EQ(res->status, 404) << path;
    }
    // The viewer's recording listed, and none of another depot's.
    const auto north = c.Get("/api/v1/recordings", {{"Cookie", sessions[Viewer].cookie}});
    ASSERT_TRUE(north);
    EXPECT_EQ(nlohmann::json::parse(north->body).at("total"), 1);
    const auto south = c.Get("/api/v1/recordings", {{"Cookie", sessions[OtherManager].cookie}});
    ASSERT_TRUE(south);
    EXPECT_EQ(nlohmann::json::parse(south->body).at("total"), 0);
}

TEST_F(RouteAccess, TheFileAnswersRangesAndRefusesOnesPastItsEnd) {
    auto c = client();
    const std::string path = "/api/v1/recordings/" + sha256 + "/file";
    const std::string cookie = sessions[Manager].cookie;
    const auto whole = c.Get(path.c_str(), {{"Cookie", cookie}});
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->status, 200);
    EXPECT_EQ(whole->body, bytesText(recordingBytes));
    EXPECT_EQ(whole->get_header_value("ETag"), "\"" + sha256 + "\"");

    const auto part = c.Get(path.c_str(), {{"Cookie", cookie}, {"Range", "bytes=10-19"}});
    ASSERT_TRUE(part);
    EXPECT_EQ(part->status, 206);
    EXPECT_EQ(part->body, bytesText(recordingBytes).substr(10, 10));

    const std::string size = std::to_string(recordingBytes.size());
    for (const std::string& range : {"bytes=" + size + "-", "bytes=" + size + "-" + size, std::string("bytes=-0")}) {
        const auto past = c.Get(path.c_str(), {{"Cookie", cookie}, {"Range", range}});
        ASSERT_TRUE(past);
        EXPECT_EQ(past->status, 416) << range;
        EXPECT_EQ(past->get_header_value("Content-Range"), "bytes */" + size) << range;
    }
}

TEST_F(RouteAccess, AnEditIsCheckedBeforeAnythingIsSaved) {
    auto c = client();
    const std::string path = "/api/v1/recordings/" + sha256;
    const httplib::Headers manager = {{"Cookie", sessions[Manager].cookie},
                                      {"X-CSRF-Token", sessions[Manager].csrf}};
    for (const std::string& body :
         {std::string(R"({"status": "dismissed"})"), std::string(R"({"status": "lost"})"),
          std::string(R"({"colour": "red"})"), std::string(R"({"vehicle": 12})"),
          std::string(R"({"tags": ["two words"]})"), std::string(R"({"note": "a")"),
          std::string("[]")}) {
        const auto res = c.Patch(path.c_str(), manager, body, "application/json");
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 400) << body;
    }
    const auto saved = c.Patch(path.c_str(), manager,
                               R"({"status": "dismissed", "statusReason": "a lorry's reflection",
                                   "vehicle": "T-12", "tags": ["rain", "glare", "rain"]})",
                               "application/json");
    ASSERT_TRUE(saved);
    ASSERT_EQ(saved->status, 200) << saved->body;
    const auto shown = c.Get(path.c_str(), {{"Cookie", sessions[Viewer].cookie}});
    ASSERT_TRUE(shown);
    const auto facts = nlohmann::json::parse(shown->body);
    EXPECT_EQ(facts.at("status"), "dismissed");
    EXPECT_EQ(facts.at("vehicle"), "T-12");
    EXPECT_EQ(facts.at("tags"), nlohmann::json::array({"glare", "rain"}));
    EXPECT_EQ(facts.at("frames").size(), 3u);
    const auto thumbnail = c.Get((path + "/thumbnail").c_str(), {{"Cookie", sessions[Viewer].cookie}});
    ASSERT_TRUE(thumbnail);
    EXPECT_EQ(thumbnail->get_header_value("Content-Type"), "image/jpeg");
    EXPECT_TRUE(thumbnail->body.starts_with("\xff\xd8")) << "not a JPEG";
    // Made once, kept out of the library's listing, and the same the next time.
    EXPECT_EQ(readBytes(libraryRoot + "/.halcyra-cache/thumbnails/" + sha256 + ".jpg"), thumbnail->body);
    EXPECT_EQ(Library(libraryRoot).entries().size(), 1u);
    const auto again = c.Get((path + "/thumbnail").c_str(), {{"Cookie", sessions[Viewer].cookie}});
    ASSERT_TRUE(again);
    EXPECT_EQ(again->body, thumbnail->body);
    // The vehicle is the folder's too.
    EXPECT_EQ(Library(libraryRoot).findBySha256(sha256)->vehicle, "T-12");
}

TEST_F(RouteAccess, CommentsAreKeptInOrderAndShownWithTheRecording) {
    auto c = client();
    const std::string path = "/api/v1/recordings/" + sha256;
    const httplib::Headers manager = {{"Cookie", sessions[Manager].cookie},
                                      {"X-CSRF-Token", sessions[Manager].csrf}};
    for (const std::string text : {"first look: glare", "coached on Monday"}) {
        const auto res = c.Post((path + "/comments").c_str(), manager, nlohmann::json{{"text", text}}.dump(),
                                "application/json");
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 201) << res->body;
    }
    for (const std::string& body : {std::string(R"({"text": ""})"), std::string(R"({"text": 3})"),
                                    nlohmann::json{{"text", std::string(4001, 'x')}}.dump()}) {
        const auto res = c.Post((path + "/comments").c_str(), manager, body, "application/json");
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 400);
    }
    const auto shown = c.Get(path.c_str(), {{"Cookie", sessions[Viewer].cookie}});
    ASSERT_TRUE(shown);
    const auto comments = nlohmann::json::parse(shown->body).at("comments");
    ASSERT_EQ(comments.size(), 2u);
    EXPECT_EQ(comments[0].at("text"), "first look: glare");
    EXPECT_EQ(comments[1].at("seq"), 2);
    EXPECT_EQ(comments[1].at("author"), "user:mara");
}
