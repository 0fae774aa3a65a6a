// halcyra-screenshots RECORDING OUT.png
// The window as the README shows it: playing RECORDING a second after the event, at the
// recording's own picture size, with the 書き出し menu open. Under the offscreen platform,
// with a stepped playback timer and settings of its own, so the picture is the same on every
// machine and says nothing of the user's Halcyra.ini.
#include <cstdio>
#include <string>

#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QWindow>

#include "CMainFrame.h"
#include "ExportCommands.h"
#include "ExportTexts.h"
#include "PlayerWnd.h"
#include "SteppedTimer.h"
#include "ViewerApp.h"
#include "WindowShot.h"

namespace {

// The readout's frame: one second after the event (frame number 451), in thirtieths of a
// second. While playing, the cursor stands on the frame decoded ahead, one past the shown one.
constexpr std::int32_t shownNumber = 481;
constexpr qint64 waitLimitMs = 5000;

template <typename Done>
bool processEventsUntil(Done done) {
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > waitLimitMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    // Whatever the change posted (a repaint, a layout) is done too.
    QCoreApplication::processEvents();
    return true;
}

QMenu* exportMenu(QMenuBar& bar) {
    for (QAction* action : bar.actions()) {
        if (action->menu() != nullptr && action->text() == exportTexts::menu) {
            return action->menu();
        }
    }
    return nullptr;
}

int fail(const char* what) {
    std::fprintf(stderr, "halcyra-screenshots: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: halcyra-screenshots RECORDING OUT.png\n");
        return 2;
    }
    const std::string recordingPath = argv[1];
    const QString outPath = QString::fromLocal8Bit(argv[2]);
    // The same pixels wherever it runs: no display, no scaling of the desktop.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qunsetenv("QT_SCALE_FACTOR");
    ViewerApp::useJapaneseSystemDates();
    int appArgc = 1;
    ViewerApp app(appArgc, argv);
    SteppedTimer timer;

    QTemporaryDir settings;
    if (!settings.isValid()) {
        return fail("cannot make a temporary folder");
    }
    const std::string iniPath =
        QFile::encodeName(settings.filePath(QStringLiteral("Halcyra.ini"))).toStdString();

    CMainFrame frame(recordingPath);
    PlayerWnd& view = *frame.view();
    view.useViewOptions(iniPath);
    frame.exports().useSettings(iniPath);
    const Recording& recording = view.loadedRecording();
    if (recording.frameCount() == 0) {
        return fail("the recording does not load");
    }

    // The picture at its recorded size, unscaled.
    const QSize picture(recording.bitmapWidth(), recording.bitmapHeight());
    const QSize extra = frame.size() - view.size();
    frame.resize(QSize(picture.width(), picture.height() + PlayerWnd::panelHeight) + extra);
    frame.show();
    if (!processEventsUntil([&] { return frame.windowHandle()->isExposed(); })) {
        return fail("the window is not shown");
    }

    view.onPlay();
    while (recording.currentNumber() <= shownNumber && timer.step()) {
    }
    if (!recording.isPlaying()) {
        return fail("playback ended before the moment to show");
    }

    QMenu* menu = exportMenu(*frame.menuBar());
    if (menu == nullptr) {
        return fail("the window has no export menu");
    }
    frame.menuBar()->setActiveAction(menu->menuAction());
    if (!processEventsUntil([&] { return menu->isVisible(); })) {
        return fail("the export menu does not open");
    }

    if (!windowShot::withPopup(frame, *menu).save(outPath, "PNG")) {
        return fail("cannot write the picture");
    }
    menu->close();
    view.onStop();
    return 0;
}
