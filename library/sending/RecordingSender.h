#pragma once

#include <string>

#include "SendResult.h"
#include "ServerLink.h"

class QNetworkAccessManager;

// Sends recordings to halcyra-server, one at a time: the file's bytes with the SHA-256 the
// sender already knows, which the server checks, so a copy damaged on the way is refused and
// sent once more. Waits for each answer in a local event loop; needs a QCoreApplication.
// The window's QueueSender makes the same exchange without waiting (uploadExchange).
class RecordingSender {
public:
    explicit RecordingSender(ServerLink link);
    ~RecordingSender();
    RecordingSender(const RecordingSender&) = delete;
    RecordingSender& operator=(const RecordingSender&) = delete;

    SendResult send(const std::string& path, const std::string& sha256);

private:
    SendResult sendOnce(const std::string& path, const std::string& sha256);

    ServerLink link;
    QNetworkAccessManager* network;
};
