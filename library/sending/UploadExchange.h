#pragma once

#include <string>

#include <QString>

#include "SendResult.h"
#include "ServerLink.h"

class QIODevice;
class QNetworkAccessManager;
class QNetworkReply;

// One exchange with halcyra-server, shared by the waiting sender of halcyra-cli and the
// window's background sender: how a request is made and what its answer means. The caller
// owns the reply and decides whether to wait for it in a local loop or to be called back.
namespace uploadExchange {

// No byte moving for this long drops the transfer as failed.
constexpr int stallTimeoutMs = 60000;

// Posts `body` (open for reading, `size` bytes) as the recording `fileName` with its SHA-256.
// `body` must outlive the reply.
QNetworkReply* post(QNetworkAccessManager& network, const ServerLink& link, QIODevice* body,
                    qint64 size, const QString& fileName, const std::string& sha256);
// What the finished `reply` of post() says.
SendResult resultOf(QNetworkReply& reply, const ServerLink& link);

// An upload without a hash: the server checks the device token before anything else, so a
// known token is answered 400 (the missing hash) and an unknown one 401. Nothing is stored.
QNetworkReply* postCheck(QNetworkAccessManager& network, const ServerLink& link);
// Status Imported when the server took the token; Failed with the cause otherwise.
SendResult checkResultOf(QNetworkReply& reply, const ServerLink& link);

}  // namespace uploadExchange
