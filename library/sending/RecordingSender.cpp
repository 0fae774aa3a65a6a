#include "RecordingSender.h"

#include <memory>

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>


namespace {

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

SendResult answered(SendResult::Status status, std::string reason, bool retry, int code) {
    return {status, std::move(reason), retry, code};
}

}  // namespace

RecordingSender::RecordingSender(ServerLink serverLink)
    : link(std::move(serverLink)), network(new QNetworkAccessManager()) {}

RecordingSender::~RecordingSender() {
    delete network;
}

SendResult RecordingSender::send(const std::string& path, const std::string& sha256) {
    SendResult result = sendOnce(path, sha256);
    if (result.httpStatus == 409) {
        // The server found other bytes than were sent: once more, from the start.
        result = sendOnce(path, sha256);
    }
    return result;
}

SendResult RecordingSender::sendOnce(const std::string& path, const std::string& sha256) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return answered(SendResult::Status::Failed,
                        path + ": cannot be read: " + file.errorString().toStdString(), false, 0);
    }
    QNetworkRequest request(link.endpoint(QStringLiteral("api/v1/recordings")));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/octet-stream"));
    request.setHeader(QNetworkRequest::ContentLengthHeader, file.size());
    request.setRawHeader("Authorization", "Bearer " + link.token);
    request.setRawHeader("X-Sha256", QByteArray::fromStdString(sha256));
    request.setRawHeader("X-Filename", QFileInfo(file).fileName().toUtf8());
    request.setTransferTimeout(stallTimeoutMs);
    if (!link.caFile.isEmpty()) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.addCaCertificates(link.caFile, QSsl::Pem);
        request.setSslConfiguration(tls);
    }

    const std::unique_ptr<QNetworkReply> reply(network->post(request, &file));
    QEventLoop wait;
    QObject::connect(reply.get(), &QNetworkReply::finished, &wait, &QEventLoop::quit);
    wait.exec();

    const int code = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body = reply->readAll();
    const std::string said = serverWords(body);
    const std::string status = std::to_string(code) + (said.empty() ? std::string() : " " + said);
    using Status = SendResult::Status;
    switch (code) {
        case 201:
            return answered(Status::Imported, {}, false, code);
        case 200:
            return answered(Status::Present, {}, false, code);
        case 422:
            return answered(Status::Skipped, said, false, code);
        case 0:
            // No answer at all: the name not found, refused, the certificate, a timeout.
            return answered(Status::Failed,
                            link.address.toString().toStdString() + ": " +
                                reply->errorString().toStdString(),
                            true, code);
        case 401:
        case 403:
            return answered(Status::Failed, status + " (the server refuses this device token)",
                            false, code);
        case 409:
        case 413:
            return answered(Status::Failed, status, false, code);
        default:
            // 5xx, 507 (no space there), 429: the server may take it later.
            return answered(Status::Failed, status, code >= 500 || code == 429, code);
    }
}
