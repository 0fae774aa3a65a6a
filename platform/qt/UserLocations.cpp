#include "UserLocations.h"

#include <pwd.h>
#include <unistd.h>

#include <utility>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "ProgramFolder.h"

namespace {

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString canonical(const std::string& folder) {
    return QFileInfo(QFile::decodeName(folder.c_str())).canonicalFilePath();
}

std::string loginName() {
    // getpwuid_r rather than $USER: a program started from a desktop entry or a service may not
    // have it set.
    passwd entry{};
    passwd* found = nullptr;
    std::string buffer(16384, '\0');
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_name != nullptr) {
        return found->pw_name;
    }
    return qEnvironmentVariable("USER").toStdString();
}

bool isOwnFolder(const std::string& folder) {
    const QString path = canonical(folder);
    if (path.isEmpty() || !QFileInfo(path).isWritable()) {
        return false;
    }
    // Root can write the system's program folders too; they still hold no one's settings.
    for (const char* system : {"/usr/bin", "/usr/local/bin", "/bin", HALCYRA_INSTALL_BINDIR}) {
        if (path == canonical(system)) {
            return false;
        }
    }
    return true;
}

}  // namespace

UserLocations::UserLocations(Facts facts) : facts_(std::move(facts)) {}

UserLocations UserLocations::current() {
    return forProgramFolder(programFolder());
}

UserLocations UserLocations::forProgramFolder(const std::string& programFolder) {
    Facts facts;
    facts.programFolder = withSlash(programFolder);
    facts.programFolderIsOwn = isOwnFolder(facts.programFolder);
    facts.configFolder = withSlash(
        localPath(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)));
    facts.homeFolder = withSlash(localPath(QDir::homePath()));
    facts.userName = loginName();
    facts.folderExists = [](const std::string& folder) {
        return QFileInfo(QFile::decodeName(folder.c_str())).isDir();
    };
    return UserLocations(std::move(facts));
}

std::string UserLocations::settingsFolder() const {
    if (facts_.programFolderIsOwn) {
        return facts_.programFolder;
    }
    // The first save must not fail for want of the folder.
    QDir().mkpath(QFile::decodeName(facts_.configFolder.c_str()));
    return facts_.configFolder;
}

std::string UserLocations::startFolder(const std::string& requested) const {
    if (facts_.programFolderIsOwn || withSlash(requested) != facts_.programFolder) {
        return requested;
    }
    const std::string card = cardFolder();
    return card.empty() ? facts_.homeFolder : card;
}

std::string UserLocations::cardFolder() const {
    if (facts_.userName.empty() || !facts_.folderExists) {
        return {};
    }
    for (const char* mounts : {"/media/", "/run/media/"}) {
        std::string folder = mounts + facts_.userName + '/';
        if (facts_.folderExists(folder)) {
            return folder;
        }
    }
    return {};
}
