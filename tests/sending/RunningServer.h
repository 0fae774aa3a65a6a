#pragma once

#include <string>

#include <QProcess>
#include <QStringList>

// halcyra-server serving a temporary library on a free local port, started and stopped by
// the test; its commands run on the same library.
class RunningServer {
public:
    explicit RunningServer(std::string library);
    ~RunningServer();
    RunningServer(const RunningServer&) = delete;
    RunningServer& operator=(const RunningServer&) = delete;

    // A command of the server on the library; its standard output.
    std::string command(QStringList words);
    // A new device token of a depot.
    std::string newToken(const std::string& name);
    // Serving once its health answers; HTTPS only with a certificate and its key.
    bool start();
    bool startTls(const std::string& certificate, const std::string& key);
    void stop();

    const std::string& address() const { return url; }
    const std::string& tlsAddress() const { return tlsUrl; }
    const std::string& library() const { return root; }

private:
    std::string root;
    quint16 port = 0;
    std::string url;
    std::string tlsUrl;
    QProcess process;
};
