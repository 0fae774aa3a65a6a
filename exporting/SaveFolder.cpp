#include "SaveFolder.h"

#include <utility>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr const char* section = "Export";
constexpr const char* folderKey = "LastFolder";
// Room for the longest path the system takes.
constexpr std::size_t valueBufferSize = 4097;

bool isFolder(const std::string& path) {
    return !path.empty() && QFileInfo(QFile::decodeName(path.c_str())).isDir();
}

}  // namespace

SaveFolder::SaveFolder(std::string iniPath) : file(ProfileFile(std::move(iniPath))) {}

std::string SaveFolder::start() const {
    std::string folder = last;
    if (folder.empty() && file) {
        folder = file->readString(section, folderKey, "", valueBufferSize);
    }
    // A folder removed since, or a card taken out, is no place to start.
    if (isFolder(folder) && QFileInfo(QFile::decodeName(folder.c_str())).isAbsolute()) {
        return folder.back() == '/' ? folder : folder + '/';
    }
    return QFile::encodeName(QDir::homePath()).toStdString() + '/';
}

void SaveFolder::remember(const std::string& writtenPath) {
    // A package folder may come with a trailing "/"; its parent is still the folder meant.
    const QFileInfo written(QDir::cleanPath(QFile::decodeName(writtenPath.c_str())));
    QString folder = written.absolutePath();
    if (!folder.endsWith(u'/')) {
        folder += u'/';
    }
    last = QFile::encodeName(folder).toStdString();
    // A folder that cannot be kept (the file unwritable, a line break in its name) is still
    // used for this run; the path is absolute and ends in "/", so no blank at either end is lost.
    if (file) {
        static_cast<void>(file->writeString(section, folderKey, last));
    }
}
