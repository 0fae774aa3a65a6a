#include "UserLocations.h"

#include <utility>

#include <QtGlobal>
#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "PathText.h"
#include "ProgramFolder.h"
#include "RemovableVolume.h"

namespace {

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

QString canonical(const std::string& folder) {
    return QFileInfo(pathText::toQt(folder)).canonicalFilePath();
}

#ifdef Q_OS_WIN
// Windows has no mount folder per user: cards appear as drives of their own.
std::string loginName() { return {}; }

std::vector<std::string> removableDrives() {
    std::vector<std::string> drives;
    const DWORD present = GetLogicalDrives();
    for (int letter = 0; letter < 26; ++letter) {
        const std::string root = std::string(1, static_cast<char>('A' + letter)) + ":/";
        if ((present & (DWORD{1} << letter)) != 0 && removableVolume::isRemovable(root)) {
            drives.push_back(root);
        }
    }
    return drives;
}

// Anything under the folders programs are installed into is not the user's, even where an
// administrator (or Wine's user) could write it.
bool isSystemProgramFolder(const QString& path) {
    for (const char* name : {"ProgramFiles", "ProgramW6432", "ProgramFiles(x86)"}) {
        const QString folder = QFileInfo(qEnvironmentVariable(name)).canonicalFilePath();
        if (!folder.isEmpty() && (path.compare(folder, Qt::CaseInsensitive) == 0 ||
                                  path.startsWith(folder + '/', Qt::CaseInsensitive))) {
            return true;
        }
    }
    return false;
}

// Without a card the dialogs start beside the program, as they always did on Windows.
std::string folderWithoutCard(const std::string& programFolder) { return programFolder; }

QString userConfigFolder() {
    // %APPDATA%\Halcyra: the roaming profile, which follows the user between PCs.
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}
#else
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

std::vector<std::string> removableDrives() { return {}; }

bool isSystemProgramFolder(const QString& path) {
    for (const char* system : {"/usr/bin", "/usr/local/bin", "/bin", HALCYRA_INSTALL_BINDIR}) {
        if (path == canonical(system)) {
            return true;
        }
    }
    return false;
}

std::string folderWithoutCard(const std::string& /*programFolder*/) {
    return withSlash(pathText::fromQt(QDir::homePath()));
}

QString userConfigFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
}
#endif

bool isOwnFolder(const std::string& folder) {
    const QString path = canonical(folder);
    if (path.isEmpty() || !QFileInfo(path).isWritable()) {
        return false;
    }
    // Root or an administrator can write the system's program folders too; they still hold
    // no one's settings.
    return !isSystemProgramFolder(path);
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
    facts.configFolder = withSlash(pathText::fromQt(userConfigFolder()));
    facts.homeFolder = folderWithoutCard(facts.programFolder);
    facts.userName = loginName();
    facts.removableDrives = removableDrives();
    facts.folderExists = [](const std::string& folder) {
        return QFileInfo(pathText::toQt(folder)).isDir();
    };
    return UserLocations(std::move(facts));
}

std::string UserLocations::settingsFolder() const {
    if (facts_.programFolderIsOwn) {
        return facts_.programFolder;
    }
    // The first save must not fail for want of the folder.
    QDir().mkpath(pathText::toQt(facts_.configFolder));
    return facts_.configFolder;
}

std::string UserLocations::privateFolder() const {
    QDir().mkpath(pathText::toQt(facts_.configFolder));
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
    if (!facts_.folderExists) {
        return {};
    }
    for (const std::string& drive : facts_.removableDrives) {
        if (facts_.folderExists(drive)) {
            return drive;
        }
    }
    if (facts_.userName.empty()) {
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
