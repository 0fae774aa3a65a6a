#include "RunningServer.h"

#include <memory>

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpServer>
#include <QThread>

#include <gtest/gtest.h>

RunningServer::RunningServer(std::string library) : root(std::move(library)) {
    QTcpServer probe;
    if (probe.listen(QHostAddress::LocalHost, 0)) {
        port = probe.serverPort();
    }
    url = "http://127.0.0.1:" + std::to_string(port);
    tlsUrl = "https://127.0.0.1:" + std::to_string(port);
}

RunningServer::~RunningServer() {
    stop();
}

std::string RunningServer::command(QStringList words) {
    QProcess run;
    words << QStringLiteral("--library") << QString::fromStdString(root);
    run.start(QStringLiteral(HALCYRA_SERVER_PATH), words);
    EXPECT_TRUE(run.waitForFinished(30000));
    EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
    return run.readAllStandardOutput().toStdString();
}

std::string RunningServer::newToken(const std::string& name) {
    std::string token = command({QStringLiteral("token"), QStringLiteral("add"), QString::fromStdString(name),
                                 QStringLiteral("--depot"), QStringLiteral("east")});
    while (!token.empty() && (token.back() == '\n' || token.back() == '\r')) {
        token.pop_back();
    }
    return token;
}

bool RunningServer::start() {
    return startTls({}, {});
}

bool RunningServer::startTls(const std::string& certificate, const std::string& key) {
    QStringList words{QStringLiteral("serve"), QStringLiteral("--library"), QString::fromStdString(root),
                      QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(port)};
    const bool tls = !certificate.empty();
    if (tls) {
        words << QStringLiteral("--tls-cert") << QString::fromStdString(certificate)
              << QStringLiteral("--tls-key") << QString::fromStdString(key);
    }
    process.start(QStringLiteral(HALCYRA_SERVER_PATH), words);
    if (!process.waitForStarted(10000)) {
        return false;
    }
    QNetworkAccessManager network;
    for (int attempt = 0; attempt < 200; ++attempt) {
        const std::unique_ptr<QNetworkReply> reply(network.get(
            QNetworkRequest(QUrl(QString::fromStdString((tls ? tlsUrl : url) + "/api/v1/health")))));
        // The test's own certificate is trusted only where a test says so.
        QObject::connect(reply.get(), &QNetworkReply::sslErrors, reply.get(),
                         [r = reply.get()] { r->ignoreSslErrors(); });
        QEventLoop wait;
        QObject::connect(reply.get(), &QNetworkReply::finished, &wait, &QEventLoop::quit);
        wait.exec();
        if (reply->error() == QNetworkReply::NoError) {
            return true;
        }
        QThread::msleep(50);
    }
    return false;
}

void RunningServer::stop() {
    if (process.state() != QProcess::NotRunning) {
        process.terminate();
        process.waitForFinished(10000);
    }
}
