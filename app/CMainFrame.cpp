#include "CMainFrame.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>

#include "AppTexts.h"
#include "ExportCommands.h"
#include "KeyOverview.h"
#include "KeyTable.h"
#include "LibraryCommands.h"
#include "PlayerTexts.h"
#include "PlayerWnd.h"
#include "RedactionEditor.h"
#include "ResourcePaths.h"

CMainFrame::CMainFrame(const std::string& commandLine, QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(playerTexts::frameTitle);
    setWindowIcon(QIcon(resourcePaths::appIcon));
    createMenu();

    playerWnd = new PlayerWnd(this);
    setCentralWidget(playerWnd);
    exportCommands = std::make_unique<ExportCommands>(playerWnd->loadedRecording(), this);
    redactionEditor = new RedactionEditor(*playerWnd, exportCommands->saveFolder(), this);
    exportCommands->addMenuTo(*menuBar(), redactionEditor->menuActions());
    playerWnd->addContextActions(exportCommands->actions());
    playerWnd->addContextActions(redactionEditor->contextActions());
    libraryCommands = std::make_unique<LibraryCommands>(
        this, playerWnd, [this](const std::string& path) { playerWnd->openChosen(path); });
    libraryCommands->addMenuTo(*menuBar());
    libraryCommands->setBusyElsewhere([this] { return exportCommands->runner().isBusy(); });
    playerWnd->addContextActions(libraryCommands->actions());
    createHelpMenu();
    connect(playerWnd, &PlayerWnd::recordingOpened, exportCommands.get(),
            &ExportCommands::setRecording);
    connect(playerWnd, &PlayerWnd::recordingOpened, redactionEditor,
            &RedactionEditor::setRecording);
    // The exports take the regions as they are after each change, as they take the clock.
    connect(redactionEditor, &RedactionEditor::planChanged, this,
            [this] { exportCommands->setRedaction(redactionEditor->plan()); });
    // The export reads the view's recording, so no other file is loaded until it ends.
    connect(&exportCommands->runner(), &ExportRunner::busyChanged, playerWnd,
            &PlayerWnd::holdOpens);
    playerWnd->openCommandLine(commandLine);

    minWidth = PlayerWnd::minWidth;
    minHeight = PlayerWnd::panelHeight + PlayerWnd::minImageHeight;
    // The frame's own layout then keeps the whole window from going below this.
    playerWnd->setMinimumSize(minWidth, minHeight);
    sizeToView();
    playerWnd->setFocus();

    closeTimer = new QTimer(this);
    closeTimer->setSingleShot(true);
    closeTimer->setInterval(closeDelayMs);
    connect(closeTimer, &QTimer::timeout, this, [this] {
        closeDecided = true;
        close();
    });
}

CMainFrame::~CMainFrame() {
    libraryCommands.reset();
    exportCommands.reset();
    // The view goes before the editor, its sibling made after it.
    redactionEditor->setActive(false);
}

void CMainFrame::createMenu() {
    QMenu* menu = menuBar()->addMenu(appTexts::menu);
    const auto addCommand = [&](const QString& text, int id, void (PlayerWnd::*slot)()) {
        QAction* action = menu->addAction(text);
        action->setData(id);
        // Looked up when triggered: the view does not exist yet while the menu is built.
        connect(action, &QAction::triggered, this, [this, slot] { (playerWnd->*slot)(); });
    };
    addCommand(appTexts::sensorSettings, 32774, &PlayerWnd::onSensorSettings);
    addCommand(appTexts::clockSettings, 32775, &PlayerWnd::onClockSettings);
    menu->addSeparator();
    addCommand(appTexts::about, 32773, &PlayerWnd::onAbout);
    menu->addSeparator();
    addCommand(appTexts::exit, 8, &PlayerWnd::onExit);
}

void CMainFrame::createHelpMenu() {
    QMenu* menu = menuBar()->addMenu(appTexts::helpMenu);
    QAction* action = menu->addAction(appTexts::keyOverview);
    action->setShortcut(keyTable::bindingOf(keyTable::Command::KeyOverview).keys);
    connect(action, &QAction::triggered, this, &CMainFrame::showKeyOverview);
}

void CMainFrame::showKeyOverview() {
    if (keys == nullptr) {
        keys = new KeyOverview(this);
    }
    keys->showOverview();
}

// The view's client area becomes exactly its minimum, and the frame is centred on the
// screen's work area.
void CMainFrame::sizeToView() {
    ensurePolished();
    layout()->activate();
    const QSize extra = size() - playerWnd->size();
    resize(QSize(minWidth, minHeight) + extra);
    layout()->activate();
    // With its native window made, the frame's decorations count in its outer size, as far
    // as the window system tells them before the window is mapped.
    winId();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect work = screen->availableGeometry();
        const QSize outer = frameGeometry().size();
        move(work.x() + (work.width() - outer.width()) / 2,
             work.y() + (work.height() - outer.height()) / 2);
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (closeDecided || playerWnd->canClose()) {
        closeTimer->stop();
        event->accept();
        return;
    }
    // Playback has just been stopped; give its last tick time to finish before closing.
    event->ignore();
    closeTimer->start();
}

void CMainFrame::focusInEvent(QFocusEvent* event) {
    QMainWindow::focusInEvent(event);
    playerWnd->setFocus();
}
