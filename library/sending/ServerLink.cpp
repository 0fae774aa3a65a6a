#include "ServerLink.h"

#include <algorithm>

#include <QSslCertificate>

#include "FileOps.h"

namespace {

// A token is printed once by the server; its file may end in a line break or blanks.
constexpr std::size_t tokenFileLimit = 4096;
constexpr const char* tokenMark = "token: ";

bool isTokenCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == '~' || c == '+' || c == '/' || c == '=';
}

}  // namespace

std::optional<ServerLink> ServerLink::from(const std::string& address, const std::string& tokenFile,
                                           const std::string& caFile, std::string& error) {
    const fileOps::FileContents contents = fileOps::readSmallFile(tokenFile, tokenFileLimit);
    if (contents.error) {
        // The address is judged first: its mistake is the likelier one.
        if (withToken(address, "token", caFile, error)) {
            error = tokenFile + ": cannot be read: " + contents.error.message();
        }
        return std::nullopt;
    }
    std::optional<ServerLink> link = withToken(address, contents.bytes, caFile, error);
    if (!link && error.starts_with(tokenMark)) {
        error = tokenFile + ": holds no device token (the one line the server printed)";
    }
    return link;
}

std::optional<ServerLink> ServerLink::withToken(const std::string& address, const std::string& tokenText,
                                                const std::string& caFile, std::string& error) {
    ServerLink link;
    link.address = QUrl(QString::fromStdString(address), QUrl::StrictMode);
    const QString scheme = link.address.scheme();
    if (!link.address.isValid() || (scheme != QStringLiteral("http") && scheme != QStringLiteral("https")) ||
        link.address.host().isEmpty() || link.address.hasQuery() || link.address.hasFragment()) {
        error = address + ": is not a server address (http://HOST[:PORT] or https://HOST[:PORT])";
        return std::nullopt;
    }
    const QByteArray token = QByteArray::fromStdString(tokenText).trimmed();
    if (token.isEmpty() || !std::all_of(token.begin(), token.end(), isTokenCharacter)) {
        error = std::string(tokenMark) + "no device token (the one line the server printed)";
        return std::nullopt;
    }
    link.token = token;
    if (!caFile.empty()) {
        link.caFile = QString::fromStdString(caFile);
        if (QSslCertificate::fromPath(link.caFile, QSsl::Pem).isEmpty()) {
            error = caFile + ": holds no PEM certificate";
            return std::nullopt;
        }
    }
    return link;
}

QUrl ServerLink::endpoint(const QString& path) const {
    QUrl base = address;
    if (!base.path().endsWith(QLatin1Char('/'))) {
        base.setPath(base.path() + QLatin1Char('/'));
    }
    return base.resolved(QUrl(path));
}
