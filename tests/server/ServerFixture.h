#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <httplib.h>

#include "Accounts.h"
#include "Api.h"
#include "Database.h"
#include "TempFolder.h"

// A small recording of `frames` frames of one shade, dated `date`.
std::vector<std::uint8_t> smallRecording(int frames, std::uint8_t shade,
                                         const std::string& date = "2026:11:28 14:35:07");
std::string bytesText(const std::vector<std::uint8_t>& bytes);

// Names of everything under `folder` but the server's cache of thumbnails and derived files, so a
// test can say nothing was left behind.
std::vector<std::string> tree(const std::string& folder);

// halcyra-server in this process on a free port, over a fresh library and SQLite file.
class ServerFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the server; tests that want another upload limit call it themselves first.
    void start(std::uint64_t maxUpload = std::uint64_t{8} << 20);

    void addUser(const std::string& name, Role role, std::vector<std::string> depots,
                 const std::string& password);
    std::string addToken(const std::string& name, const std::string& depot);

    struct Session {
        int status = 0;
        std::string cookie;  // "halcyra_session=..."
        std::string csrf;
    };
    Session login(const std::string& name, const std::string& password);

    httplib::Client client() const;

    // Set before start() to drop slow uploads sooner.
    int slowUploadGraceSeconds = 60;
    int requestDeadlineSeconds = 30;
    // Set before start() to serve HTTPS.
    std::string tlsCert;
    std::string tlsKey;

    TempFolder folder;
    std::string libraryRoot;
    std::string databaseUrl;
    std::unique_ptr<store::Database> database;
    std::unique_ptr<Api> api;
    std::thread serving;
    int port = 0;
};
