#include "RecordingSender.h"

#include <memory>

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include "UploadExchange.h"

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
        // The same refusal twice: the file itself differs from the hash it goes with.
        result.retry = result.retry && result.httpStatus != 409;
    }
    return result;
}

SendResult RecordingSender::sendOnce(const std::string& path, const std::string& sha256) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return {SendResult::Status::Failed,
                path + ": cannot be read: " + file.errorString().toStdString(), false, 0,
                SendResult::Cause::Unreadable};
    }
    const std::unique_ptr<QNetworkReply> reply(uploadExchange::post(
        *network, link, &file, file.size(), QFileInfo(file).fileName(), sha256));
    QEventLoop wait;
    QObject::connect(reply.get(), &QNetworkReply::finished, &wait, &QEventLoop::quit);
    wait.exec();
    return uploadExchange::resultOf(*reply, link);
}
