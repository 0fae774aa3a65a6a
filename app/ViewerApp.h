#pragma once

#include <memory>
#include <string>

#include <QApplication>
#include <QTranslator>

#include "QtMultimediaTimer.h"
#include "QtPrompts.h"

class CMainFrame;

// The application object: the title "Halcyra" for message boxes, the real dialogs and the
// playback timer, Japanese for Qt's own dialogs and for dates whatever the system's locale,
// and the one frame window.
class ViewerApp : public QApplication {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ViewerApp)

public:
    ViewerApp(int& argc, char** argv);
    ~ViewerApp() override;

    // Creates the frame, which opens `commandLine` when it holds a path, and shows it. False
    // ends the program without a window.
    bool initInstance(const std::string& commandLine);

    CMainFrame* mainFrame() const { return frame.get(); }

    // The arguments after the program's name joined by single spaces, as the raw command line
    // that the view opens unchanged. Taken before Qt removes the options it knows.
    static std::string rawCommandLine(int argc, const char* const* argv);
    // One value of the program's version information, or empty.
    static QString versionString(const QString& key);
    // Loads Qt's own Japanese texts (the file dialog, the message-box buttons) from Qt's
    // translations folder into `translator`; false when they are not installed.
    static bool loadQtTranslations(QTranslator& translator);
    // Makes dates, times and numbers follow the Japanese conventions, as the interface does.
    static void useJapaneseConventions();
    // The same for what Qt formats with the system's locale (the file dialog's dates). Call
    // before the application object exists: Qt reads LC_TIME once.
    static void useJapaneseSystemDates();

private:
    QTranslator qtTranslator;
    QtPrompts prompts;
    QtMultimediaTimer playbackTimer;
    std::unique_ptr<CMainFrame> frame;
};
