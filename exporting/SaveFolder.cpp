#include "SaveFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

std::string SaveFolder::start() const {
    if (!last.empty()) {
        return last;
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
}
