// The window's background sender against a real halcyra-server: what it marks sent, what it
// tries again and when, what it gives up, and the queue file it keeps in the library.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <QBuffer>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>

#include "FileBytes.h"
#include "Library.h"
#include "QueueSender.h"
#include "RunningServer.h"
#include "SendQueue.h"
#include "TestLibrary.h"

namespace {

using State = QueueEntry::State;

class QueueSenderTest : public ::testing::Test {
protected:
    QueueSenderTest() : server(files.place.file("server")) {
        for (const auto& [name, date] : {std::pair{"a.dat", "2026:11:28 14:35:07"},
                                         std::pair{"b.dat", "2026:12:01 08:00:00"}}) {
            const std::string path = files.import(files.putOnCard(name, testRecording(5, date)));
            recordings.push_back(*Library::entryOf(path));
        }
        token = server.newToken("depot-pc");
    }

    std::unique_ptr<QueueSender> newSender(const std::string& withToken) {
        auto sender = std::make_unique<QueueSender>();
        sender->setClock([this] { return clock; });
        sender->setLibrary(files.root);
        std::string error;
        auto link = ServerLink::withToken(server.address(), withToken, {}, error);
        EXPECT_TRUE(link) << error;
        sender->setLink(link);
        return sender;
    }
    // Queues the recording and waits for the transfer it starts.
    static void sendOne(QueueSender& sender, const LibraryEntry& entry) {
        QSignalSpy ended(&sender, &QueueSender::transferEnded);
        sender.enqueue(entry.sha256, entry.folder);
        ASSERT_TRUE(ended.count() > 0 || ended.wait(30000));
    }
    // The state the queue file gives the recording (a fresh read, as another program's).
    QueueEntry onDisk(const LibraryEntry& entry) const {
        std::string error;
        for (const QueueEntry& e : SendQueue(files.root).read(error)) {
            if (e.sha256 == entry.sha256) {
                return e;
            }
        }
        ADD_FAILURE() << "not queued: " << entry.folder << " " << error;
        return {};
    }
    bool onServer(const LibraryEntry& entry) const {
        return Library(server.library()).findBySha256(entry.sha256).has_value();
    }

    TestLibrary files;
    RunningServer server;
    std::vector<LibraryEntry> recordings;
    std::string token;
    std::int64_t clock = 1'800'000'000'000;
};

TEST_F(QueueSenderTest, ImportedAndPresentAreBothSent) {
    ASSERT_TRUE(server.start());
    // The second is on the server already, imported there by hand.
    server.command({QStringLiteral("import"), QString::fromStdString(recordings[1].path)});
    auto sender = newSender(token);
    for (const LibraryEntry& entry : recordings) {
        sendOne(*sender, entry);
        EXPECT_EQ(onDisk(entry).state, State::Sent) << onDisk(entry).error;
        EXPECT_EQ(onDisk(entry).claimedBy, "");
        EXPECT_TRUE(onServer(entry));
    }
    EXPECT_EQ(sender->waitingCount(), 0);
    EXPECT_EQ(sender->sending(), "");
    // The queue file beside the recordings' folders is no recording of the library.
    EXPECT_TRUE(std::filesystem::is_regular_file(files.root + "/" + SendQueue::fileName));
    EXPECT_EQ(Library(files.root).entries().size(), recordings.size());

    // Queued again on a later import: kept as sent, nothing goes out.
    sender->enqueue(recordings[0].sha256, recordings[0].folder);
    EXPECT_EQ(sender->sending(), "");
    EXPECT_EQ(onDisk(recordings[0]).state, State::Sent);
}

TEST_F(QueueSenderTest, ARefusedTokenIsShownAndNotTriedAgainUntilANewTokenComes) {
    ASSERT_TRUE(server.start());
    auto sender = newSender("RevokedOrMistypedAAAAAAAAAAAAAAAAAAAAAAAA");
    sendOne(*sender, recordings[0]);
    QueueEntry refused = onDisk(recordings[0]);
    EXPECT_EQ(refused.state, State::Refused);
    EXPECT_EQ(refused.cause, "token");
    EXPECT_NE(refused.error.find("401"), std::string::npos) << refused.error;
    EXPECT_FALSE(onServer(recordings[0]));

    // Hours later, nothing is tried.
    clock += 3 * QueueSender::longestWaitMs;
    sender->wake();
    EXPECT_EQ(sender->sending(), "");
    EXPECT_EQ(sender->waitingCount(), 0);

    // The clerk types the new token: what the old one had refused goes out.
    QSignalSpy ended(sender.get(), &QueueSender::transferEnded);
    std::string error;
    sender->setLink(ServerLink::withToken(server.address(), token, {}, error));
    ASSERT_TRUE(ended.count() > 0 || ended.wait(30000));
    EXPECT_EQ(onDisk(recordings[0]).state, State::Sent);
}

TEST_F(QueueSenderTest, AServerThatIsDownIsTriedAgainAfterAGrowingWait) {
    auto sender = newSender(token);
    sendOne(*sender, recordings[0]);
    QueueEntry waiting = onDisk(recordings[0]);
    EXPECT_EQ(waiting.state, State::Waiting);
    EXPECT_EQ(waiting.attempts, 1);
    EXPECT_EQ(waiting.cause, "refused");
    EXPECT_EQ(waiting.nextTry, clock + QueueSender::firstWaitMs);
    EXPECT_EQ(sender->waitingCount(), 1);

    // Not due yet: nothing is sent.
    clock += QueueSender::firstWaitMs - 1;
    sender->wake();
    EXPECT_EQ(sender->sending(), "");

    // Due, still down: the wait doubles.
    clock += 1;
    QSignalSpy ended(sender.get(), &QueueSender::transferEnded);
    sender->wake();
    ASSERT_TRUE(ended.wait(30000));
    EXPECT_EQ(onDisk(recordings[0]).attempts, 2);
    EXPECT_EQ(onDisk(recordings[0]).nextTry, clock + 2 * QueueSender::firstWaitMs);

    ASSERT_TRUE(server.start());
    clock += 2 * QueueSender::firstWaitMs;
    sender->wake();
    ASSERT_TRUE(ended.wait(30000));
    EXPECT_EQ(onDisk(recordings[0]).state, State::Sent);
    EXPECT_TRUE(onServer(recordings[0]));

    // 30 s, 1, 2, 4 … minutes, never more than an hour.
    EXPECT_EQ(QueueSender::waitAfter(1), 30'000);
    EXPECT_EQ(QueueSender::waitAfter(2), 60'000);
    EXPECT_EQ(QueueSender::waitAfter(4), 240'000);
    EXPECT_EQ(QueueSender::waitAfter(8), QueueSender::longestWaitMs);
    EXPECT_EQ(QueueSender::waitAfter(1000), QueueSender::longestWaitMs);
}

TEST_F(QueueSenderTest, ATransferDamagedOnTheWayIsSentAgain) {
    ASSERT_TRUE(server.start());
    auto sender = newSender(token);
    int opened = 0;
    sender->setOpener([&opened](const QString& path) -> std::unique_ptr<QIODevice> {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            return nullptr;
        }
        QByteArray bytes = file.readAll();
        if (opened++ == 0) {
            bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x55);
        }
        auto buffer = std::make_unique<QBuffer>();
        buffer->setData(bytes);
        buffer->open(QIODevice::ReadOnly);
        return buffer;
    });
    sendOne(*sender, recordings[0]);
    EXPECT_EQ(onDisk(recordings[0]).state, State::Waiting);
    EXPECT_EQ(onDisk(recordings[0]).cause, "damaged");
    EXPECT_FALSE(onServer(recordings[0]));

    QSignalSpy ended(sender.get(), &QueueSender::transferEnded);
    clock += QueueSender::firstWaitMs;
    sender->wake();
    ASSERT_TRUE(ended.wait(30000));
    EXPECT_EQ(onDisk(recordings[0]).state, State::Sent);
    EXPECT_TRUE(onServer(recordings[0]));
    EXPECT_EQ(opened, 2);
}

TEST_F(QueueSenderTest, TheQueueOutlivesTheSenderAndAnotherProgramsClaim) {
    {
        auto first = newSender(token);
        sendOne(*first, recordings[0]);
        sendOne(*first, recordings[1]);
        EXPECT_EQ(first->waitingCount(), 2);
    }
    // Another program is sending the second right now.
    std::string error;
    std::vector<QueueEntry> after;
    ASSERT_TRUE(SendQueue(files.root).update(
        [&](std::vector<QueueEntry>& entries) {
            for (QueueEntry& entry : entries) {
                if (entry.sha256 == recordings[1].sha256) {
                    entry.claimedBy = "other-pc/1/1";
                    entry.claimedAt = clock + QueueSender::firstWaitMs;
                }
            }
        },
        after, error))
        << error;

    ASSERT_TRUE(server.start());
    clock += QueueSender::firstWaitMs;
    auto second = newSender(token);
    QSignalSpy ended(second.get(), &QueueSender::transferEnded);
    second->wake();
    ASSERT_TRUE(ended.count() > 0 || ended.wait(30000));
    EXPECT_EQ(onDisk(recordings[0]).state, State::Sent);
    EXPECT_EQ(onDisk(recordings[1]).state, State::Waiting);
    EXPECT_EQ(second->sending(), "");

    // The other program went away: its claim goes stale and the recording is sent here.
    clock += QueueSender::claimStaleMs + QueueSender::firstWaitMs;
    second->wake();
    ASSERT_TRUE(ended.wait(30000));
    EXPECT_EQ(onDisk(recordings[1]).state, State::Sent);
    EXPECT_EQ(onDisk(recordings[1]).claimedBy, "");
}

TEST_F(QueueSenderTest, ABrokenQueueFileOrAGarbledAnswerNeverStopsTheSender) {
    const std::string queueFile = files.root + "/" + SendQueue::fileName;
    std::ofstream(queueFile) << "{\"recordings\": [ {\"sha256\": \"" << recordings[0].sha256;
    std::string error;
    EXPECT_TRUE(SendQueue(files.root).read(error).empty());
    EXPECT_NE(error.find(SendQueue::fileName), std::string::npos) << error;
    EXPECT_NE(error.find("not JSON"), std::string::npos) << error;

    // Entries without a proper hash are left out; the rest is kept.
    std::ofstream(queueFile) << "{\"version\": 1, \"recordings\": [{\"sha256\": \"xyz\"}, 7, "
                             << "{\"sha256\": \"" << recordings[0].sha256
                             << "\", \"state\": \"sent\", \"attempts\": -4, \"nextTry\": \"never\"}]}";
    const std::vector<QueueEntry> kept = SendQueue(files.root).read(error);
    ASSERT_EQ(kept.size(), 1U) << error;
    EXPECT_EQ(kept[0].state, State::Sent);
    EXPECT_EQ(kept[0].attempts, 0);
    EXPECT_EQ(kept[0].nextTry, 0);

    // A server that answers no HTTP at all: a network fault, tried again later.
    QTcpServer garbler;
    ASSERT_TRUE(garbler.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&garbler, &QTcpServer::newConnection, [&garbler] {
        QTcpSocket* socket = garbler.nextPendingConnection();
        socket->write("\x16\x03garbage\r\n\r\n");
        socket->disconnectFromHost();
    });
    std::ofstream(queueFile) << "not a queue";
    QueueSender sender;
    sender.setClock([this] { return clock; });
    sender.setLibrary(files.root);
    sender.setLink(ServerLink::withToken("http://127.0.0.1:" + std::to_string(garbler.serverPort()),
                                         token, {}, error));
    sendOne(sender, recordings[1]);
    // The broken file was put aside for a person to look at, not written over.
    EXPECT_EQ(readBytes(queueFile + ".broken"), "not a queue");
    const QueueEntry failed = onDisk(recordings[1]);
    EXPECT_EQ(failed.state, State::Waiting);
    EXPECT_EQ(failed.attempts, 1);
    EXPECT_EQ(failed.cause, "network");
}

}  // namespace
