#pragma once

#include <string>

#include "ServerLink.h"

class QNetworkAccessManager;

// What became of one recording sent to the server.
struct SendResult {
    enum class Status {
        Imported,  // the server took it in now
        Present,   // the server held it already
        Skipped,   // the server says it is no recording
        Failed,    // not sent; `retry` tells whether trying again later may help
    };
    Status status = Status::Failed;
    std::string reason;
    // A network or server fault (refused, unreachable, no space there) rather than a refusal
    // of this recording or of the device token.
    bool retry = false;
    // The server's answer code; 0 when no answer came.
    int httpStatus = 0;
};

// Sends recordings to halcyra-server, one at a time: the file's bytes with the SHA-256 the
// sender already knows, which the server checks, so a copy damaged on the way is refused and
// sent once more. Waits for each answer in a local event loop; needs a QCoreApplication.
class RecordingSender {
public:
    explicit RecordingSender(ServerLink link);
    ~RecordingSender();
    RecordingSender(const RecordingSender&) = delete;
    RecordingSender& operator=(const RecordingSender&) = delete;

    SendResult send(const std::string& path, const std::string& sha256);

    // No byte moving for this long drops the transfer as failed.
    static constexpr int stallTimeoutMs = 60000;

private:
    SendResult sendOnce(const std::string& path, const std::string& sha256);

    ServerLink link;
    QNetworkAccessManager* network;
};
