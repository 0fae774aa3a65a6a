#include "ImportRunner.h"

#include <algorithm>
#include <limits>
#include <utility>

#include <QFileInfo>
#include <QProgressDialog>
#include <QStringList>
#include <QThread>

#include "Importer.h"
#include "Library.h"
#include "LibraryTexts.h"
#include "PathText.h"

struct ImportRunner::Run {
    std::atomic<bool> cancel{false};
    std::vector<ImportResult> results;
};

ImportRunner::ImportRunner(QWidget* window, QObject* parent) : QObject(parent), window(window) {}

ImportRunner::~ImportRunner() {
    if (worker != nullptr) {
        run->cancel.store(true);
        worker->wait();
        delete worker;
    }
    delete dialog.data();
}

bool ImportRunner::start(const std::string& root, std::vector<std::string> sources) {
    if (worker != nullptr) {
        return false;
    }
    run = std::make_shared<Run>();

    dialog = new QProgressDialog(libraryTexts::importing, libraryTexts::cancelButton, 0, 0, window);
    dialog->setWindowTitle(libraryTexts::menu.left(libraryTexts::menu.indexOf(QLatin1Char('('))));
    dialog->setWindowModality(Qt::NonModal);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setMinimumDuration(0);
    dialog->setMinimumWidth(360);
    connect(dialog, &QProgressDialog::canceled, this, &ImportRunner::cancel);
    dialog->show();

    worker = QThread::create([this, run = run, root, sources = std::move(sources)] {
        Importer importer{Library(root)};
        importer.setCancelFlag(&run->cancel);
        importer.setProgress([this, run](std::uint64_t done, std::uint64_t total) {
            QMetaObject::invokeMethod(
                this, [this, run, done, total] {
                    if (run == this->run) {
                        showProgress(done, total);
                    }
                },
                Qt::QueuedConnection);
        });
        importer.setResultHandler([this, run](const ImportResult& result) {
            if (result.status == ImportResult::Status::Imported) {
                QMetaObject::invokeMethod(
                    this, [this, run, sha256 = result.sha256, path = result.path] {
                        if (run == this->run) {
                            emit imported();
                            emit recordingImported(sha256, pathText::fromQt(QFileInfo(pathText::toQt(path)).path()));
                        }
                    },
                    Qt::QueuedConnection);
            }
        });
        run->results = importer.importSources(sources);
    });
    connect(worker, &QThread::finished, this, &ImportRunner::end, Qt::QueuedConnection);
    worker->start();
    emit busyChanged(true);
    return true;
}

QProgressDialog* ImportRunner::progressDialog() const {
    return dialog.data();
}

void ImportRunner::cancel() {
    if (worker == nullptr) {
        return;
    }
    run->cancel.store(true);
    if (dialog) {
        dialog->setLabelText(libraryTexts::cancelling);
    }
}

void ImportRunner::showProgress(quint64 done, quint64 total) {
    if (!dialog || run->cancel.load()) {
        return;
    }
    constexpr quint64 limit = std::numeric_limits<int>::max();
    const quint64 scale = total / limit + 1;
    dialog->setMaximum(static_cast<int>(total / scale));
    dialog->setValue(static_cast<int>(std::min(done, total) / scale));
}

void ImportRunner::end() {
    if (worker == nullptr) {
        return;
    }
    worker->wait();
    delete std::exchange(worker, nullptr);
    lastResults = std::move(run->results);
    run.reset();
    delete dialog.data();
    emit busyChanged(false);
    emit finished();
}

QString ImportRunner::summary(const std::vector<ImportResult>& results) {
    using Status = ImportResult::Status;
    const auto count = [&results](Status status) {
        return static_cast<int>(std::count_if(results.begin(), results.end(),
                                              [status](const ImportResult& r) { return r.status == status; }));
    };
    if (results.empty()) {
        return libraryTexts::nothingFound;
    }
    const int cancelled = count(Status::Cancelled);
    QStringList lines;
    lines << (cancelled > 0 ? libraryTexts::importCancelled : libraryTexts::importDone) << QString();
    lines << libraryTexts::countImported.arg(count(Status::Imported));
    lines << libraryTexts::countPresent.arg(count(Status::Present));
    lines << libraryTexts::countSkipped.arg(count(Status::Skipped));
    lines << libraryTexts::countFailed.arg(count(Status::Failed));
    if (cancelled > 0) {
        lines << libraryTexts::countCancelled.arg(cancelled);
    }
    // The failures first: they are what the user must act on.
    QStringList details;
    for (const Status wanted : {Status::Failed, Status::Imported, Status::Skipped}) {
        for (const ImportResult& result : results) {
            const std::string& why = wanted == Status::Imported ? result.warning : result.reason;
            if (result.status != wanted || why.empty()) {
                continue;
            }
            details << libraryTexts::detailLine.arg(
                QFileInfo(QString::fromStdString(result.source)).fileName(),
                QString::fromStdString(why));
        }
    }
    constexpr qsizetype shown = 12;
    if (!details.isEmpty()) {
        lines << QString();
        const qsizetype more = details.size() - shown;
        lines << details.mid(0, shown);
        if (more > 0) {
            lines << libraryTexts::moreLines.arg(more);
        }
    }
    return lines.join(QLatin1Char('\n'));
}
