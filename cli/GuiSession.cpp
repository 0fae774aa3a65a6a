#include "GuiSession.h"

#include <QGuiApplication>

GuiSession::GuiSession() {
    if (QCoreApplication::instance() != nullptr) {
        return;
    }
    // QGuiApplication keeps references to these for its whole life.
    static int argc = 3;
    static char name[] = "halcyra-cli";
    static char platformOption[] = "-platform";
    static char platform[] = "offscreen";
    static char* argv[] = {name, platformOption, platform, nullptr};
    argc = 3;
    application = std::make_unique<QGuiApplication>(argc, argv);
}

GuiSession::~GuiSession() = default;
