#include "DrawingSession.h"

#include <cstdio>

#include <QGuiApplication>

#include "BundledFonts.h"

namespace {

// Qt's notes about its surroundings (no XDG_RUNTIME_DIR, say) are not the server's log.
void dropQtNotes(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "halcyra-server: %s\n", qPrintable(qFormatLogMessage(type, context, message)));
    }
}

}  // namespace

DrawingSession::DrawingSession() {
    if (QCoreApplication::instance() != nullptr) {
        return;
    }
    // QGuiApplication keeps references to these for its whole life.
    static int argc = 3;
    static char name[] = "halcyra-server";
    static char platformOption[] = "-platform";
    static char platform[] = "offscreen";
    static char* argv[] = {name, platformOption, platform, nullptr};
    argc = 3;
    qInstallMessageHandler(dropQtNotes);
    application = std::make_unique<QGuiApplication>(argc, argv);
    addBundledFonts();
}

DrawingSession::~DrawingSession() = default;
