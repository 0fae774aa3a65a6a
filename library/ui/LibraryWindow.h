#pragma once

#include <string>
#include <utility>
#include <vector>

#include <QWidget>

#include "Library.h"

class LibraryFilter;
class LibraryModel;
class QAction;
class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class ThumbnailLoader;

// The library's own window: every recording with its event frame, newest first, narrowed by
// text and by days. Enter or a double-click opens one in the viewer; vehicle, driver and note
// are edited in the list; a recording can be moved to the system's trash. Not modal.
class LibraryWindow : public QWidget {
    Q_OBJECT

public:
    explicit LibraryWindow(QWidget* parent = nullptr);
    ~LibraryWindow() override;
    LibraryWindow(const LibraryWindow&) = delete;
    LibraryWindow& operator=(const LibraryWindow&) = delete;

    // Lists `library` afresh and starts making the pictures it lacks.
    void showLibrary(const Library& library);
    // Lists the same library again (after an import).
    void reload();

    LibraryModel* model() const { return entries; }
    LibraryFilter* filter() const { return shown; }
    QTableView* view() const { return table; }
    QLineEdit* filterText() const { return search; }
    ThumbnailLoader* thumbnails() const { return loader; }
    QPushButton* sendingButton() const { return sendButton; }
    QAction* sendingAction() const { return sendAction; }

    // With a server set: the Sending column, the 送信 button and command. Hidden otherwise,
    // so a window without a server is as it always was.
    void setSendingShown(bool shown);

public slots:
    // The recording of the current row, opened in the viewer.
    void openCurrent();
    // Asks, then moves the current row's folder to the trash.
    void removeCurrent();
    void setDays(bool on);
    // Asks for the chosen recording to be sent now.
    void sendCurrent();

signals:
    void openRequested(const std::string& path);
    void importRequested();
    // SHA-256 and folder of each recording to send at once.
    void sendRequested(const std::vector<std::pair<std::string, std::string>>& recordings);

private:
    void updateCount();
    void updateButtons();
    int currentRow() const;

    Library library{std::string()};
    LibraryModel* entries;
    LibraryFilter* shown;
    ThumbnailLoader* loader;
    QLineEdit* search;
    QCheckBox* useDays;
    QDateEdit* fromDay;
    QDateEdit* toDay;
    QTableView* table;
    QLabel* count;
    QPushButton* openButton;
    QPushButton* removeButton;
    QPushButton* sendButton;
    QAction* sendAction;
    bool sendingShown = false;
};
