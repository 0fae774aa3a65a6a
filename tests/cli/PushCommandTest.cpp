#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTcpServer>
#include <QThread>

#include "Commands.h"
#include "RecordingSender.h"
#include "TempFolder.h"

// halcyra-cli push against a real halcyra-server on a temporary library.
namespace {

namespace fs = std::filesystem;

struct CliRun {
    int code;
    std::string out;
    std::string err;
};

class PushCommandTest : public testing::Test {
protected:
    void SetUp() override {
        library = temp.path() + "server";
        card = fs::path(temp.path()) / "card" / "DCIM";
        fs::create_directories(card);
        fs::copy_file(HALCYRA_SAMPLE_PATH, card / "halcjpeg.dat");
        std::ofstream(card / "readme.txt") << "no recording";
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
        probe.close();
        address = "http://127.0.0.1:" + std::to_string(port);
        tokenFile = temp.path() + "token.txt";
        std::ofstream(tokenFile) << serverCommand({"token", "add", "depot-pc", "--depot", "east"});
    }
    void TearDown() override { stopServer(); }

    // A command of the server on the test's library; its standard output.
    std::string serverCommand(QStringList words) {
        QProcess process;
        words << QStringLiteral("--library") << QString::fromStdString(library);
        process.start(QStringLiteral(HALCYRA_SERVER_PATH), words);
        EXPECT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        return process.readAllStandardOutput().toStdString();
    }
    void startServer() {
        server.start(QStringLiteral(HALCYRA_SERVER_PATH),
                     {QStringLiteral("serve"), QStringLiteral("--library"), QString::fromStdString(library),
                      QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(port)});
        ASSERT_TRUE(server.waitForStarted(10000));
        // Serving once its health answers.
        QNetworkAccessManager network;
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(
                QUrl(QString::fromStdString(address + "/api/v1/health")))));
            QEventLoop wait;
            QObject::connect(reply.get(), &QNetworkReply::finished, &wait, &QEventLoop::quit);
            wait.exec();
            if (reply->error() == QNetworkReply::NoError) {
                return;
            }
            QThread::msleep(50);
        }
        FAIL() << "the server did not start: " << server.readAllStandardError().toStdString();
    }
    void stopServer() {
        if (server.state() != QProcess::NotRunning) {
            server.terminate();
            server.waitForFinished(10000);
        }
    }
    CliRun push(std::vector<std::string> args) {
        args.insert(args.begin(), "push");
        for (const char* word : {"--server", "--token-file"}) {
            args.emplace_back(word);
            args.push_back(word == std::string("--server") ? address : tokenFile);
        }
        std::ostringstream out;
        std::ostringstream err;
        const int code = runCli(args, out, err);
        return {code, out.str(), err.str()};
    }
    static std::string statusOf(const std::string& lines, const std::string& file) {
        std::istringstream in(lines);
        for (std::string line; std::getline(in, line);) {
            if (line.find(file) != std::string::npos) {
                const std::size_t at = line.find("\"status\": \"");
                return line.substr(at + 11, line.find('"', at + 11) - at - 11);
            }
        }
        return "(none)";
    }

    TempFolder temp;
    std::string library;
    fs::path card;
    quint16 port = 0;
    std::string address;
    std::string tokenFile;
    QProcess server;
};

TEST_F(PushCommandTest, ACardIsSentOnceAndThenFoundPresent) {
    startServer();
    const CliRun first = push({(card.parent_path()).string()});
    EXPECT_EQ(first.code, 0) << first.out << first.err;
    EXPECT_EQ(statusOf(first.out, "halcjpeg.dat"), "imported") << first.out;
    EXPECT_EQ(statusOf(first.out, "readme.txt"), "skipped") << first.out;
    EXPECT_EQ(first.err, "");

    const CliRun again = push({card.string()});
    EXPECT_EQ(again.code, 0) << again.out;
    EXPECT_EQ(statusOf(again.out, "halcjpeg.dat"), "present") << again.out;
}

TEST_F(PushCommandTest, AServerThatIsDownFailsTheRunUntilItIsBack) {
    const CliRun down = push({card.string()});
    EXPECT_EQ(down.code, 1);
    EXPECT_EQ(statusOf(down.out, "halcjpeg.dat"), "failed");
    EXPECT_NE(down.out.find("Connection refused"), std::string::npos) << down.out;

    startServer();
    const CliRun up = push({card.string()});
    EXPECT_EQ(up.code, 0) << up.out;
    EXPECT_EQ(statusOf(up.out, "halcjpeg.dat"), "imported");
}

TEST_F(PushCommandTest, RefusalsAreNotWorthRetrying) {
    startServer();
    // Bytes that are not the recording the hash names: refused twice, then given up.
    std::string error;
    std::optional<ServerLink> link = ServerLink::from(address, tokenFile, {}, error);
    ASSERT_TRUE(link) << error;
    RecordingSender sender(*link);
    const SendResult damaged = sender.send((card / "halcjpeg.dat").string(), std::string(64, 'a'));
    EXPECT_EQ(damaged.status, SendResult::Status::Failed);
    EXPECT_EQ(damaged.httpStatus, 409);
    EXPECT_FALSE(damaged.retry);

    // A token the server does not know (revoked, mistyped).
    std::ofstream(tokenFile) << "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA\n";
    const CliRun refused = push({(card / "halcjpeg.dat").string()});
    EXPECT_EQ(refused.code, 1);
    EXPECT_EQ(statusOf(refused.out, "halcjpeg.dat"), "failed") << refused.out;
    // The server's answer reaches the client although it refused before reading the bytes.
    EXPECT_NE(refused.out.find("401"), std::string::npos) << refused.out;
}

TEST_F(PushCommandTest, UsageErrorsSendNothing) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"push", card.string(), "--server", "ftp://x", "--token-file", tokenFile},
          {"push", card.string(), "--server", address, "--token-file", temp.path() + "missing"},
          {"push", card.string(), "--server", address},
          {"push", "--server", address, "--token-file", tokenFile},
          {"push", temp.path() + "nothing-here", "--server", address, "--token-file", tokenFile}}) {
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(runCli(args, out, err), 2) << args[2];
        EXPECT_EQ(out.str(), "");
        EXPECT_NE(err.str(), "");
    }
}

}  // namespace
