#include "OffscreenSession.h"

#include <cstdio>

#include <QGuiApplication>

#include "BundledFonts.h"

namespace {

// The program's name, as Qt's argv and its error lines carry it; one application a process.
std::string& programName() {
    static std::string name;
    return name;
}

void dropQtNotes(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "%s: %s\n", programName().c_str(),
                     qPrintable(qFormatLogMessage(type, context, message)));
    }
}

}  // namespace

OffscreenSession::OffscreenSession(const char* name) {
    if (QCoreApplication::instance() != nullptr) {
        return;
    }
    programName() = name;
    // QGuiApplication keeps references to these for its whole life.
    static int argc = 3;
    static char platformOption[] = "-platform";
    static char platform[] = "offscreen";
    static char* argv[] = {programName().data(), platformOption, platform, nullptr};
    argc = 3;
    qInstallMessageHandler(dropQtNotes);
    application = std::make_unique<QGuiApplication>(argc, argv);
    prepareDrawing();
}

OffscreenSession::~OffscreenSession() = default;
