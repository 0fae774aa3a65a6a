// halcyra-screenshots [--redaction] RECORDING OUT.png
// The window as the README shows it: playing RECORDING a second after the event, at the
// recording's own picture size, with the 書き出し menu open; with --redaction, paused near the
// event in the redaction mode with two regions drawn by the mouse, the second one chosen.
// Under the offscreen platform unless QT_QPA_PLATFORM names another, with a stepped playback
// timer and settings of its own, so the picture is the same on every machine and says nothing
// of the user's Halcyra.ini.
#include <cstdio>
#include <string>

#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QWindow>

#include "CMainFrame.h"
#include "ExportCommands.h"
#include "ExportTexts.h"
#include "PlayerWnd.h"
#include "RedactionEditor.h"
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

// A left-button drag as the mouse makes it, in the view's coordinates.
void dragOn(QWidget& view, QPoint from, QPoint to) {
    const auto send = [&view](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(at), QPointF(view.mapToGlobal(at)), Qt::LeftButton,
                          buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &event);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    send(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
    send(QEvent::MouseMove, to, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::NoButton);
}

// Two regions near the event: the car's number plate and lights keyed on two frames and shown
// half-way between them, and a roadside post drawn last, so that its handles show.
void drawRegions(CMainFrame& frame) {
    PlayerWnd& view = *frame.view();
    RedactionEditor& editor = frame.redaction();
    const auto step = [&view](int frames) {
        for (int k = 0; k < frames; ++k) {
            view.onNext();
        }
        for (int k = 0; k > frames; --k) {
            view.onPrev();
        }
    };
    view.onGoToEvent();
    editor.modeAction()->trigger();
    editor.setNewRegionLabel(RedactionLabel::Plate);
    dragOn(view, {250, 228}, {390, 262});
    // Ten frames on the car is nearer: moved and enlarged there, which keys it there.
    step(10);
    dragOn(view, {320, 245}, {296, 255});
    dragOn(view, {366, 272}, {415, 280});
    step(-5);
    // A click on the sky drops the choice, so the next label is the new region's alone.
    dragOn(view, {500, 120}, {500, 120});
    editor.setNewRegionLabel(RedactionLabel::Other);
    dragOn(view, {580, 225}, {616, 350});
}

int fail(const char* what) {
    std::fprintf(stderr, "halcyra-screenshots: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const bool redaction = argc == 4 && std::string(argv[1]) == "--redaction";
    if (argc != 3 && !redaction) {
        std::fprintf(stderr, "usage: halcyra-screenshots [--redaction] RECORDING OUT.png\n");
        return 2;
    }
    const std::string recordingPath = argv[argc - 2];
    const QString outPath = QString::fromLocal8Bit(argv[argc - 1]);
    // The same pixels wherever it runs: no display, no scaling of the desktop.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
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

    if (redaction) {
        drawRegions(frame);
        QCoreApplication::processEvents();
        if (frame.redaction().plan().regions().size() != 2) {
            return fail("the regions were not drawn");
        }
        return frame.grab().save(outPath, "PNG") ? 0 : fail("cannot write the picture");
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
