#include "ViewerApp.h"

#include <clocale>

#include <QLibraryInfo>
#include <QLocale>

#include "AppTexts.h"
#include "BundledFonts.h"
#include "CMainFrame.h"
#include "MultimediaTimer.h"
#include "Prompts.h"
#include "VersionInfo.h"

ViewerApp::ViewerApp(int& argc, char** argv)
    : QApplication(argc, argv), prompts(appTexts::applicationTitle) {
    setApplicationName(appTexts::applicationTitle);
    prepareDrawing();
    useJapaneseConventions();
    // Without them the standard dialogs stay in English; everything else still works.
    if (loadQtTranslations(qtTranslator)) {
        installTranslator(&qtTranslator);
    }
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

bool ViewerApp::loadQtTranslations(QTranslator& translator) {
    return translator.load(QStringLiteral("qtbase_ja"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

void ViewerApp::useJapaneseConventions() {
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
}

void ViewerApp::useJapaneseSystemDates() {
    // The C library takes the user's own locale first; its later attempt with a Japanese
    // LC_TIME that may not be installed then fails and changes nothing.
    std::setlocale(LC_ALL, "");
    // LC_ALL would hide LC_TIME from Qt; LANG keeps what it stood for.
    const QByteArray all = qgetenv("LC_ALL");
    if (!all.isEmpty()) {
        qputenv("LANG", all);
        qunsetenv("LC_ALL");
    }
    qputenv("LC_TIME", "ja_JP.UTF-8");
}
