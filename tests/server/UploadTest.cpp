// Uploads that go wrong leave nothing behind: a wrong X-Sha256, bytes that are no recording,
// more than the limit, sent at once or in chunks.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <latch>
#include <thread>

#include <nlohmann/json.hpp>

#include "FileBytes.h"
#include "Library.h"
#include "Sha256.h"
#include "ServerFixture.h"
#include "TempFolder.h"
#include "UploadService.h"

namespace {

constexpr std::uint64_t limit = 64 * 1024;

class Uploads : public ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        start(limit);
        token = addToken("cam1", "north");
    }

    httplib::Result send(const std::string& bytes, httplib::Headers extra = {}) {
        extra.emplace("Authorization", "Bearer " + token);
        if (!extra.contains("X-Filename")) {
            extra.emplace("X-Filename", "halcjpeg.dat");
        }
        auto c = client();
        return c.Post("/api/v1/recordings", extra, bytes, "application/octet-stream");
    }

    std::int64_t indexed() {
        return database->connection().query("SELECT COUNT(*) FROM recordings")[0][0].integer();
    }

    std::string token;
};

}  // namespace

TEST_F(Uploads, AFaultyUploadIsRefusedWithNothingLeftBehind) {
    const std::string good = bytesText(smallRecording(3, 120));
    const auto mismatch = send(good, {{"X-Sha256", std::string(64, 'a')}});
    ASSERT_TRUE(mismatch);
    EXPECT_EQ(mismatch->status, 409) << mismatch->body;

    const auto stray = send("this is a shopping list, not a recording\n", {{"X-Filename", "list.txt"}});
    ASSERT_TRUE(stray);
    EXPECT_EQ(stray->status, 422);
    const auto answer = nlohmann::json::parse(stray->body);
    EXPECT_EQ(answer.at("status"), "skipped");
    EXPECT_FALSE(answer.at("reason").get<std::string>().empty());

    const std::string big = bytesText(smallRecording(3, 60)) + std::string(limit, 'x');
    const auto over = send(big);
    ASSERT_TRUE(over);
    EXPECT_EQ(over->status, 413);

    // Without a length the limit is found while reading.
    auto c = client();
    const auto chunked = c.Post(
        "/api/v1/recordings", {{"Authorization", "Bearer " + token}, {"X-Filename", "big.dat"}},
        [&big](std::size_t offset, httplib::DataSink& sink) {
            if (offset < big.size()) {
                sink.write(big.data() + offset, std::min<std::size_t>(8192, big.size() - offset));
            } else {
                sink.done();
            }
            return true;
        },
        "application/octet-stream");
    if (chunked) {  // the server may close before the client has sent it all
        EXPECT_EQ(chunked->status, 413);
    }
    for (const auto* bad : {"", "../", "a\nb"}) {
        const auto res = send(good, {{"X-Filename", bad}});
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 400) << bad;
    }
    EXPECT_EQ(tree(libraryRoot), std::vector<std::string>{});
    EXPECT_EQ(indexed(), 0);
}

TEST_F(Uploads, AGoodUploadIsImportedOnceByteForByte) {
    const auto bytes = smallRecording(4, 200);
    Sha256 hash;
    hash.update(bytes);
    const std::string sha256 = hash.finalHex();
    const auto first = send(bytesText(bytes), {{"X-Sha256", sha256}});
    ASSERT_TRUE(first);
    ASSERT_EQ(first->status, 201) << first->body;
    const auto again = send(bytesText(bytes), {{"X-Filename", "copy.dat"}});
    ASSERT_TRUE(again);
    EXPECT_EQ(again->status, 200);
    EXPECT_EQ(nlohmann::json::parse(again->body).at("status"), "present");

    const auto entry = Library(libraryRoot).findBySha256(sha256);
    ASSERT_TRUE(entry);
    EXPECT_EQ(readFileBytes(entry->path), bytes);
    EXPECT_EQ(entry->fileName, "halcjpeg.dat");
    EXPECT_EQ(entry->frames, 4u);
    // The list's thumbnail is ready before anyone asks for it, in the cache beside the library.
    const std::string thumbnail = readBytes(libraryRoot + "/.halcyra-cache/thumbnails/" + sha256 + ".jpg");
    EXPECT_TRUE(thumbnail.starts_with("\xff\xd8")) << "no thumbnail made at the upload";
    EXPECT_EQ(tree(libraryRoot).size(), 3u);  // the folder, the recording, recording.json
    EXPECT_EQ(indexed(), 1);
}

// The index only speeds the answer: the folders say whether a recording is held.
TEST_F(Uploads, TheFoldersNotTheIndexSayWhetherARecordingIsHeld) {
    const auto bytes = smallRecording(5, 150);
    Sha256 hash;
    hash.update(bytes);
    const std::string sha256 = hash.finalHex();
    ASSERT_EQ(send(bytesText(bytes))->status, 201);
    const auto first = Library(libraryRoot).findBySha256(sha256);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->source.starts_with("upload by token:cam1")) << first->source;

    // Removed from the folder behind the server's back: the stale index entry does not make
    // the next upload "present".
    std::filesystem::remove_all(first->folder);
    const auto again = send(bytesText(bytes));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->status, 201) << again->body;
    const auto second = Library(libraryRoot).findBySha256(sha256);
    ASSERT_TRUE(second);
    EXPECT_EQ(readFileBytes(second->path), bytes);

    // In the folder but not in the index (put there by another program): found by its folder.
    database->connection().execute("DELETE FROM recordings", {});
    const auto third = send(bytesText(bytes));
    ASSERT_TRUE(third);
    EXPECT_EQ(third->status, 200) << third->body;
    EXPECT_EQ(tree(libraryRoot).size(), 3u);
    EXPECT_EQ(indexed(), 1);
}

TEST_F(Uploads, TwoInstancesGivenTheSameRecordingAtOnceKeepOneEntry) {
    // A second instance over the same database and library folder, as on a shared file system:
    // its own connections and its own port.
    const auto otherDatabase = store::open(databaseUrl);
    Api::Options options;
    options.maxUpload = limit;
    options.threads = 2;
    options.logRequests = false;
    Api other(*otherDatabase, Library(libraryRoot), options);
    const int otherPort = other.bind("127.0.0.1", 0);
    ASSERT_GT(otherPort, 0);
    std::thread serving([&other] { other.run(); });

    const std::string bytes = bytesText(smallRecording(5, 77));
    std::latch ready(2);
    std::array<int, 2> statuses{};
    std::array<std::string, 2> answers;
    std::array<std::thread, 2> senders;
    for (std::size_t i = 0; i < senders.size(); ++i) {
        senders[i] = std::thread([&, i] {
            httplib::Client c("127.0.0.1", i == 0 ? port : otherPort);
            c.set_read_timeout(20, 0);
            ready.arrive_and_wait();
            const auto res = c.Post("/api/v1/recordings",
                                    {{"Authorization", "Bearer " + token}, {"X-Filename", "halcjpeg.dat"}}, bytes,
                                    "application/octet-stream");
            statuses[i] = res ? res->status : -1;
            answers[i] = res ? res->body : "";
        });
    }
    for (std::thread& sender : senders) {
        sender.join();
    }
    other.stop();
    serving.join();

    std::array<int, 2> sorted = statuses;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::array<int, 2>{200, 201})) << answers[0] << "\n" << answers[1];
    EXPECT_EQ(indexed(), 1);
    EXPECT_EQ(Library(libraryRoot).entries().size(), 1u);
    std::vector<std::string> outcomes;
    for (const auto& row : database->connection().query("SELECT details FROM custody WHERE action = 'upload'")) {
        outcomes.push_back(nlohmann::json::parse(row[0].text()).at("status").get<std::string>());
    }
    std::sort(outcomes.begin(), outcomes.end());
    EXPECT_EQ(outcomes, (std::vector<std::string>{"imported", "present"}));
    // Neither left a staging folder behind.
    for (const std::string& name : tree(libraryRoot)) {
        EXPECT_FALSE(name.starts_with(".upload-")) << name;
    }
}

TEST_F(Uploads, WithTheFolderGoneHealthSays503AndNamesNoPath) {
    const std::string away = libraryRoot + ".away";
    std::filesystem::rename(libraryRoot, away);
    auto c = client();
    const auto down = c.Get("/api/v1/health");
    ASSERT_TRUE(down);
    EXPECT_EQ(down->status, 503);
    const auto body = nlohmann::json::parse(down->body);
    EXPECT_EQ(body.at("reason"), "the library folder cannot be reached");
    EXPECT_EQ(down->body.find(libraryRoot), std::string::npos);
    const auto refused = send(bytesText(smallRecording(4, 90)));
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->status, 201);

    std::filesystem::rename(away, libraryRoot);
    const auto up = c.Get("/api/v1/health");
    ASSERT_TRUE(up);
    EXPECT_EQ(up->status, 200);
    EXPECT_EQ(indexed(), 0);
}

// Staging folders of uploads that stopped go at start; another server's live ones on a shared
// folder stay.
TEST(UploadLeftovers, OnlyStagingNoUploadWritesToAnyMoreIsRemoved) {
    namespace fs = std::filesystem;
    const TempFolder folder;
    const std::string root = folder.file("library");
    fs::create_directories(root);
    const std::string owner = UploadService::stagingOwner();
    const std::string host = owner.substr(0, owner.rfind('-'));
    // A server that ended, one killed and not yet reaped, and one that still runs.
    const pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    ASSERT_GT(child, 0);
    waitpid(child, nullptr, 0);
    const pid_t zombie = fork();
    if (zombie == 0) {
        _exit(0);
    }
    const pid_t running = fork();
    if (running == 0) {
        pause();
        _exit(0);
    }
    ASSERT_GT(zombie, 0);
    ASSERT_GT(running, 0);
    siginfo_t ended{};
    waitid(P_PID, static_cast<id_t>(zombie), &ended, WEXITED | WNOWAIT);

    const std::string stale = ".upload-otherhost-77-cccccc";
    for (const std::string& name :
         {std::string(".upload-Ab12Cd"), ".upload-" + host + "-" + std::to_string(child) + "-aaaaaa",
          ".upload-" + host + "-" + std::to_string(zombie) + "-eeeeee",
          ".upload-" + host + "-" + std::to_string(running) + "-dddddd",
          std::string(".upload-otherhost-77-bbbbbb"), stale, std::string("0123abcd")}) {
        fs::create_directories(root + "/" + name);
        std::ofstream(root + "/" + name + "/halcjpeg.dat") << "partial";
    }
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(2);
    fs::last_write_time(root + "/" + stale + "/halcjpeg.dat", old);
    fs::last_write_time(root + "/" + stale, old);

    UploadService::removeLeftovers(root);
    kill(running, SIGKILL);
    waitpid(running, nullptr, 0);
    waitpid(zombie, nullptr, 0);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(root)) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    std::vector<std::string> kept{".upload-" + host + "-" + std::to_string(running) + "-dddddd",
                                  ".upload-otherhost-77-bbbbbb", "0123abcd"};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(left, kept);
}

// A client that trickles its upload is dropped once the grace is over, with nothing left
// behind, while others are served.
class SlowUploads : public ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        slowUploadGraceSeconds = 1;
        requestDeadlineSeconds = 1;
        start();
        token = addToken("cam1", "north");
    }
    std::string token;
};

TEST_F(SlowUploads, ATricklingUploadIsDroppedAndBlocksNobody) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const std::string head = "POST /api/v1/recordings HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer " +
                             token + "\r\nX-Filename: halcjpeg.dat\r\nContent-Length: 100000\r\n\r\n";
    ASSERT_EQ(send(s, head.data(), head.size(), MSG_NOSIGNAL), static_cast<ssize_t>(head.size()));
    std::string answer;
    for (int i = 0; i < 40 && answer.empty(); ++i) {
        send(s, "0123456789", 10, MSG_NOSIGNAL);
        // Meanwhile the server answers others.
        if (i == 2) {
            auto c = client();
            const auto health = c.Get("/api/v1/health");
            ASSERT_TRUE(health);
            EXPECT_EQ(health->status, 200);
        }
        pollfd ready{s, POLLIN, 0};
        if (poll(&ready, 1, 200) == 1) {
            char buffer[512];
            const ssize_t got = recv(s, buffer, sizeof buffer, 0);
            answer.assign(buffer, got > 0 ? static_cast<std::size_t>(got) : 0);
        }
    }
    close(s);
    EXPECT_TRUE(answer.starts_with("HTTP/1.1 408")) << answer;
    EXPECT_EQ(tree(libraryRoot), std::vector<std::string>{});
}

// The same for a request's headers, and for a connection that asks nothing at all: each is
// closed once the deadline has passed, while a client that keeps asking, and one whose
// upload takes longer than the deadline, are served.
TEST_F(SlowUploads, ASlowRequestOrNoneIsClosedAndBlocksNobody) {
    const auto connectToServer = [this] {
        const int s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        return s;
    };
    const int trickling = connectToServer();
    const int silent = connectToServer();
    auto steady = client();
    steady.set_keep_alive(true);
    const std::string head = "GET /api/v1/health HTTP/1.1\r\nHost: x\r\nX-Padding: ";
    bool trickleClosed = false;
    bool silentClosed = false;
    const auto closed = [](int s) {
        pollfd ready{s, POLLIN, 0};
        char byte = 0;
        return poll(&ready, 1, 0) == 1 && recv(s, &byte, 1, MSG_DONTWAIT) <= 0;
    };
    // Stops after 8 s: the read timeout (15 s) would not have closed either by then.
    for (int i = 0; i < 40 && !(trickleClosed && silentClosed); ++i) {
        if (i < static_cast<int>(head.size())) {
            send(trickling, head.data() + i, 1, MSG_NOSIGNAL);
        } else {
            send(trickling, "a", 1, MSG_NOSIGNAL);
        }
        const auto health = steady.Get("/api/v1/health");
        ASSERT_TRUE(health);
        EXPECT_EQ(health->status, 200);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        trickleClosed = trickleClosed || closed(trickling);
        silentClosed = silentClosed || closed(silent);
    }
    close(trickling);
    close(silent);
    EXPECT_TRUE(trickleClosed);
    EXPECT_TRUE(silentClosed);

    // An upload trickled over two seconds, faster than the slowest rate allowed: the request
    // deadline does not cut it.
    const std::string bytes = bytesText(smallRecording(60, 120));
    ASSERT_GT(bytes.size(), 2u * 4096);
    auto c = client();
    const auto res = c.Post(
        "/api/v1/recordings", {{"Authorization", "Bearer " + token}, {"X-Filename", "halcjpeg.dat"}},
        bytes.size(),
        [&bytes](std::size_t offset, std::size_t, httplib::DataSink& sink) {
            const std::size_t piece = std::max<std::size_t>(bytes.size() / 10, 1);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            return sink.write(bytes.data() + offset, std::min(piece, bytes.size() - offset));
        },
        "application/octet-stream");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 201) << res->body;
}
