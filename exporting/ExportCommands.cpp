#include "ExportCommands.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>

#include <utility>

#include "ClipDialog.h"
#include "ClipExport.h"
#include "ClockDialog.h"
#include "EvidencePackage.h"
#include "ExportTexts.h"
#include "FileOps.h"
#include "FrameTimeText.h"
#include "Library.h"
#include "PackageFolder.h"
#include "PackageVerifier.h"
#include "PathText.h"
#include "Prompts.h"
#include "Recording.h"
#include "RedactionPlan.h"
#include "ReportExport.h"
#include "StillExport.h"
#include "UserLocations.h"
#include "VersionInfo.h"

namespace {

QString displayName(const std::string& path) {
    return QFileInfo(pathText::toQt(path)).fileName();
}

bool exists(const std::string& path) {
    return QFileInfo::exists(pathText::toQt(path));
}

// Vehicle, driver and note for the report when the recording is kept in a library folder.
std::optional<ReportUserFields> libraryFieldsOf(const std::string& recordingPath) {
    const std::optional<LibraryEntry> entry = Library::entryOf(recordingPath);
    if (!entry) {
        return std::nullopt;
    }
    return ReportUserFields{entry->vehicle, entry->driver, entry->note};
}

}  // namespace

ExportCommands::ExportCommands(const Recording& recording, QWidget* window)
    : recording(recording),
      window(window),
      jobRunner(new ExportRunner(window, this)),
      folders(UserLocations::current().settingsFolder() + "Halcyra.ini") {
    addAction(exportTexts::saveStill, QKeySequence(Qt::CTRL | Qt::Key_S), &ExportCommands::onSaveStill);
    addAction(exportTexts::exportClip, QKeySequence(Qt::CTRL | Qt::Key_E), &ExportCommands::onExportClip);
    addAction(exportTexts::makeReport, QKeySequence(), &ExportCommands::onMakeReport);
    addAction(exportTexts::writePackage, QKeySequence(), &ExportCommands::onWritePackage);
    clockAction = new QAction(exportTexts::correctClock, this);
    connect(clockAction, &QAction::triggered, this, &ExportCommands::onCorrectClock);
    verifyAction = new QAction(exportTexts::verifyPackage, this);
    connect(verifyAction, &QAction::triggered, this, &ExportCommands::onVerifyPackage);
    connect(jobRunner, &ExportRunner::busyChanged, this, &ExportCommands::updateActions);
    connect(jobRunner, &ExportRunner::finished, this, &ExportCommands::finish);
    updateActions();
}

ExportCommands::~ExportCommands() = default;

void ExportCommands::useSettings(const std::string& iniPath) {
    folders = SaveFolder(iniPath);
}

QAction* ExportCommands::addAction(const QString& text, const QKeySequence& keys,
                                   void (ExportCommands::*slot)()) {
    auto* action = new QAction(text, this);
    action->setShortcut(keys);
    connect(action, &QAction::triggered, this, slot);
    commandActions.append(action);
    return action;
}

QMenu* ExportCommands::addMenuTo(QMenuBar& bar, const QList<QAction*>& more) {
    QMenu* menu = bar.addMenu(exportTexts::menu);
    menu->addActions(commandActions);
    menu->addSeparator();
    menu->addAction(clockAction);
    menu->addAction(verifyAction);
    if (!more.isEmpty()) {
        menu->addSeparator();
        menu->addActions(more);
    }
    return menu;
}

void ExportCommands::setRedaction(const RedactionPlan& plan) {
    regions = plan.empty() ? nullptr : std::make_shared<const RedactionPlan>(plan);
}

QList<QAction*> ExportCommands::actions() const {
    return commandActions;
}

void ExportCommands::setRecording(const QString& path, bool isLoaded) {
    const std::string opened = pathText::fromQt(path);
    if (opened != recordingPath || !isLoaded) {
        clock = {};  // a correction belongs to the recording it was stated for
    }
    recordingPath = opened;
    loaded = isLoaded;
    updateActions();
}

void ExportCommands::updateActions() {
    const bool enabled = loaded && !jobRunner->isBusy();
    for (QAction* action : commandActions) {
        action->setEnabled(enabled);
    }
    verifyAction->setEnabled(!jobRunner->isBusy());
    clockAction->setEnabled(enabled);
}

std::string ExportCommands::namePrefix() const {
    const std::string report = packageFileNames(recording, recordingPath).report;
    const std::string tail = "-report.pdf";
    if (report.size() > tail.size() && report.ends_with(tail)) {
        return report.substr(0, report.size() - tail.size());
    }
    return "halcyra";
}

std::optional<std::string> ExportCommands::chooseTarget(const char* title, const std::string& name,
                                                        const std::string& suffix,
                                                        const char* filter, bool& replace) {
    Prompts::SaveFileRequest request;
    request.title = title;
    request.initialPath = folders.start() + name;
    request.defaultSuffix = suffix;
    request.filter = filter;
    std::optional<std::string> target = Prompts::current().chooseSaveFile(request);
    if (!target) {
        return std::nullopt;
    }
    replace = exists(*target);
    if (replace) {
        const QString question = exportTexts::replaceFile.arg(displayName(*target));
        if (Prompts::current().message(question.toStdString(), Prompts::Buttons::OkCancel,
                                       Prompts::Icon::Warning) != Prompts::Answer::Ok) {
            return std::nullopt;
        }
    }
    return target;
}

void ExportCommands::onSaveStill() {
    if (!loaded || jobRunner->isBusy()) {
        return;
    }
    // The frame on screen now; playback may move on while the still is written.
    const std::uint32_t index = recording.currentIndex();
    const std::string name = namePrefix() + '-' + std::to_string(recording.frameAt(index).number) + ".jpg";
    StillOptions options;
    const std::optional<std::string> target =
        chooseTarget(exportTexts::stillTitle, name, "jpg", exportTexts::stillFilter, options.replace);
    if (!target) {
        return;
    }
    // A PNG is a picture for people to look at, so it carries the times; a JPEG stays as recorded.
    options.overlay = stillFormatForPath(*target) == StillFormat::Png;
    options.clock = clock;
    // A .jpg is the recorded original, never redacted.
    if (options.overlay) {
        options.redaction = regions;
    }
    start(*target, [&recording = recording, index, path = *target, options](ExportProgress& progress) {
        return exportStill(recording, index, path, options, progress);
    });
}

void ExportCommands::onExportClip() {
    if (!loaded || jobRunner->isBusy()) {
        return;
    }
    ClipDialog dialog(window);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    ClipOptions options = dialog.options();
    options.clock = clock;
    if (options.kind == ClipKind::ShareMp4) {
        options.redaction = regions;
    }
    const std::string suffix = ClipDialog::suffixFor(options.kind);
    const char* filter = exportTexts::aviFilter;
    if (options.kind == ClipKind::OriginalMkv) {
        filter = exportTexts::mkvFilter;
    } else if (options.kind == ClipKind::ShareMp4) {
        filter = exportTexts::mp4Filter;
    }
    const std::string name =
        namePrefix() + (options.kind == ClipKind::ShareMp4 ? "-share." : "-original.") + suffix;
    const std::optional<std::string> target = chooseTarget(exportTexts::clipSaveTitle, name, suffix, filter, options.replace);
    if (!target) {
        return;
    }
    start(*target, [&recording = recording, path = *target, options](ExportProgress& progress) {
        return exportClip(recording, path, options, progress);
    });
}

void ExportCommands::onMakeReport() {
    if (!loaded || jobRunner->isBusy()) {
        return;
    }
    ReportOptions options;
    options.programVersion =
        VersionInfo::programString(QStringLiteral("ProductVersion")).toStdString();
    options.clock = clock;
    options.redaction = regions;
    options.userFields = libraryFieldsOf(recordingPath);
    const std::optional<std::string> target = chooseTarget(
        exportTexts::reportTitle, namePrefix() + "-report.pdf", "pdf", exportTexts::reportFilter,
        options.replace);
    if (!target) {
        return;
    }
    start(*target, [&recording = recording, source = recordingPath, path = *target,
                    options](ExportProgress& progress) {
        return exportReport(recording, source, path, options, progress);
    });
}

void ExportCommands::onWritePackage() {
    if (!loaded || jobRunner->isBusy()) {
        return;
    }
    const std::optional<std::string> chosen =
        Prompts::current().chooseSaveFolder(exportTexts::packagePrompt, folders.start());
    if (!chosen) {
        return;
    }
    // An empty folder takes the package as it is; any other gets a folder of its own inside.
    // What an earlier package that stopped there left does not count: it is cleared first
    // (should that fail, the package's own run says why).
    std::string leftoverError;
    static_cast<void>(PackageFolder::clearLeftovers(fileOps::fsPath(*chosen), leftoverError));
    QDir folder(pathText::toQt(*chosen));
    if (!folder.isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        folder.setPath(folder.filePath(pathText::toQt(namePrefix() + "-evidence")));
    }
    const std::string target = pathText::fromQt(folder.path());
    PackageOptions options;
    options.report.programVersion =
        VersionInfo::programString(QStringLiteral("ProductVersion")).toStdString();
    options.report.clock = clock;
    options.redaction = regions;
    options.report.userFields = libraryFieldsOf(recordingPath);
    if (!folder.isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        const QString question = exportTexts::replaceInFolder.arg(folder.dirName());
        if (Prompts::current().message(question.toStdString(), Prompts::Buttons::OkCancel,
                                       Prompts::Icon::Warning) != Prompts::Answer::Ok) {
            return;
        }
        options.replace = true;
    }
    start(target, [&recording = recording, source = recordingPath, target,
                   options](ExportProgress& progress) {
        return exportEvidencePackage(recording, source, target, options, progress);
    });
}

void ExportCommands::onCorrectClock() {
    if (!loaded || jobRunner->isBusy()) {
        return;
    }
    const std::uint32_t index = recording.currentIndex();
    ClockDialog dialog(clock,
                       {recording.getCaptureDate(), recording.frameAt(0).number,
                        recording.frameAt(index).number,
                        frameTimeText(recording.frameAt(index).number)},
                       window);
    if (dialog.exec() == QDialog::Accepted) {
        clock = dialog.correction();
    }
}

void ExportCommands::onVerifyPackage() {
    if (jobRunner->isBusy()) {
        return;
    }
    const std::optional<std::string> chosen =
        Prompts::current().chooseFolder(exportTexts::verifyPrompt, folders.start());
    if (!chosen) {
        return;
    }
    auto found = std::make_shared<PackageVerification>();
    verification = found;
    runningTarget = *chosen;
    jobRunner->start(exportTexts::verifying.arg(displayName(*chosen)),
                     [found, folder = *chosen](ExportProgress& progress) {
                         *found = verifyEvidencePackage(folder, progress);
                         return found->cancelled
                                    ? ExportResult::failure(ExportResult::Status::Cancelled, {})
                                    : ExportResult::ok();
                     });
}

void ExportCommands::showVerification(const PackageVerification& found) {
    const QString name = displayName(runningTarget);
    if (!found.refusal.empty()) {
        Prompts::current().message(
            exportTexts::verifyRefused.arg(name, QString::fromStdString(found.refusal))
                .toStdString(),
            Prompts::Buttons::Ok, Prompts::Icon::Warning);
        return;
    }
    // A message box is no place for hundreds of lines: the problems first, then what holds.
    constexpr qsizetype shownLines = 20;
    QStringList bad;
    QStringList good;
    for (const PackageFileCheck& check : found.files) {
        const QString file = QString::fromStdString(check.name);
        if (check.problems.empty()) {
            good << file + QStringLiteral(": OK");
        }
        for (const std::string& problem : check.problems) {
            bad << file + QStringLiteral(": ") + QString::fromStdString(problem);
        }
    }
    QStringList lines = bad + good;
    if (lines.size() > shownLines) {
        const qsizetype more = lines.size() - shownLines;
        lines = lines.mid(0, shownLines);
        lines << exportTexts::moreLines.arg(more);
    }
    const bool holds = found.holds();
    const QString text = (holds ? exportTexts::verifiedOk : exportTexts::verifiedBad)
                             .arg(name, lines.join(QLatin1Char('\n')));
    Prompts::current().message(text.toStdString(), Prompts::Buttons::Ok,
                               holds ? Prompts::Icon::None : Prompts::Icon::Warning);
}

void ExportCommands::start(const std::string& target, ExportRunner::Job job) {
    runningTarget = target;
    jobRunner->start(exportTexts::working.arg(displayName(target)), std::move(job));
}

void ExportCommands::finish(const ExportResult& result) {
    if (const std::shared_ptr<PackageVerification> found = std::exchange(verification, nullptr)) {
        if (result.status != ExportResult::Status::Cancelled) {
            showVerification(*found);
        }
        runningTarget.clear();
        return;
    }
    const QString name = displayName(runningTarget);
    switch (result.status) {
        case ExportResult::Status::Written:
            folders.remember(runningTarget);
            break;
        case ExportResult::Status::WrittenWithDamage:
            folders.remember(runningTarget);
            Prompts::current().message(exportTexts::damaged.arg(name).toStdString(),
                                       Prompts::Buttons::Ok, Prompts::Icon::Warning);
            break;
        case ExportResult::Status::Cancelled:
            break;
        case ExportResult::Status::Refused:
        case ExportResult::Status::Failed:
            Prompts::current().message(
                exportTexts::failed.arg(name, QString::fromStdString(result.message)).toStdString(),
                Prompts::Buttons::Ok, Prompts::Icon::Warning);
            break;
    }
    runningTarget.clear();
}
