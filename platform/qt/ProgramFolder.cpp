#include "ProgramFolder.h"

#include <QCoreApplication>

std::string programFolder() {
    std::string folder = QCoreApplication::applicationDirPath().toStdString();
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    return folder;
}
