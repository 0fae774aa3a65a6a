#include "LibraryCommands.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QDateTime>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include "CardWatcher.h"
#include "ImportRunner.h"
#include "KeyTable.h"
#include "LibraryFolder.h"
#include "LibraryModel.h"
#include "LibraryTexts.h"
#include "LibraryWindow.h"
#include "OfferBar.h"
#include "PathText.h"
#include "Prompts.h"
#include "QueueSender.h"
#include "SendingBadge.h"
#include "SendingTexts.h"
#include "ServerDialog.h"
#include "ServerSettings.h"

LibraryCommands::LibraryCommands(QWidget* window, QWidget* view, Opener open)
    : window(window),
      open(std::move(open)),
      iniPath(LibraryFolder::userIniPath()),
      runner(new ImportRunner(window, this)),
      watcher(new CardWatcher(this)),
      bar(new OfferBar(view)),
      queueSender(new QueueSender(this)),
      indicator(new SendingBadge(view)) {
    addAction(libraryTexts::openLibrary,
              keyTable::bindingOf(keyTable::Command::OpenLibrary).keys, &LibraryCommands::onOpenLibrary);
    addAction(libraryTexts::importFolder, QKeySequence(), &LibraryCommands::onImportFolder);
    importFileAction = addAction(libraryTexts::importFile, QKeySequence(), &LibraryCommands::onImportFile);
    commandActions.removeOne(importFileAction);
    locationAction = new QAction(libraryTexts::chooseLocation, this);
    connect(locationAction, &QAction::triggered, this, &LibraryCommands::onChooseLocation);
    serverAction = new QAction(sendingTexts::serverSettings, this);
    connect(serverAction, &QAction::triggered, this, &LibraryCommands::onServerSettings);

    connect(queueSender, &QueueSender::changed, this, &LibraryCommands::showSending);
    connect(runner, &ImportRunner::recordingImported, this,
            [this](const std::string& sha256, const std::string& folder) {
                if (queueSender->hasLink()) {
                    queueSender->enqueue(sha256, folder);
                }
            });

    connect(runner, &ImportRunner::busyChanged, this, &LibraryCommands::updateActions);
    connect(runner, &ImportRunner::finished, this, &LibraryCommands::importEnded);
    connect(runner, &ImportRunner::imported, this, [this] {
        if (window_ && window_->isVisible()) {
            window_->reload();
        }
    });
    connect(bar, &OfferBar::importRequested, this,
            [this](const QString& root) { importSources({pathText::fromQt(root)}); });
    watcher->setGate([this] { return mayOffer(); });
    watcher->setLibraryRoot(library().root());
    connect(watcher, &CardWatcher::cardFound, bar, &OfferBar::offer);
    connect(watcher, &CardWatcher::cardGone, bar, [this](const QString& root) {
        if (bar->offeredRoot() == root) {
            bar->hide();
        }
    });
    watcher->start();
    applyServerSettings();
}

LibraryCommands::~LibraryCommands() = default;

QAction* LibraryCommands::addAction(const QString& text, const QKeySequence& keys,
                                    void (LibraryCommands::*slot)()) {
    auto* action = new QAction(text, this);
    action->setShortcut(keys);
    connect(action, &QAction::triggered, this, slot);
    commandActions.append(action);
    return action;
}

QMenu* LibraryCommands::addMenuTo(QMenuBar& menuBar) {
    QMenu* menu = menuBar.addMenu(libraryTexts::menu);
    menu->addActions(commandActions);
    menu->addAction(importFileAction);
    menu->addSeparator();
    menu->addAction(locationAction);
    menu->addAction(serverAction);
    return menu;
}

void LibraryCommands::useSettings(const std::string& path) {
    iniPath = path;
    watcher->setLibraryRoot(library().root());
    applyServerSettings();
    if (window_) {
        window_->showLibrary(library());
    }
}

LibraryWindow* LibraryCommands::libraryWindow() const {
    return window_.data();
}

Library LibraryCommands::library() const {
    return Library(LibraryFolder(iniPath).load());
}

bool LibraryCommands::mayOffer() const {
    return QApplication::activeModalWidget() == nullptr && !runner->isBusy() &&
           !(busyElsewhere && busyElsewhere());
}

void LibraryCommands::updateActions() {
    const bool idle = !runner->isBusy();
    for (QAction* action : {commandActions[1], importFileAction, locationAction}) {
        action->setEnabled(idle);
    }
    bar->importButton()->setEnabled(idle);
}

void LibraryCommands::onOpenLibrary() {
    if (!window_) {
        window_ = new LibraryWindow(window);
        connect(window_, &LibraryWindow::openRequested, this,
                [this](const std::string& path) { open(path); });
        connect(window_, &LibraryWindow::importRequested, this, &LibraryCommands::onImportFolder);
        connect(window_, &LibraryWindow::sendRequested, queueSender, &QueueSender::sendAgain);
        window_->showLibrary(library());
        showSending();
    } else if (!window_->isVisible()) {
        window_->showLibrary(library());
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void LibraryCommands::onImportFolder() {
    const std::optional<std::string> chosen =
        Prompts::current().chooseFolder(libraryTexts::importFolderPrompt, QDir::homePath().toStdString());
    if (chosen) {
        importSources({*chosen});
    }
}

void LibraryCommands::onImportFile() {
    Prompts::OpenFileRequest request;
    request.initialFolder = pathText::fromQt(QDir::homePath() + QLatin1Char('/'));
    const std::optional<std::string> chosen = Prompts::current().chooseOpenFile(request);
    if (chosen) {
        importSources({*chosen});
    }
}

void LibraryCommands::onChooseLocation() {
    const Library current = library();
    const std::optional<std::string> chosen =
        Prompts::current().chooseFolder(libraryTexts::locationPrompt, current.root());
    if (!chosen) {
        return;
    }
    const Library next(*chosen);
    std::string error;
    if (!next.ensureRoot(error)) {
        Prompts::current().message(libraryTexts::libraryNotMade.arg(QString::fromStdString(error)).toStdString(),
                                   Prompts::Buttons::Ok, Prompts::Icon::Warning);
        return;
    }
    if (!LibraryFolder(iniPath).save(next.root())) {
        Prompts::current().message(
            libraryTexts::locationNotSaved.arg(QString::fromStdString(iniPath)).toStdString(),
            Prompts::Buttons::Ok, Prompts::Icon::Warning);
        return;
    }
    watcher->setLibraryRoot(next.root());
    queueSender->setLibrary(next.root());
    if (window_) {
        window_->showLibrary(next);
    }
}

void LibraryCommands::onServerSettings() {
    ServerDialog dialog(ServerSettings::load(iniPath), window);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    std::string error;
    if (!dialog.settings().save(iniPath, error)) {
        Prompts::current().message(sendingTexts::notSaved.arg(QString::fromStdString(error)).toStdString(),
                                   Prompts::Buttons::Ok, Prompts::Icon::Warning);
    }
    applyServerSettings();
}

void LibraryCommands::applyServerSettings() {
    std::string error;
    std::optional<ServerLink> link = ServerSettings::load(iniPath).link(error);
    queueSender->setLibrary(library().root());
    queueSender->setLink(std::move(link));
    showSending();
}

void LibraryCommands::showSending() {
    const bool on = queueSender->hasLink();
    const int waiting = queueSender->waitingCount();
    if (on) {
        indicator->showCount(waiting, queueSender->queueError());
    } else {
        indicator->hide();
    }
    if (!window_) {
        return;
    }
    window_->setSendingShown(on);
    QHash<QString, LibraryModel::SendingMark> marks;
    const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
    for (const QueueEntry& entry : queueSender->entries()) {
        LibraryModel::SendingMark mark;
        const QString cause = sendingTexts::causeText(causeOfWord(entry.cause));
        const QString details = entry.error.empty()
                                    ? cause
                                    : cause + QLatin1Char('\n') + QString::fromStdString(entry.error);
        switch (entry.state) {
            case QueueEntry::State::Sent:
                mark.text = sendingTexts::sent;
                break;
            case QueueEntry::State::Refused:
                mark.text = sendingTexts::refused.arg(cause);
                mark.details = details;
                break;
            case QueueEntry::State::Waiting:
                if (entry.sha256 == queueSender->sending() ||
                    entry.claimedByOtherThan(queueSender->id(), now, QueueSender::claimStaleMs)) {
                    mark.text = sendingTexts::sending;
                } else if (entry.attempts > 0) {
                    mark.text = sendingTexts::waitingRetry.arg(
                        QDateTime::fromMSecsSinceEpoch(entry.nextTry).toString(QStringLiteral("HH:mm")));
                    mark.details = details;
                } else {
                    mark.text = sendingTexts::waiting;
                }
                break;
        }
        marks.insert(QString::fromStdString(entry.sha256), mark);
    }
    window_->model()->setSendingMarks(std::move(marks));
}

void LibraryCommands::importSources(const std::vector<std::string>& sources) {
    if (runner->isBusy()) {
        return;
    }
    const Library target = library();
    std::string error;
    if (!target.ensureRoot(error)) {
        Prompts::current().message(libraryTexts::libraryNotMade.arg(QString::fromStdString(error)).toStdString(),
                                   Prompts::Buttons::Ok, Prompts::Icon::Warning);
        return;
    }
    bar->hide();
    runner->start(target.root(), sources);
}

void LibraryCommands::importEnded() {
    if (window_ && window_->isVisible()) {
        window_->reload();
    }
    using Status = ImportResult::Status;
    const std::vector<ImportResult>& results = runner->results();
    const bool trouble = std::any_of(results.begin(), results.end(), [](const ImportResult& r) {
        return r.status == Status::Failed || !r.warning.empty();
    });
    Prompts::current().message(ImportRunner::summary(results).toStdString(), Prompts::Buttons::Ok,
                               trouble ? Prompts::Icon::Warning : Prompts::Icon::None);
}
