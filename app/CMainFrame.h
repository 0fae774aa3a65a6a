#pragma once

#include <memory>
#include <string>

#include <QMainWindow>

class ExportCommands;
class KeyOverview;
class LibraryCommands;
class PlayerWnd;
class QTimer;
class RedactionEditor;

// The top-level window: title, icon, the one menu, and the main window as its only child.
// Starts with the child's client area at its minimum, centred on the screen, and closes one
// second late when playback was running.
class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int closeDelayMs = 1000;

    // `commandLine` is the raw text after the program's name; the view opens it at once.
    explicit CMainFrame(const std::string& commandLine = {}, QWidget* parent = nullptr);
    // Ends a running export and the redaction mode before the view and its recording go.
    ~CMainFrame() override;
    CMainFrame(const CMainFrame&) = delete;
    CMainFrame& operator=(const CMainFrame&) = delete;

    PlayerWnd* view() const { return playerWnd; }
    ExportCommands& exports() const { return *exportCommands; }
    RedactionEditor& redaction() const { return *redactionEditor; }
    LibraryCommands& library() const { return *libraryCommands; }
    // The key overview window, made when first asked for; null until then.
    KeyOverview* keyOverview() const { return keys; }

public slots:
    void showKeyOverview();
    int minClientWidth() const { return minWidth; }
    int minClientHeight() const { return minHeight; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void createMenu();
    void createHelpMenu();
    void sizeToView();

    PlayerWnd* playerWnd = nullptr;
    std::unique_ptr<ExportCommands> exportCommands;
    RedactionEditor* redactionEditor = nullptr;
    std::unique_ptr<LibraryCommands> libraryCommands;
    QTimer* closeTimer = nullptr;
    KeyOverview* keys = nullptr;
    bool closeDecided = false;
    int minWidth = 0;
    int minHeight = 0;
};
