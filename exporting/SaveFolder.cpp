#include "SaveFolder.h"
#include "PathText.h"

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
    return !path.empty() && QFileInfo(pathText::toQt(path)).isDir();
}

}  // namespace

SaveFolder::SaveFolder(std::string iniPath) : file(ProfileFile(std::move(iniPath))) {}

std::string SaveFolder::start() const {
    std::string folder = last;
    if (folder.empty() && file) {
        folder = file->readString(section, folderKey, "", valueBufferSize);
    }
    // A folder removed since, or a card taken out, is no place to start.
    if (isFolder(folder) && QFileInfo(pathText::toQt(folder)).isAbsolute()) {
        return folder.back() == '/' ? folder : folder + '/';
    }
    return pathText::fromQt(QDir::homePath()) + '/';
}

void SaveFolder::remember(const std::string& writtenPath) {
    // A package folder may come with a trailing "/"; its parent is still the folder meant.
    const QFileInfo written(QDir::cleanPath(pathText::toQt(writtenPath)));
    QString folder = written.absolutePath();
    if (!folder.endsWith(u'/')) {
        folder += u'/';
    }
    last = pathText::fromQt(folder);
    // A folder that cannot be kept (the file unwritable, a line break in its name) is still
    // used for this run; the path is absolute and ends in "/", so no blank at either end is lost.
    if (file) {
        static_cast<void>(file->writeString(section, folderKey, last));
    }
}
