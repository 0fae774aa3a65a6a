// The browser interface as the server serves it: the compiled bytes, their types and cache
// answers, and a Content-Security-Policy the pages can live with.
#include <string>

#include "ServerFixture.h"
#include "WebAssets.h"

namespace {

class WebAssetsTest : public ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        start();
    }
};

}  // namespace

TEST_F(WebAssetsTest, EveryAssetIsServedByteForByteWithItsTypeAndCacheAnswers) {
    ASSERT_NE(findWebAsset("index.html"), nullptr);
    ASSERT_NE(findWebAsset("app.js"), nullptr);
    auto c = client();
    for (const WebAsset& asset : webAssets()) {
        const std::string path = "/assets/" + std::string(asset.name);
        const auto res = c.Get(path.c_str());
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200) << path;
        EXPECT_EQ(res->body, asset.bytes) << path;
        EXPECT_EQ(res->get_header_value("Content-Type"), asset.type) << path;
        const std::string policy = res->get_header_value("Content-Security-Policy");
        EXPECT_NE(policy.find("script-src 'self'"), std::string::npos) << path;
        EXPECT_EQ(policy.find("unsafe"), std::string::npos) << path;
        EXPECT_EQ(res->get_header_value("X-Content-Type-Options"), "nosniff");
        const std::string etag = res->get_header_value("ETag");
        ASSERT_FALSE(etag.empty()) << path;
        const auto again = c.Get(path.c_str(), {{"If-None-Match", etag}});
        ASSERT_TRUE(again);
        EXPECT_EQ(again->status, 304) << path;
        EXPECT_TRUE(again->body.empty());
    }
}

TEST_F(WebAssetsTest, PagePathsOpenIndexAndEverythingElseStaysNotFound) {
    auto c = client();
    const std::string sha(64, 'a');
    for (const std::string& path : std::vector<std::string>{"/", "/login", "/stats", "/upload", "/admin", "/recordings/" + sha}) {
        const auto res = c.Get(path.c_str());
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200) << path;
        EXPECT_EQ(res->body, webPage().bytes) << path;
        EXPECT_EQ(res->get_header_value("Content-Type"), "text/html; charset=utf-8") << path;
    }
    for (const std::string path : {"/assets/missing.js", "/assets/.hidden", "/assets/../Api.cpp",
                                   "/assets/", "/recordings/xyz", "/index.html", "/api/v1/nothing",
                                   "/api/v1/", "/assets/app.js/more", "/stats/more"}) {
        const auto res = c.Get(path.c_str());
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 404) << path;
        EXPECT_EQ(res->get_header_value("Content-Type"), "application/json") << path;
    }
}

TEST_F(WebAssetsTest, IndexCarriesNoInlineScriptOrStyle) {
    auto c = client();
    const auto res = c.Get("/");
    ASSERT_TRUE(res);
    const std::string& page = res->body;
    for (std::size_t at = page.find("<script"); at != std::string::npos; at = page.find("<script", at + 1)) {
        const std::string tag = page.substr(at, page.find('>', at) - at);
        EXPECT_NE(tag.find(" src="), std::string::npos) << tag;
    }
    EXPECT_EQ(page.find("<style"), std::string::npos);
    EXPECT_EQ(page.find(" style="), std::string::npos);
    EXPECT_EQ(page.find(" on"), std::string::npos) << "an inline event handler";
}
