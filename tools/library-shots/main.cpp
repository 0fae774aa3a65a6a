// halcyra-library-shots LIBRARY OUT_DIR
// Starts the window with LIBRARY as its library and waits for a mounted card to be offered;
// then writes OUT_DIR/offer.png (the window with the offer), progress.png (the import under
// way) and library.png (the library's window, pictures filled in). Messages are printed, not
// shown, so nothing waits for a person.
#include <cstdio>
#include <iostream>
#include <string>

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QWindow>

#include "CMainFrame.h"
#include "CardWatcher.h"
#include "ExportCommands.h"
#include "ImportRunner.h"
#include "LibraryCommands.h"
#include "LibraryFolder.h"
#include "LibraryWindow.h"
#include "OfferBar.h"
#include "PlayerWnd.h"
#include "Prompts.h"
#include "ThumbnailLoader.h"
#include "ViewerApp.h"

namespace {

class PrintedPrompts final : public Prompts {
public:
    Answer message(const std::string& text, Buttons, Icon) override {
        std::cout << "message: " << text << "\n";
        return Answer::Ok;
    }
    std::optional<std::string> chooseOpenFile(const OpenFileRequest&) override { return {}; }
    std::optional<std::string> chooseFolder(const std::string&, const std::string&) override {
        return {};
    }
};

template <typename Done>
bool waitFor(Done done, qint64 limitMs) {
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > limitMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    QCoreApplication::processEvents();
    return true;
}

bool shoot(const QString& path) {
    QCoreApplication::processEvents();
    return QGuiApplication::primaryScreen()->grabWindow(0).save(path, "PNG");
}

int fail(const char* what) {
    std::fprintf(stderr, "halcyra-library-shots: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: halcyra-library-shots LIBRARY OUT_DIR\n");
        return 2;
    }
    ViewerApp::useJapaneseSystemDates();
    int appArgc = 1;
    ViewerApp app(appArgc, argv);
    PrintedPrompts prompts;
    Prompts::install(&prompts);
    const QString out = QString::fromLocal8Bit(argv[2]);

    QTemporaryDir settings;
    const std::string iniPath =
        QFile::encodeName(settings.filePath(QStringLiteral("Halcyra.ini"))).toStdString();
    if (!settings.isValid() || !LibraryFolder(iniPath).save(argv[1])) {
        return fail("cannot keep the settings");
    }

    CMainFrame frame;
    frame.exports().useSettings(iniPath);
    LibraryCommands& library = frame.library();
    library.useSettings(iniPath);
    frame.move(40, 40);
    frame.resize(800, 600);
    frame.show();
    if (!waitFor([&] { return frame.windowHandle()->isExposed(); }, 5000)) {
        return fail("the window is not shown");
    }
    library.cardWatcher().poll();
    if (!waitFor([&] { return library.offerBar()->isVisible(); }, 20000)) {
        return fail("no card was offered");
    }
    std::cout << "offer: " << library.offerBar()->text()->text().toStdString() << "\n";
    if (!shoot(out + QStringLiteral("/offer.png"))) {
        return fail("cannot write the picture");
    }

    library.offerBar()->importButton()->click();
    QProgressDialog* progress = library.importRunner().progressDialog();
    if (progress == nullptr) {
        return fail("the import did not start");
    }
    progress->move(frame.geometry().center() - QPoint(progress->width() / 2, 0));
    waitFor([&] { return progress->value() > progress->maximum() / 4; }, 20000);
    if (library.importRunner().isBusy()) {
        shoot(out + QStringLiteral("/progress.png"));
    } else {
        std::cout << "the import ended before its progress could be taken\n";
    }
    if (!waitFor([&] { return !library.importRunner().isBusy(); }, 120000)) {
        return fail("the import does not end");
    }

    library.onOpenLibrary();
    LibraryWindow* window = library.libraryWindow();
    window->move(140, 120);
    if (!waitFor([&] { return window->isVisible() && !window->thumbnails()->isBusy(); }, 60000)) {
        return fail("the pictures are not made");
    }
    if (!shoot(out + QStringLiteral("/library.png"))) {
        return fail("cannot write the picture");
    }
    Prompts::install(nullptr);
    return 0;
}
