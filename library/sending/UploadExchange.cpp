#include "UploadExchange.h"

#include <array>
#include <utility>

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>

namespace {

const QString recordingsPath = QStringLiteral("api/v1/recordings");

// The server's own words for a refusal: "reason" or "error" of its JSON answer.
std::string serverWords(const QByteArray& body) {
    const QJsonObject answer = QJsonDocument::fromJson(body).object();
    for (const char* key : {"reason", "error"}) {
        const QString text = answer.value(QLatin1String(key)).toString();
        if (!text.isEmpty()) {
            return text.toStdString();
        }
    }
    return {};
}

QNetworkRequest baseRequest(const ServerLink& link) {
    QNetworkRequest request(link.endpoint(recordingsPath));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/octet-stream"));
    request.setRawHeader("Authorization", "Bearer " + link.token);
    request.setTransferTimeout(uploadExchange::stallTimeoutMs);
    if (!link.caFile.isEmpty()) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.addCaCertificates(link.caFile, QSsl::Pem);
        request.setSslConfiguration(tls);
    }
    return request;
}

SendResult answered(SendResult::Status status, std::string reason, bool retry, int code,
                    SendResult::Cause cause) {
    return {status, std::move(reason), retry, code, cause};
}

// No answer came: what kept it away.
SendResult unanswered(const QNetworkReply& reply, const ServerLink& link) {
    using Cause = SendResult::Cause;
    Cause cause = Cause::Network;
    switch (reply.error()) {
        case QNetworkReply::HostNotFoundError: cause = Cause::HostNotFound; break;
        case QNetworkReply::ConnectionRefusedError: cause = Cause::Refused; break;
        case QNetworkReply::TimeoutError:
        case QNetworkReply::OperationCanceledError: cause = Cause::Timeout; break;
        case QNetworkReply::SslHandshakeFailedError:
        case QNetworkReply::InsecureRedirectError: cause = Cause::Certificate; break;
        default: break;
    }
    return answered(SendResult::Status::Failed,
                    link.address.toString().toStdString() + ": " + reply.errorString().toStdString(),
                    true, 0, cause);
}

}  // namespace

const char* causeWord(SendResult::Cause cause) {
    using Cause = SendResult::Cause;
    switch (cause) {
        case Cause::None: return "";
        case Cause::HostNotFound: return "host-not-found";
        case Cause::Refused: return "refused";
        case Cause::Timeout: return "timeout";
        case Cause::Certificate: return "certificate";
        case Cause::Network: return "network";
        case Cause::Token: return "token";
        case Cause::NotRecording: return "not-recording";
        case Cause::TooLarge: return "too-large";
        case Cause::Damaged: return "damaged";
        case Cause::ServerFault: return "server";
        case Cause::Unreadable: return "unreadable";
        case Cause::Other: break;
    }
    return "other";
}

SendResult::Cause causeOfWord(const std::string& word) {
    using Cause = SendResult::Cause;
    static constexpr std::array all = {Cause::None,        Cause::HostNotFound, Cause::Refused,
                                       Cause::Timeout,     Cause::Certificate,  Cause::Network,
                                       Cause::Token,       Cause::NotRecording, Cause::TooLarge,
                                       Cause::Damaged,     Cause::ServerFault,  Cause::Unreadable};
    for (const Cause cause : all) {
        if (word == causeWord(cause)) {
            return cause;
        }
    }
    return Cause::Other;
}

namespace uploadExchange {

QNetworkReply* post(QNetworkAccessManager& network, const ServerLink& link, QIODevice* body,
                    qint64 size, const QString& fileName, const std::string& sha256) {
    QNetworkRequest request = baseRequest(link);
    request.setHeader(QNetworkRequest::ContentLengthHeader, size);
    request.setRawHeader("X-Sha256", QByteArray::fromStdString(sha256));
    request.setRawHeader("X-Filename", fileName.toUtf8());
    return network.post(request, body);
}

SendResult resultOf(QNetworkReply& reply, const ServerLink& link) {
    const int code = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const std::string said = serverWords(reply.readAll());
    const std::string status = std::to_string(code) + (said.empty() ? std::string() : " " + said);
    using Status = SendResult::Status;
    using Cause = SendResult::Cause;
    switch (code) {
        case 201:
            return answered(Status::Imported, {}, false, code, Cause::None);
        case 200:
            return answered(Status::Present, {}, false, code, Cause::None);
        case 422:
            return answered(Status::Skipped, said, false, code, Cause::NotRecording);
        case 0:
            // No answer at all: the name not found, refused, the certificate, a timeout.
            return unanswered(reply, link);
        case 401:
        case 403:
            return answered(Status::Failed, status + " (the server refuses this device token)",
                            false, code, Cause::Token);
        case 409:
            // Other bytes arrived than were sent: the next try may carry them whole.
            return answered(Status::Failed, status, true, code, Cause::Damaged);
        case 413:
            return answered(Status::Failed, status, false, code, Cause::TooLarge);
        default: {
            // 5xx, 507 (no space there), 429: the server may take it later.
            const bool later = code >= 500 || code == 429;
            return answered(Status::Failed, status, later, code, later ? Cause::ServerFault : Cause::Other);
        }
    }
}

QNetworkReply* postCheck(QNetworkAccessManager& network, const ServerLink& link) {
    QNetworkRequest request = baseRequest(link);
    request.setHeader(QNetworkRequest::ContentLengthHeader, 0);
    return network.post(request, QByteArray());
}

SendResult checkResultOf(QNetworkReply& reply, const ServerLink& link) {
    const int code = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (code == 400) {
        reply.readAll();
        return answered(SendResult::Status::Imported, {}, false, code, SendResult::Cause::None);
    }
    SendResult result = resultOf(reply, link);
    if (result.sent() || result.status == SendResult::Status::Skipped) {
        // Nothing was sent, so no other answer belongs to a halcyra-server that took the token.
        result = answered(SendResult::Status::Failed,
                          std::to_string(code) + ": not the answer of halcyra-server", false, code,
                          SendResult::Cause::Other);
    }
    return result;
}

}  // namespace uploadExchange
