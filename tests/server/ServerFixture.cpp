#include "ServerFixture.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "ExifSegment.h"
#include "JpegEncoder.h"
#include "Library.h"
#include "RecordingFileWriter.h"
#include "Schema.h"
#include "postgres/PostgresDatabase.h"
#include "Secrets.h"

std::vector<std::uint8_t> smallRecording(int frames, std::uint8_t shade, const std::string& date) {
    const std::vector<std::uint8_t> rgb(16 * 16 * 3, shade);
    JpegEncodeOptions options;
    options.app1 = makeExifSegment(date);
    const std::vector<std::uint8_t> jpeg = encodeJpeg(16, 16, rgb, options);
    std::vector<std::uint8_t> file;
    for (int i = 1; i <= frames; ++i) {
        appendFrame(file, i * 3 - 2, jpeg);
    }
    return file;
}

std::string bytesText(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> tree(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error)) {
        std::string name = std::filesystem::relative(entry.path(), folder).string();
        if (!name.starts_with(".halcyra-cache")) {
            names.push_back(std::move(name));
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

void ServerFixture::SetUp() {
    ASSERT_TRUE(secrets::init());
    libraryRoot = folder.file("library");
    // HALCYRA_TEST_POSTGRES names a PostgreSQL database the tests may empty (scripts/test-postgres).
    const char* postgres = std::getenv("HALCYRA_TEST_POSTGRES");
    if (postgres != nullptr && *postgres != '\0') {
        databaseUrl = postgres;
        // Emptied before it is opened: a test may have left a schema no program would open.
        store::PostgresDatabase(databaseUrl).connection().executeScript(
            "DROP SCHEMA public CASCADE; CREATE SCHEMA public;");
        database = store::open(databaseUrl);
    } else {
        databaseUrl = "sqlite:" + folder.file("server.sqlite");
        database = store::open(databaseUrl);
    }
}

void ServerFixture::start(std::uint64_t maxUpload) {
    Api::Options options;
    options.maxUpload = maxUpload;
    options.threads = 4;
    options.logRequests = false;
    options.slowUploadGraceSeconds = slowUploadGraceSeconds;
    options.requestDeadlineSeconds = requestDeadlineSeconds;
    options.tlsCert = tlsCert;
    options.tlsKey = tlsKey;
    const Library library(libraryRoot);
    std::string error;
    ASSERT_TRUE(library.ensureRoot(error)) << error;
    api = std::make_unique<Api>(*database, library, options);
    ASSERT_TRUE(api->valid());
    port = api->bind("127.0.0.1", 0);
    ASSERT_GT(port, 0);
    serving = std::thread([this] { api->run(); });
}

void ServerFixture::TearDown() {
    if (api) {
        api->stop();
    }
    if (serving.joinable()) {
        serving.join();
    }
}

void ServerFixture::addUser(const std::string& name, Role role, std::vector<std::string> depots,
                            const std::string& password) {
    Accounts(*database).addUser(User{name, role, std::move(depots)}, password, "console", "");
}

std::string ServerFixture::addToken(const std::string& name, const std::string& depot) {
    return Accounts(*database).addDeviceToken(name, depot, "console", "");
}

httplib::Client ServerFixture::client() const {
    httplib::Client c("127.0.0.1", port);
    c.set_read_timeout(20, 0);
    return c;
}

ServerFixture::Session ServerFixture::login(const std::string& name, const std::string& password) {
    Session session;
    auto c = client();
    const auto res = c.Post("/api/v1/session",
                            nlohmann::json{{"user", name}, {"password", password}}.dump(),
                            "application/json");
    if (!res) {
        return session;
    }
    session.status = res->status;
    if (res->status == 200) {
        const std::string cookie = res->get_header_value("Set-Cookie");
        session.cookie = cookie.substr(0, cookie.find(';'));
        session.csrf = nlohmann::json::parse(res->body).at("csrf").get<std::string>();
    }
    return session;
}
