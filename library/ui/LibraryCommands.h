#pragma once

#include <functional>
#include <string>

#include <QList>
#include <QObject>
#include <QPointer>

#include "Library.h"

class CardWatcher;
class ImportRunner;
class LibraryWindow;
class OfferBar;
class QAction;
class QKeySequence;
class QueueSender;
class SendingBadge;
class QMenu;
class QMenuBar;
class QWidget;

// The library's commands in the window: the drop-down "ライブラリ(&L)" (open the library's
// window, import a card, folder or file, choose where the library is), the import on its
// runner, and the offer of a card that appears.
class LibraryCommands : public QObject {
    Q_OBJECT

public:
    using Opener = std::function<void(const std::string& path)>;

    // `window` parents the dialogs and the library's window; the offer lies over the top of
    // `view`; `open` shows a recording in the viewer.
    LibraryCommands(QWidget* window, QWidget* view, Opener open);
    ~LibraryCommands() override;
    LibraryCommands(const LibraryCommands&) = delete;
    LibraryCommands& operator=(const LibraryCommands&) = delete;

    // Adds the drop-down after the menus `bar` has.
    QMenu* addMenuTo(QMenuBar& bar);
    // Open, import, import a file, in the menu's order (also for a context menu).
    QList<QAction*> actions() const { return commandActions; }
    // Keeps the library folder in this Halcyra.ini from now on (the per-user one at first).
    void useSettings(const std::string& iniPath);
    // While it says true (an export runs), no card is offered.
    void setBusyElsewhere(std::function<bool()> busy) { busyElsewhere = std::move(busy); }

    Library library() const;
    // The library's window once it has been opened; null before.
    LibraryWindow* libraryWindow() const;
    ImportRunner& importRunner() { return *runner; }
    CardWatcher& cardWatcher() { return *watcher; }
    OfferBar* offerBar() const { return bar; }
    // True when a card's offer may be shown now.
    bool mayOffer() const;
    // The background sender of the library's queue to the server.
    QueueSender& sender() const { return *queueSender; }
    // The main window's count of recordings waiting to be sent, over the view's top right
    // corner; hidden when none wait or no server is set.
    SendingBadge* sendingIndicator() const { return indicator; }
    QAction* serverSettingsAction() const { return serverAction; }

public slots:
    void onOpenLibrary();
    void onImportFolder();
    void onImportFile();
    void onChooseLocation();
    void onServerSettings();
    // Imports `sources` into the library, with progress, then says what happened.
    void importSources(const std::vector<std::string>& sources);

private:
    QAction* addAction(const QString& text, const QKeySequence& keys, void (LibraryCommands::*slot)());
    void importEnded();
    void updateActions();
    // Takes the server from the settings and gives the sender the library and the link.
    void applyServerSettings();
    void showSending();

    QWidget* window;
    Opener open;
    std::string iniPath;
    ImportRunner* runner;
    CardWatcher* watcher;
    OfferBar* bar;
    QPointer<LibraryWindow> window_;
    QList<QAction*> commandActions;
    QAction* importFileAction = nullptr;
    QAction* locationAction = nullptr;
    QAction* serverAction = nullptr;
    QueueSender* queueSender;
    SendingBadge* indicator;
    std::function<bool()> busyElsewhere;
};
