// Share links, the share copy and the evidence package as a link holder and the fleet's
// staff meet them: what a link lets through and when it stops, what the archive holds and
// whether it proves itself, and that the library folder stays the desktop's to read.
#include <filesystem>
#include <map>
#include <thread>

#include <nlohmann/json.hpp>
#include <zlib.h>

#include "CustodyLog.h"
#include "FileBytes.h"
#include "Library.h"
#include "Sha256.h"
#include "ServerFixture.h"
#include "StoredZip.h"
#include "TempFolder.h"

using nlohmann::json;

namespace {

class Shares : public ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        start();
        addUser("mara", Role::Manager, {"north"}, "mara-pw");
        addUser("otto", Role::Manager, {"south"}, "otto-pw");
        mara = login("mara", "mara-pw");
        otto = login("otto", "otto-pw");
        sha256 = upload(smallRecording(4, 120));
    }

    std::string upload(const std::vector<std::uint8_t>& bytes) {
        auto c = client();
        const auto res = c.Post("/api/v1/recordings", withSession(mara, {{"X-Filename", "halcjpeg.dat"}}),
                                bytesText(bytes), "application/octet-stream");
        EXPECT_TRUE(res && res->status == 201) << (res ? res->body : "no answer");
        return res ? json::parse(res->body).value("sha256", "") : "";
    }

    static httplib::Headers withSession(const Session& s, httplib::Headers more = {}) {
        more.emplace("Cookie", s.cookie);
        more.emplace("X-CSRF-Token", s.csrf);
        return more;
    }

    // POST .../shares as mara: the status and the body.
    std::pair<int, json> makeShare(const std::string& body) {
        auto c = client();
        const auto res = c.Post(("/api/v1/recordings/" + sha256 + "/shares").c_str(), withSession(mara), body,
                                "application/json");
        if (!res) {
            return {-1, json()};
        }
        return {res->status, json::parse(res->body, nullptr, false)};
    }

    // A link's token from its url.
    static std::string tokenOf(const json& made) {
        const std::string url = made.at("url").get<std::string>();
        return url.substr(url.rfind("/s/") + 3);
    }

    httplib::Result get(const std::string& path, httplib::Headers headers = {}) {
        auto c = client();
        return c.Get(path.c_str(), headers);
    }

    std::vector<CustodyEntry> custody() { return CustodyLog(*database).forRecording(sha256); }

    Session mara;
    Session otto;
    std::string sha256;
};

// The members of a stored ZIP, each checked against its CRC-32, by walking its local headers.
std::map<std::string, std::string> unzipStored(const std::string& zip) {
    std::map<std::string, std::string> files;
    const auto u16 = [&zip](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(zip.at(at)) |
                                          static_cast<unsigned char>(zip.at(at + 1)) << 8);
    };
    const auto u32 = [&u16](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
    std::size_t at = 0;
    while (at + 30 <= zip.size() && u32(at) == 0x04034b50) {
        EXPECT_EQ(u16(at + 8), 0u) << "a member is compressed";
        const std::uint32_t crc = u32(at + 14);
        const std::uint32_t size = u32(at + 22);
        const std::size_t nameLength = u16(at + 26);
        const std::size_t extraLength = u16(at + 28);
        const std::string name = zip.substr(at + 30, nameLength);
        const std::string data = zip.substr(at + 30 + nameLength + extraLength, size);
        EXPECT_EQ(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())), crc)
            << name;
        files[name] = data;
        at += 30 + nameLength + extraLength + size;
    }
    EXPECT_EQ(u32(at), 0x02014b50u) << "the central directory does not follow the members";
    return files;
}

std::string sha256Of(const std::string& bytes) {
    Sha256 hash;
    hash.update(bytes.data(), bytes.size());
    return hash.finalHex();
}

}  // namespace

TEST_F(Shares, ALinkReachesItsRecordingUntilRevokedOrExpiredAndOnlyWithItsPassword) {
    const auto [status, made] = makeShare(R"({"expires": 3, "password": "kagi", "download": false})");
    ASSERT_EQ(status, 201) << made.dump();
    const std::string token = tokenOf(made);
    const std::string base = "/s/" + token;

    // The page is served for any well-formed token; its facts only through the password.
    EXPECT_EQ(get(base)->status, 200);
    EXPECT_EQ(get(base)->get_header_value("Content-Type").rfind("text/html", 0), 0u);
    const auto locked = get(base + "/api");
    EXPECT_EQ(locked->status, 401);
    EXPECT_EQ(json::parse(locked->body).at("needsPassword"), true);
    for (const std::string part : {"/frames/0", "/thumbnail", "/share.mp4"}) {
        EXPECT_EQ(get(base + part)->status, 401) << part;
    }

    auto c = client();
    const auto wrong = c.Post((base + "/unlock").c_str(), R"({"password": "kagi?"})", "application/json");
    EXPECT_EQ(wrong->status, 401);
    const auto unlocked = c.Post((base + "/unlock").c_str(), R"({"password": "kagi"})", "application/json");
    ASSERT_EQ(unlocked->status, 204);
    const std::string setCookie = unlocked->get_header_value("Set-Cookie");
    EXPECT_NE(setCookie.find("Path=" + base + ";"), std::string::npos) << setCookie;
    EXPECT_NE(setCookie.find("HttpOnly"), std::string::npos) << setCookie;
    EXPECT_NE(setCookie.find("SameSite=Strict"), std::string::npos) << setCookie;
    const httplib::Headers cookie = {{"Cookie", setCookie.substr(0, setCookie.find(';'))}};

    const auto facts = get(base + "/api", cookie);
    ASSERT_EQ(facts->status, 200) << facts->body;
    const json body = json::parse(facts->body);
    EXPECT_EQ(body.at("recording").at("sha256"), sha256);
    EXPECT_EQ(body.at("recording").at("frames").size(), 4u);
    EXPECT_EQ(body.at("download"), false);
    EXPECT_EQ(body.at("needsPassword"), false);
    for (const char* internal : {"note", "status", "statusReason", "tags", "comments"}) {
        EXPECT_FALSE(body.at("recording").contains(internal)) << internal;
    }
    EXPECT_EQ(get(base + "/frames/0", cookie)->status, 200);
    EXPECT_EQ(get(base + "/frames/4", cookie)->status, 404);
    EXPECT_EQ(get(base + "/package.zip", cookie)->status, 403) << "a link without download";
    // Nothing else of the server is reached through the link.
    EXPECT_EQ(get(base + "/file", cookie)->status, 404);
    EXPECT_EQ(get("/api/v1/recordings/" + sha256, cookie)->status, 401);

    // Another link's unlock cookie opens nothing here.
    const auto [otherStatus, other] = makeShare(R"({"expires": 3, "password": "kagi"})");
    ASSERT_EQ(otherStatus, 201);
    EXPECT_EQ(get("/s/" + tokenOf(other) + "/api", cookie)->status, 401);

    // Revoked by a manager of another depot: not theirs to see. By mara: at once.
    const std::string id = made.at("id");
    EXPECT_EQ(c.Delete(("/api/v1/shares/" + id).c_str(), withSession(otto))->status, 404);
    EXPECT_EQ(c.Delete(("/api/v1/shares/" + id).c_str(), withSession(mara))->status, 200);
    const auto revoked = get(base + "/api", cookie);
    EXPECT_EQ(revoked->status, 410);
    EXPECT_EQ(json::parse(revoked->body).at("error"), "この共有リンクは取り消されています");
    EXPECT_EQ(get(base + "/frames/0", cookie)->status, 410);

    // Run out: the other link, its expiry moved back in the database.
    const std::string otherBase = "/s/" + tokenOf(other);
    database->connection().execute("UPDATE shares SET expires_ms = 1 WHERE id = $1", {other.at("id").get<std::string>()});
    const auto expired = get(otherBase + "/api");
    EXPECT_EQ(expired->status, 410);
    EXPECT_EQ(json::parse(expired->body).at("error"), "この共有リンクは期限が切れています");
    EXPECT_EQ(get(otherBase + "/share.mp4")->status, 410);

    // An unknown token of the right shape, and tokens of the wrong one.
    const std::string unknown(43, 'A');
    EXPECT_EQ(get("/s/" + unknown + "/api")->status, 404);
    for (const std::string& bad : {std::string("/s/short"), "/s/" + token + "x", "/s/" + token + "/", "/s/" + token.substr(0, 42) + "!"}) {
        EXPECT_EQ(get(bad)->status, 404) << bad;
    }

    const auto list = c.Get(("/api/v1/recordings/" + sha256 + "/shares").c_str(), withSession(mara));
    ASSERT_EQ(list->status, 200);
    const json shares = json::parse(list->body).at("shares");
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_EQ(shares[0].at("hasPassword"), true);
    EXPECT_NE(shares[0].at("revoked"), false);
    EXPECT_EQ(shares[1].at("revoked"), false);
    EXPECT_EQ(shares[0].at("by"), "user:mara");
    // The token is nowhere in the database, only its hash.
    EXPECT_TRUE(database->connection().query("SELECT 1 FROM shares WHERE token_hash = $1", {token}).empty());

    std::map<std::string, std::string> actors;
    for (const CustodyEntry& e : custody()) {
        actors[e.action] = e.actor;
    }
    EXPECT_EQ(actors["share_created"], "user:mara");
    EXPECT_EQ(actors["share_revoked"], "user:mara");
    EXPECT_EQ(actors["share_opened"], "link:" + id);
    EXPECT_EQ(actors["share_unlock_failed"], "link:" + id);
}

TEST_F(Shares, FiveWrongPasswordsLockALinkForAMinute) {
    const auto [status, made] = makeShare(R"({"expires": 1, "password": "kagi"})");
    ASSERT_EQ(status, 201);
    const std::string unlock = "/s/" + tokenOf(made) + "/unlock";
    auto c = client();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(c.Post(unlock.c_str(), R"({"password": "nope"})", "application/json")->status, 401);
    }
    const auto refused = c.Post(unlock.c_str(), R"({"password": "kagi"})", "application/json");
    EXPECT_EQ(refused->status, 429);
    EXPECT_EQ(refused->get_header_value("Set-Cookie"), "");
}

TEST_F(Shares, AnExpiryIsRequiredAndNoFurtherThanNinetyDays) {
    for (const std::string& body :
         {std::string("{}"), std::string(R"({"expires": "2020-01-01T00:00:00Z"})"),
          std::string(R"({"expires": 91})"), std::string(R"({"expires": 0})"), std::string(R"({"expires": -2})"),
          std::string(R"({"expires": "2027-02-30T00:00:00Z"})"), std::string(R"({"expires": "tomorrow"})"),
          std::string(R"({"expires": "2026-12-20T10:00:00"})"), std::string(R"({"expires": 3, "public": true})"),
          std::string(R"({"expires": 3, "download": "yes"})"), std::string(R"({"expires": 3, "password": 5})")}) {
        EXPECT_EQ(makeShare(body).first, 400) << body;
    }
    // Ninety days from now as a date and time is the furthest.
    const auto now = std::chrono::system_clock::now();
    const auto iso = [](std::chrono::system_clock::time_point t) {
        const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
        std::tm utc{};
        gmtime_r(&seconds, &utc);
        char text[32];
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
        return std::string(text);
    };
    const std::string inside = iso(now + std::chrono::hours(24 * 89));
    const auto [status, made] = makeShare(R"({"expires": ")" + inside + "\"}");
    EXPECT_EQ(status, 201) << made.dump();
    EXPECT_EQ(made.value("expires", ""), inside);
    EXPECT_EQ(makeShare(R"({"expires": ")" + iso(now + std::chrono::hours(24 * 91)) + "\"}").first, 400);
}

TEST_F(Shares, TheShareCopyIsMadeOnceKeptOutOfTheLibraryAndServedInRanges) {
    const std::string path = "/api/v1/recordings/" + sha256 + "/share.mp4";
    // Asked twice at once: both answers whole and the same.
    std::array<std::string, 2> bodies;
    std::array<int, 2> statuses{};
    std::array<std::thread, 2> askers;
    for (std::size_t i = 0; i < askers.size(); ++i) {
        askers[i] = std::thread([&, i] {
            auto c = client();
            if (const auto res = c.Get(path.c_str(), {{"Cookie", mara.cookie}})) {
                statuses[i] = res->status;
                bodies[i] = res->body;
            }
        });
    }
    for (std::thread& asker : askers) {
        asker.join();
    }
    ASSERT_EQ(statuses[0], 200) << bodies[0];
    ASSERT_EQ(statuses[1], 200) << bodies[1];
    EXPECT_EQ(bodies[0], bodies[1]);
    ASSERT_GT(bodies[0].size(), 8u);
    EXPECT_EQ(bodies[0].substr(4, 4), "ftyp") << "not an MP4";

    const auto again = get(path, {{"Cookie", mara.cookie}});
    EXPECT_EQ(again->body, bodies[0]);
    EXPECT_EQ(again->get_header_value("Content-Type"), "video/mp4");
    const std::string etag = again->get_header_value("ETag");
    EXPECT_EQ(get(path, {{"Cookie", mara.cookie}, {"If-None-Match", etag}})->status, 304);
    const auto part = get(path, {{"Cookie", mara.cookie}, {"Range", "bytes=4-7"}});
    EXPECT_EQ(part->status, 206);
    EXPECT_EQ(part->body, "ftyp");
    const std::string size = std::to_string(bodies[0].size());
    const auto past = get(path, {{"Cookie", mara.cookie}, {"Range", "bytes=" + size + "-"}});
    EXPECT_EQ(past->status, 416);
    EXPECT_EQ(past->get_header_value("Content-Range"), "bytes */" + size);

    // One copy kept, nothing half-made left, and the library still lists one recording.
    std::vector<std::string> kept;
    for (const std::string& name : tree(libraryRoot + "/.halcyra-cache")) {
        if (name.ends_with(".mp4") || name.find("making-") != std::string::npos) {
            kept.push_back(name);
        }
    }
    EXPECT_EQ(kept, std::vector<std::string>{"share/" + sha256 + "-share.mp4"});
    EXPECT_EQ(Library(libraryRoot).entries().size(), 1u);

    // Each whole download is in the custody log; a range from the middle is not another one.
    int downloads = 0;
    for (const CustodyEntry& e : custody()) {
        downloads += e.action == "download" && e.details.find("share.mp4") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(downloads, 3);
}

TEST_F(Shares, ThePackageProvesItselfWithTheCustodyEntriesInside) {
    // A comment and a link first, so the custody log has entries of several kinds.
    auto c = client();
    ASSERT_EQ(c.Post(("/api/v1/recordings/" + sha256 + "/comments").c_str(), withSession(mara),
                     R"({"text": "seen, \"glare\", coached"})", "application/json")
                  ->status,
              201);
    const auto [status, made] = makeShare(R"({"expires": 2, "download": true})");
    ASSERT_EQ(status, 201);

    const auto res = get("/s/" + tokenOf(made) + "/package.zip");
    ASSERT_EQ(res->status, 200) << res->body;
    EXPECT_EQ(res->get_header_value("Content-Type"), "application/zip");
    const std::map<std::string, std::string> files = unzipStored(res->body);
    ASSERT_FALSE(files.empty());
    const std::string folder = files.begin()->first.substr(0, files.begin()->first.find('/') + 1);
    EXPECT_EQ(folder, "20261128-143507-evidence/");

    // SHA256SUMS names every other file, custody.csv among them, and each hash holds.
    const std::string sums = files.at(folder + "SHA256SUMS");
    std::size_t listed = 0;
    for (std::size_t at = 0; at < sums.size();) {
        const std::size_t end = sums.find('\n', at);
        const std::string line = sums.substr(at, end - at);
        at = end + 1;
        const std::string name = folder + line.substr(66);
        ASSERT_TRUE(files.contains(name)) << name;
        EXPECT_EQ(line.substr(0, 64), sha256Of(files.at(name))) << name;
        ++listed;
    }
    EXPECT_EQ(listed + 1, files.size());
    EXPECT_NE(sums.find("  custody.csv\n"), std::string::npos);
    EXPECT_EQ(files.at(folder + "halcjpeg.dat"), bytesText(smallRecording(4, 120)));

    // custody.csv: a line for each of the recording's entries up to this download, with their hashes.
    const std::string csv = files.at(folder + "custody.csv");
    const std::vector<CustodyEntry> entries = custody();
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.back().action, "download");
    EXPECT_EQ(entries.back().actor, "link:" + made.at("id").get<std::string>());
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), static_cast<long>(entries.size()) + 1);
    for (const CustodyEntry& e : entries) {
        EXPECT_NE(csv.find("," + e.prevHash + "," + e.hash + "\r\n"), std::string::npos) << e.action;
    }
    EXPECT_NE(csv.find(R"(\""glare\"")"), std::string::npos) << "a quote in a field is doubled";

    // Nothing of the package is left in the library.
    for (const std::string& name : tree(libraryRoot)) {
        EXPECT_EQ(name.find("making-"), std::string::npos) << name;
    }
}

TEST_F(Shares, AClockOffsetIsCheckedSavedInTheFolderAndGivesTheShareCopyItsTimes) {
    auto c = client();
    const std::string path = "/api/v1/recordings/" + sha256;
    ASSERT_EQ(get(path + "/share.mp4", {{"Cookie", mara.cookie}})->status, 200);
    for (const std::string& body : {std::string(R"({"clockOffset": "65"})"), std::string(R"({"clockOffset": 4e8})"),
                                    std::string(R"({"clockOffset": null})")}) {
        EXPECT_EQ(c.Patch(path.c_str(), withSession(mara), body, "application/json")->status, 400) << body;
    }
    const auto saved = c.Patch(path.c_str(), withSession(mara), R"({"clockOffset": -3600.5})", "application/json");
    ASSERT_EQ(saved->status, 200) << saved->body;
    EXPECT_EQ(custody().back().action, "edit");
    EXPECT_NE(custody().back().details.find("clockOffset"), std::string::npos);
    EXPECT_EQ(json::parse(get(path, {{"Cookie", mara.cookie}})->body).at("clockOffset"), -3600.5);
    EXPECT_EQ(Library(libraryRoot).findBySha256(sha256)->clockOffset, -3600.5);

    // The copy with the old times is replaced by one with the corrected times.
    ASSERT_EQ(get(path + "/share.mp4", {{"Cookie", mara.cookie}})->status, 200);
    std::vector<std::string> kept;
    for (const std::string& name : tree(libraryRoot + "/.halcyra-cache/share")) {
        kept.push_back(name);
    }
    EXPECT_EQ(kept, std::vector<std::string>{sha256 + "-clock-3600500-share.mp4"});
}

TEST(StoredZipLayout, AMemberPastFourGibibytesGetsZip64Records) {
    // A sparse file: its size without its bytes. Its CRC is given, as a caller that has it would.
    TempFolder folder;
    const std::string big = folder.file("big.dat");
    const std::uint64_t size = (std::uint64_t{5} << 30) + 3;
    ASSERT_TRUE(writeBytes(big, "x"));
    std::filesystem::resize_file(big, size);
    const std::string small = folder.file("SHA256SUMS");
    ASSERT_TRUE(writeBytes(small, "sums\n"));
    std::string error;
    const auto zip = StoredZip::build({StoredZip::Member{"p/big.dat", big, size, 0x1234abcd, true},
                                       StoredZip::Member{"p/SHA256SUMS", small, 0, 0, false}},
                                      1'796'888'825, error);
    ASSERT_TRUE(zip) << error;

    const auto bytesAt = [&zip](std::uint64_t at, std::size_t length) {
        std::string out(length, '\0');
        EXPECT_TRUE(zip->read(at, out.data(), length)) << at;
        return out;
    };
    const auto number = [](const std::string& bytes, std::size_t at, int width) {
        std::uint64_t value = 0;
        for (int i = width - 1; i >= 0; --i) {
            value = value << 8 | static_cast<unsigned char>(bytes.at(at + static_cast<std::size_t>(i)));
        }
        return value;
    };
    // The end record points to the ZIP64 one, which points to the central directory.
    const std::string end = bytesAt(zip->size() - 22 - 20 - 56, 22 + 20 + 56);
    EXPECT_EQ(number(end, 0, 4), 0x06064b50u);
    EXPECT_EQ(number(end, 56, 4), 0x07064b50u);
    EXPECT_EQ(number(end, 76, 4), 0x06054b50u);
    EXPECT_EQ(number(end, 76 + 16, 4), 0xFFFFFFFFu);
    EXPECT_EQ(number(end, 24, 8), 2u) << "entries";
    const std::uint64_t central = number(end, 48, 8);
    EXPECT_GT(central, size);
    EXPECT_EQ(number(end, 56 + 8, 8), zip->size() - 22 - 20 - 56) << "the locator's offset";

    // The big member's sizes in its ZIP64 field; the small one's offset there too, past 4 GiB.
    const std::string first = bytesAt(central, 46 + 9 + 20);
    EXPECT_EQ(number(first, 0, 4), 0x02014b50u);
    EXPECT_EQ(number(first, 16, 4), 0x1234abcdu);
    EXPECT_EQ(number(first, 20, 4), 0xFFFFFFFFu);
    EXPECT_EQ(number(first, 46 + 9 + 4, 8), size);
    const std::string second = bytesAt(central + 46 + 9 + 20, 46 + 12 + 12);
    EXPECT_EQ(number(second, 42, 4), 0xFFFFFFFFu) << "the offset is in the ZIP64 field";
    const std::uint64_t secondOffset = number(second, 46 + 12 + 4, 8);
    EXPECT_EQ(bytesAt(secondOffset, 4), std::string("PK\x03\x04", 4));
    EXPECT_EQ(bytesAt(secondOffset + 30 + 12, 5), "sums\n");
    EXPECT_FALSE(zip->read(zip->size() - 1, error.data(), 2)) << "a read past the end";
}
