// Signing in and out, the CSRF rule for changes made with the session cookie, and the lock
// on a name after wrong passwords.
#include <chrono>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "ServerFixture.h"

namespace {

class Sessions : public ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        start();
        addUser("mara", Role::Manager, {"north"}, "mara-pw");
        const std::string token = addToken("cam1", "north");
        auto c = client();
        const auto res = c.Post("/api/v1/recordings",
                                {{"Authorization", "Bearer " + token}, {"X-Filename", "a.dat"}},
                                bytesText(smallRecording(2, 40)), "application/octet-stream");
        ASSERT_TRUE(res);
        ASSERT_EQ(res->status, 201);
        path = "/api/v1/recordings/" + nlohmann::json::parse(res->body).at("sha256").get<std::string>();
    }

    int patch(const httplib::Headers& headers) {
        auto c = client();
        const auto res = c.Patch(path.c_str(), headers, R"({"note": "seen"})", "application/json");
        return res ? res->status : -1;
    }

    std::string path;
};

}  // namespace

TEST_F(Sessions, AChangeWithTheCookieNeedsTheCsrfTokenFromTheSameOrigin) {
    const Session s = login("mara", "mara-pw");
    ASSERT_EQ(s.status, 200);
    const std::string host = "127.0.0.1:" + std::to_string(port);
    EXPECT_EQ(patch({{"Cookie", s.cookie}}), 403);
    EXPECT_EQ(patch({{"Cookie", s.cookie}, {"X-CSRF-Token", s.csrf + "x"}}), 403);
    EXPECT_EQ(patch({{"Cookie", s.cookie}, {"X-CSRF-Token", s.csrf}, {"Origin", "http://evil.example"}}), 403);
    EXPECT_EQ(patch({{"Cookie", s.cookie}, {"X-CSRF-Token", s.csrf}, {"Origin", "http://" + host}}), 200);
    EXPECT_EQ(patch({{"Cookie", s.cookie}, {"X-CSRF-Token", s.csrf}}), 200);

    // Signed out, the cookie is worth nothing.
    auto c = client();
    const auto out = c.Delete("/api/v1/session", {{"Cookie", s.cookie}, {"X-CSRF-Token", s.csrf}});
    ASSERT_TRUE(out);
    EXPECT_EQ(out->status, 200);
    EXPECT_EQ(patch({{"Cookie", s.cookie}, {"X-CSRF-Token", s.csrf}}), 401);
    const auto list = c.Get("/api/v1/recordings", {{"Cookie", s.cookie}});
    ASSERT_TRUE(list);
    EXPECT_EQ(list->status, 401);
}

TEST_F(Sessions, FiveWrongPasswordsLockANameKnownOrNotForAMinute) {
    using Clock = std::chrono::steady_clock;
    std::array<Clock::duration, 2> wrongTook{};
    for (const std::string name : {"mara", "ghost"}) {
        const auto began = Clock::now();
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(login(name, "wrong").status, 401) << name << " attempt " << i + 1;
        }
        wrongTook[name == "mara" ? 0 : 1] = Clock::now() - began;
        // Locked now, the right password too.
        EXPECT_EQ(login(name, "mara-pw").status, 429) << name;
    }
    // An unknown name costs the same hash as a known one, so the wait does not tell them apart.
    EXPECT_GT(wrongTook[1], wrongTook[0] / 2);
    // Another name is not locked by them.
    addUser("vic", Role::Viewer, {}, "vic-pw");
    EXPECT_EQ(login("vic", "vic-pw").status, 200);
}

TEST_F(Sessions, ASignInBodyIsReadStrictly) {
    auto c = client();
    for (const std::string& body : std::vector<std::string>{"", "{", "[]", R"({"user": "mara"})", R"({"user": "mara", "password": 5})",
          R"({"user": "mara", "password": "mara-pw", "extra": 1})", std::string(70 * 1024, ' ')}) {
        const auto res = c.Post("/api/v1/session", body, "application/json");
        ASSERT_TRUE(res);
        EXPECT_TRUE(res->status == 400 || res->status == 413) << body.substr(0, 60) << " " << res->status;
    }
}

TEST_F(Sessions, AnAdminsChangeToAUserOrSigningOutEndsTheSessionAtOnce) {
    addUser("root", Role::Admin, {}, "root-pw");
    const Session admin = login("root", "root-pw");
    const Session mara = login("mara", "mara-pw");
    ASSERT_EQ(admin.status, 200);
    ASSERT_EQ(mara.status, 200);
    auto c = client();
    // Frames, whose sessions are answered from memory, end with the change all the same.
    const auto frame = [&](const Session& s) {
        const auto res = c.Get(path + "/frames/0", {{"Cookie", s.cookie}});
        return res ? res->status : -1;
    };
    ASSERT_EQ(frame(mara), 200);
    const httplib::Headers asAdmin = {{"Cookie", admin.cookie}, {"X-CSRF-Token", admin.csrf}};
    const auto taken = c.Post("/api/v1/users", asAdmin,
                              R"({"user": "mara", "password": "x", "role": "viewer"})", "application/json");
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->status, 409);
    const auto moved = c.Patch("/api/v1/users/mara", asAdmin, R"({"depots": ["south"]})", "application/json");
    ASSERT_TRUE(moved);
    ASSERT_EQ(moved->status, 200) << moved->body;

    EXPECT_EQ(frame(mara), 401);
    const auto old = c.Get("/api/v1/recordings", {{"Cookie", mara.cookie}});
    ASSERT_TRUE(old);
    EXPECT_EQ(old->status, 401);

    // And with signing out.
    const Session viewing = login("root", "root-pw");
    ASSERT_EQ(frame(viewing), 200);
    const auto out = c.Delete("/api/v1/session", {{"Cookie", viewing.cookie}, {"X-CSRF-Token", viewing.csrf}});
    ASSERT_TRUE(out);
    EXPECT_EQ(out->status, 200);
    EXPECT_EQ(frame(viewing), 401);
    const Session again = login("mara", "mara-pw");
    const auto list = c.Get("/api/v1/recordings", {{"Cookie", again.cookie}});
    ASSERT_TRUE(list);
    EXPECT_EQ(nlohmann::json::parse(list->body).at("total"), 0);  // the recording is north's
}

class TlsSessions : public ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        tlsCert = folder.file("cert.pem");
        tlsKey = folder.file("key.pem");
        const std::string make = "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=localhost -keyout '" +
                                 tlsKey + "' -out '" + tlsCert + "' >/dev/null 2>&1";
        if (std::system(make.c_str()) != 0) {
            GTEST_SKIP() << "the openssl program cannot make a certificate here";
        }
        start();
        addUser("vic", Role::Viewer, {}, "vic-pw");
    }
};

TEST_F(TlsSessions, UnderTlsOnlyHttpsIsServedAndTheCookieIsSecure) {
    httplib::SSLClient tls("127.0.0.1", port);
    tls.enable_server_certificate_verification(false);
    const auto signedIn = tls.Post("/api/v1/session", R"({"user": "vic", "password": "vic-pw"})",
                                   "application/json");
    ASSERT_TRUE(signedIn);
    EXPECT_EQ(signedIn->status, 200);
    EXPECT_NE(signedIn->get_header_value("Set-Cookie").find("; Secure"), std::string::npos);

    auto plain = client();
    plain.set_read_timeout(2, 0);
    const auto refused = plain.Get("/api/v1/health");
    EXPECT_TRUE(!refused || refused->status != 200);
}
