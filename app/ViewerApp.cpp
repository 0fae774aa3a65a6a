#include "ViewerApp.h"

#include "AppTexts.h"
#include "CMainFrame.h"
#include "MultimediaTimer.h"
#include "Prompts.h"
#include "VersionInfo.h"

ViewerApp::ViewerApp(int& argc, char** argv)
    : QApplication(argc, argv), prompts(appTexts::applicationTitle) {
    setApplicationName(appTexts::applicationTitle);
    Prompts::install(&prompts);
    MultimediaTimer::install(&playbackTimer);
}

ViewerApp::~ViewerApp() {
    // The frame stops its playback while the timer and the prompts are still installed.
    frame.reset();
    MultimediaTimer::install(nullptr);
    Prompts::install(nullptr);
}

bool ViewerApp::initInstance(const std::string& commandLine) {
    frame = std::make_unique<CMainFrame>(commandLine);
    frame->show();
    return true;
}

std::string ViewerApp::rawCommandLine(int argc, const char* const* argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            text += ' ';
        }
        text += argv[i];
    }
    return text;
}

QString ViewerApp::versionString(const QString& key) {
    return VersionInfo::programString(key);
}
