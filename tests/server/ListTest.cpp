// The list: newest first, pages that neither repeat nor skip a recording (several of one
// second among them), and the filters.
#include <set>

#include <nlohmann/json.hpp>

#include "ServerFixture.h"

namespace {

class Listing : public ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        start();
        addUser("root", Role::Admin, {}, "root-pw");
        admin = login("root", "root-pw");
        ASSERT_EQ(admin.status, 200);
        const std::string token = addToken("cam1", "north");
        // Three of one second, one before, one after.
        const std::vector<std::pair<std::string, std::uint8_t>> made = {
            {"2026:11:28 14:35:07", 10}, {"2026:11:28 14:35:07", 20}, {"2026:11:28 14:35:07", 30},
            {"2026:11:27 09:00:00", 40}, {"2026:12:01 18:30:00", 50}};
        auto c = client();
        for (const auto& [date, shade] : made) {
            const auto res = c.Post("/api/v1/recordings",
                                    {{"Authorization", "Bearer " + token}, {"X-Filename", "halcjpeg.dat"}},
                                    bytesText(smallRecording(2, shade, date)), "application/octet-stream");
            ASSERT_TRUE(res);
            ASSERT_EQ(res->status, 201);
        }
    }

    nlohmann::json list(const std::string& query) {
        auto c = client();
        const auto res = c.Get(("/api/v1/recordings" + query).c_str(), {{"Cookie", admin.cookie}});
        if (!res || res->status != 200) {
            ADD_FAILURE() << query << ": " << (res ? res->status : -1);
            return nlohmann::json::object();
        }
        return nlohmann::json::parse(res->body);
    }

    Session admin;
};

}  // namespace

TEST_F(Listing, PagesGoNewestFirstWithoutRepeatingOrSkipping) {
    std::vector<std::pair<std::string, std::string>> seen;  // sort key (from the date), sha256
    std::string query = "?limit=2";
    for (int page = 0; page < 5; ++page) {
        const auto body = list(query);
        EXPECT_EQ(body.at("total"), 5);
        for (const auto& r : body.at("recordings")) {
            seen.emplace_back(r.at("captureDate").get<std::string>(), r.at("sha256").get<std::string>());
        }
        if (body.at("next").is_null()) {
            break;
        }
        query = "?limit=2&after=" + body.at("next").get<std::string>();
    }
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(std::set(seen.begin(), seen.end()).size(), 5u);
    EXPECT_TRUE(std::is_sorted(seen.rbegin(), seen.rend())) << "not newest first";
    EXPECT_EQ(seen.front().first, "2026:12:01 18:30:00");
    EXPECT_EQ(seen.back().first, "2026:11:27 09:00:00");
}

TEST_F(Listing, FiltersNarrowTheListAndBadOnesAreRefused) {
    const std::string sha = list("?from=2026-12-01").at("recordings").at(0).at("sha256");
    auto c = client();
    const auto edited = c.Patch(("/api/v1/recordings/" + sha).c_str(),
                                {{"Cookie", admin.cookie}, {"X-CSRF-Token", admin.csrf}},
                                R"({"status": "reviewed", "tags": ["rain"], "vehicle": "T-12 at 100%"})",
                                "application/json");
    ASSERT_TRUE(edited);
    ASSERT_EQ(edited->status, 200);

    EXPECT_EQ(list("?from=2026-11-28&to=2026-11-28").at("total"), 3);
    EXPECT_EQ(list("?to=2026-11-27").at("total"), 1);
    EXPECT_EQ(list("?status=reviewed").at("total"), 1);
    EXPECT_EQ(list("?status=new").at("total"), 4);
    EXPECT_EQ(list("?tag=rain").at("recordings").at(0).at("sha256"), sha);
    EXPECT_EQ(list("?q=100%25").at("total"), 1);
    EXPECT_EQ(list("?q=_").at("total"), 0);  // a LIKE wildcard is taken as itself
    EXPECT_EQ(list("?depot=north").at("total"), 5);
    EXPECT_EQ(list("?depot=south").at("total"), 0);

    const auto stats = c.Get("/api/v1/stats?by=vehicle", {{"Cookie", admin.cookie}});
    ASSERT_TRUE(stats);
    ASSERT_EQ(stats->status, 200) << stats->body;
    const auto groups = nlohmann::json::parse(stats->body).at("groups");
    ASSERT_EQ(groups.size(), 2u);  // no vehicle yet, and T-12's
    EXPECT_EQ(groups[0].at("key"), "");
    EXPECT_EQ(groups[0].at("total"), 4);
    EXPECT_EQ(groups[1].at("status"), (nlohmann::json{{"reviewed", 1}}));
    EXPECT_EQ(groups[1].at("tags"), (nlohmann::json{{"rain", 1}}));

    for (const std::string query : {"?limit=0", "?limit=201", "?limit=x", "?status=lost", "?after=nonsense",
                                    "?from=yesterday"}) {
        const auto res = c.Get(("/api/v1/recordings" + query).c_str(), {{"Cookie", admin.cookie}});
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 400) << query;
    }
}

// A fleet names its depots in Japanese: accounts, tokens, uploads and the filter take them;
// names that hide or reorder characters, or are no UTF-8, are refused.
TEST_F(Listing, DepotsMayBeNamedInAnyScript) {
    const std::string tokyo = "東京営業所";
    const std::string token = addToken("cam-tokyo", tokyo);
    addUser("hana", Role::Manager, {tokyo}, "hana-pw");
    auto c = client();
    const auto sent = c.Post("/api/v1/recordings",
                             {{"Authorization", "Bearer " + token}, {"X-Filename", "halcjpeg.dat"}},
                             bytesText(smallRecording(2, 77)), "application/octet-stream");
    ASSERT_TRUE(sent);
    ASSERT_EQ(sent->status, 201) << sent->body;
    const auto hana = login("hana", "hana-pw");
    const auto mine = c.Get("/api/v1/recordings", {{"Cookie", hana.cookie}});
    ASSERT_TRUE(mine);
    const auto body = nlohmann::json::parse(mine->body);
    ASSERT_EQ(body.at("total"), 1);
    EXPECT_EQ(body.at("recordings")[0].at("depot"), tokyo);
    EXPECT_EQ(list("?depot=%E6%9D%B1%E4%BA%AC%E5%96%B6%E6%A5%AD%E6%89%80").at("total"), 1);

    for (const std::string& bad : {std::string("東京\u202e営業所"), std::string("\xe6\x9d"),
                                   std::string("\xc0\xaf"), std::string("a b"), std::string(65, 'x')}) {
        EXPECT_FALSE(isValidDepotName(bad)) << bad;
    }
    EXPECT_TRUE(isValidDepotName(std::string(64, 'x')));
    EXPECT_TRUE(isValidDepotName("北-2.札幌"));
}
