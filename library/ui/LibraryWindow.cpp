#include "LibraryWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "LibraryFilter.h"
#include "LibraryModel.h"
#include "LibraryTexts.h"
#include "PathText.h"
#include "Prompts.h"
#include "SendingTexts.h"
#include "ThumbnailLoader.h"

LibraryWindow::LibraryWindow(QWidget* parent)
    : QWidget(parent, Qt::Window),
      entries(new LibraryModel(this)),
      shown(new LibraryFilter(this)),
      loader(new ThumbnailLoader(this)),
      search(new QLineEdit(this)),
      useDays(new QCheckBox(libraryTexts::dateRange, this)),
      fromDay(new QDateEdit(this)),
      toDay(new QDateEdit(this)),
      table(new QTableView(this)),
      count(new QLabel(this)),
      openButton(new QPushButton(libraryTexts::openButton, this)),
      removeButton(new QPushButton(libraryTexts::removeButton, this)),
      sendButton(new QPushButton(sendingTexts::sendButton, this)),
      sendAction(new QAction(sendingTexts::sendCommand, this)) {
    setObjectName(QStringLiteral("libraryWindow"));
    shown->setSourceModel(entries);

    auto* searchLabel = new QLabel(libraryTexts::filterLabel, this);
    searchLabel->setBuddy(search);
    search->setPlaceholderText(libraryTexts::filterHint);
    search->setClearButtonEnabled(true);
    for (QDateEdit* day : {fromDay, toDay}) {
        day->setCalendarPopup(true);
        day->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
        day->setDate(QDate::currentDate());
        day->setEnabled(false);
    }
    fromDay->setDate(QDate::currentDate().addMonths(-1));
    auto* filters = new QHBoxLayout;
    filters->addWidget(searchLabel);
    filters->addWidget(search, 1);
    filters->addSpacing(12);
    filters->addWidget(useDays);
    filters->addWidget(fromDay);
    filters->addWidget(new QLabel(libraryTexts::dateTo, this));
    filters->addWidget(toDay);

    table->setModel(shown);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    // A double-click opens; a click on the selected cell or F2 edits.
    table->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    table->setIconSize(ThumbnailLoader::pictureSize);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(ThumbnailLoader::pictureSize.height() + 6);
    table->setWordWrap(false);
    QHeaderView* header = table->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    header->resizeSection(LibraryModel::Picture, ThumbnailLoader::pictureSize.width() + 10);
    header->resizeSection(LibraryModel::Captured, 150);
    header->resizeSection(LibraryModel::Length, 70);
    header->resizeSection(LibraryModel::Frames, 60);
    header->resizeSection(LibraryModel::Vehicle, 120);
    header->resizeSection(LibraryModel::Driver, 100);
    header->setSectionResizeMode(LibraryModel::Note, QHeaderView::Stretch);
    header->resizeSection(LibraryModel::State, 150);
    header->resizeSection(LibraryModel::Sending, 180);
    table->setColumnHidden(LibraryModel::Sending, true);
    // The sending's command, on the list's context menu and its own key while the window
    // has the focus.
    sendAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    sendAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    sendAction->setEnabled(false);
    addAction(sendAction);
    sendButton->hide();

    auto* importButton = new QPushButton(libraryTexts::importButton, this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(count, 1);
    // Left of the others, which keep their places when it shows.
    buttons->addWidget(sendButton);
    buttons->addWidget(importButton);
    buttons->addWidget(removeButton);
    buttons->addWidget(openButton);

    auto* column = new QVBoxLayout(this);
    column->addLayout(filters);
    column->addWidget(table, 1);
    column->addLayout(buttons);
    resize(900, 560);

    connect(search, &QLineEdit::textChanged, shown, &LibraryFilter::setText);
    connect(useDays, &QCheckBox::toggled, this, &LibraryWindow::setDays);
    connect(fromDay, &QDateEdit::dateChanged, this, [this] { setDays(useDays->isChecked()); });
    connect(toDay, &QDateEdit::dateChanged, this, [this] { setDays(useDays->isChecked()); });
    connect(table, &QTableView::activated, this, &LibraryWindow::openCurrent);
    connect(openButton, &QPushButton::clicked, this, &LibraryWindow::openCurrent);
    connect(removeButton, &QPushButton::clicked, this, &LibraryWindow::removeCurrent);
    connect(importButton, &QPushButton::clicked, this, &LibraryWindow::importRequested);
    connect(sendButton, &QPushButton::clicked, this, &LibraryWindow::sendCurrent);
    connect(sendAction, &QAction::triggered, this, &LibraryWindow::sendCurrent);
    connect(loader, &ThumbnailLoader::pictureReady, this,
            [this](const QString& folder, const QImage& picture) {
                entries->setPicture(pathText::fromQt(folder), picture);
            });
    connect(entries, &LibraryModel::saveFailed, this, [](const QString& folder, const QString& cause) {
        Prompts::current().message(
            libraryTexts::notSaved.arg(QDir::toNativeSeparators(folder), cause).toStdString(),
            Prompts::Buttons::Ok, Prompts::Icon::Warning);
    });
    for (const auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
        connect(shown, signal, this, [this] { updateCount(); });
    }
    connect(shown, &QAbstractItemModel::modelReset, this, [this] { updateCount(); });
    connect(shown, &QAbstractItemModel::layoutChanged, this, [this] { updateCount(); });
    connect(table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { updateButtons(); });
    updateCount();
}

LibraryWindow::~LibraryWindow() {
    loader->stop();
}

void LibraryWindow::showLibrary(const Library& chosen) {
    library = chosen;
    setWindowTitle(libraryTexts::windowTitle.arg(
        QDir::toNativeSeparators(pathText::toQt(library.root()))));
    reload();
}

void LibraryWindow::reload() {
    loader->stop();
    entries->setEntries(library, library.entries());
    std::vector<std::pair<std::string, std::string>> wanted;
    for (int row = 0; row < entries->rowCount(); ++row) {
        const LibraryEntry& entry = entries->entry(row);
        if (!entries->hasPicture(row) && !entry.path.empty()) {
            wanted.emplace_back(entry.folder, entry.path);
        }
    }
    loader->load(std::move(wanted));
    if (shown->rowCount() > 0 && !table->currentIndex().isValid()) {
        table->setCurrentIndex(shown->index(0, LibraryModel::Captured));
    }
    updateCount();
}

int LibraryWindow::currentRow() const {
    const QModelIndex current = shown->mapToSource(table->currentIndex());
    return current.isValid() ? current.row() : -1;
}

void LibraryWindow::openCurrent() {
    const int row = currentRow();
    if (row < 0 || entries->entry(row).path.empty()) {
        return;
    }
    emit openRequested(entries->entry(row).path);
}

void LibraryWindow::removeCurrent() {
    const int row = currentRow();
    if (row < 0) {
        return;
    }
    const QString folder = pathText::toQt(entries->entry(row).folder);
    const QString name = QDir(folder).dirName();
    if (Prompts::current().message(libraryTexts::removeQuestion.arg(name).toStdString(),
                                   Prompts::Buttons::OkCancel,
                                   Prompts::Icon::Warning) != Prompts::Answer::Ok) {
        return;
    }
    if (!QFile::moveToTrash(folder)) {
        Prompts::current().message(libraryTexts::notRemoved.arg(QDir::toNativeSeparators(folder)).toStdString(),
                                   Prompts::Buttons::Ok, Prompts::Icon::Warning);
        return;
    }
    entries->removeEntry(row);
}

void LibraryWindow::setDays(bool on) {
    fromDay->setEnabled(on);
    toDay->setEnabled(on);
    if (on) {
        shown->setDays(fromDay->date(), toDay->date());
    } else {
        shown->setDays({}, {});
    }
}

void LibraryWindow::setSendingShown(bool on) {
    sendingShown = on;
    table->setColumnHidden(LibraryModel::Sending, !on);
    sendButton->setVisible(on);
    if (on) {
        table->setContextMenuPolicy(Qt::ActionsContextMenu);
        table->addAction(sendAction);
    } else {
        table->removeAction(sendAction);
        table->setContextMenuPolicy(Qt::DefaultContextMenu);
    }
    updateButtons();
}

void LibraryWindow::sendCurrent() {
    const int row = currentRow();
    if (!sendingShown || row < 0 || entries->entry(row).sha256.empty()) {
        return;
    }
    const LibraryEntry& entry = entries->entry(row);
    emit sendRequested({{entry.sha256, entry.folder}});
}

void LibraryWindow::updateCount() {
    count->setText(libraryTexts::countText.arg(shown->rowCount()).arg(entries->rowCount()));
    updateButtons();
}

void LibraryWindow::updateButtons() {
    const bool any = currentRow() >= 0;
    openButton->setEnabled(any);
    removeButton->setEnabled(any);
    const bool sendable = sendingShown && any && !entries->entry(currentRow()).sha256.empty();
    sendButton->setEnabled(sendable);
    sendAction->setEnabled(sendable);
}
