#pragma once

#include <optional>
#include <string>

#include <QByteArray>
#include <QString>
#include <QUrl>

// Where recordings are sent: the server's address, the device token an admin made there for
// this depot, and a certificate authority of the fleet's own (a PEM file) when its server's
// certificate is not signed by one the system trusts.
struct ServerLink {
    QUrl address;
    QByteArray token;
    QString caFile;

    // The link from what a user gives: an http:// or https:// address with a host, and the
    // file that holds the token. Nothing, with `error` saying what is wrong, otherwise.
    static std::optional<ServerLink> from(const std::string& address, const std::string& tokenFile,
                                          const std::string& caFile, std::string& error);
    // The same from the token itself (as typed into the window's dialog).
    static std::optional<ServerLink> withToken(const std::string& address, const std::string& token,
                                               const std::string& caFile, std::string& error);

    // The address of one of the server's API paths ("api/v1/recordings"), below the server's
    // own path when it is served under one.
    QUrl endpoint(const QString& path) const;
};
