#include "ProgramFolder.h"

#include <QCoreApplication>

#include "FileOps.h"

std::string programFolder() {
    // The command-line tool's commands that draw nothing run without an application object;
    // Qt would only warn then, so the system names the executable's folder.
    std::string folder = QCoreApplication::instance() != nullptr
                             ? QCoreApplication::applicationDirPath().toStdString()
                             : fileOps::executableFolder();
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    return folder;
}
