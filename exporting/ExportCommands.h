#pragma once

#include <memory>
#include <optional>
#include <string>

#include <QList>
#include <QObject>
#include <QString>

#include "ClockCorrection.h"
#include "ExportRunner.h"
#include "SaveFolder.h"

class QAction;
class QMenu;
class QMenuBar;
class QWidget;
class Recording;
struct PackageVerification;
class RedactionPlan;

// The export commands of the window: save the current frame as a still, export a clip, make
// the report, write the evidence package. Each asks for its target, then runs on the runner
// while the window goes on. They are enabled while a recording is loaded and no export runs.
class ExportCommands : public QObject {
    Q_OBJECT

public:
    // `recording` is the window's, only read; `window` parents the dialogs.
    ExportCommands(const Recording& recording, QWidget* window);
    ~ExportCommands() override;
    ExportCommands(const ExportCommands&) = delete;
    ExportCommands& operator=(const ExportCommands&) = delete;

    // Adds the drop-down "書き出し(&E)" after the menus `bar` has: the exports, then the check
    // of a package, which needs no recording, then `more` (the redaction's items).
    QMenu* addMenuTo(QMenuBar& bar, const QList<QAction*>& more = {});
    // Still, clip, report, package, in the menu's order (also for a context menu).
    QList<QAction*> actions() const;
    ExportRunner& runner() { return *jobRunner; }
    const SaveFolder& saveFolder() const { return folders; }
    // The correction the exports of the open recording apply (none until the user states one).
    const ClockCorrection& clockCorrection() const { return clock; }
    void setClockCorrection(const ClockCorrection& correction) { clock = correction; }
    // The regions the exports of the open recording redact: the share copy, PNG stills, the
    // report's list and the package's; never an original. Null when there are none.
    const std::shared_ptr<const RedactionPlan>& redaction() const { return regions; }
    void setRedaction(const RedactionPlan& plan);
    // Remembers the export folder in this Halcyra.ini from now on (the per-user one at
    // construction).
    void useSettings(const std::string& iniPath);

public slots:
    // Follows the window: what is loaded now, from which file.
    void setRecording(const QString& path, bool loaded);
    void onSaveStill();
    void onExportClip();
    void onMakeReport();
    void onWritePackage();
    void onVerifyPackage();
    // Asks for the recorder's clock error; the exports of this recording then correct it.
    void onCorrectClock();

private:
    QAction* addAction(const QString& text, const QKeySequence& keys, void (ExportCommands::*slot)());
    void updateActions();
    // How suggested names begin: the capture date and time, as the package names its files.
    std::string namePrefix() const;
    // The target chosen in a save dialog, with `replace` set when an existing file may be
    // replaced; nothing when the user cancelled anywhere.
    std::optional<std::string> chooseTarget(const char* title, const std::string& name,
                                            const std::string& suffix, const char* filter,
                                            bool& replace);
    void start(const std::string& target, ExportRunner::Job job);
    void finish(const ExportResult& result);
    void showVerification(const PackageVerification& verification);

    const Recording& recording;
    QWidget* window;
    ExportRunner* jobRunner;
    SaveFolder folders;
    std::string recordingPath;
    bool loaded = false;
    std::string runningTarget;
    QList<QAction*> commandActions;
    QAction* verifyAction = nullptr;
    QAction* clockAction = nullptr;
    ClockCorrection clock;
    // A copy per change, so that a running export keeps the regions it started with.
    std::shared_ptr<const RedactionPlan> regions;
    // Filled by the running check of a package, shown when it ends.
    std::shared_ptr<PackageVerification> verification;
};
