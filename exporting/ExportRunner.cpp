#include "ExportRunner.h"

#include <algorithm>
#include <limits>
#include <utility>

#include <QProgressDialog>
#include <QThread>

#include "ExportProgress.h"
#include "ExportTexts.h"

// Progress reported from the worker reaches the dialog through a queued signal.
class JobProgress final : public QObject, public ExportProgress {
    Q_OBJECT

public:
    void advance(std::uint64_t done, std::uint64_t total) override {
        emit advanced(done, total);
    }

signals:
    void advanced(quint64 done, quint64 total);
};

struct ExportRunner::Run {
    JobProgress progress;
    ExportResult result;
};

ExportRunner::ExportRunner(QWidget* window, QObject* parent) : QObject(parent), window(window) {}

ExportRunner::~ExportRunner() {
    if (worker != nullptr) {
        run->progress.cancel();
        worker->wait();
        delete worker;
    }
    delete dialog.data();
}

bool ExportRunner::start(const QString& label, Job job) {
    if (worker != nullptr) {
        return false;
    }
    run = std::make_shared<Run>();
    connect(&run->progress, &JobProgress::advanced, this, &ExportRunner::showProgress,
            Qt::QueuedConnection);

    dialog = new QProgressDialog(label, exportTexts::cancelButton, 0, 0, window);
    dialog->setWindowModality(Qt::NonModal);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setMinimumDuration(0);
    dialog->setMinimumWidth(320);
    connect(dialog, &QProgressDialog::canceled, this, &ExportRunner::cancel);
    dialog->show();

    worker = QThread::create([job = std::move(job), run = run] { run->result = job(run->progress); });
    connect(worker, &QThread::finished, this, &ExportRunner::end, Qt::QueuedConnection);
    worker->start();
    emit busyChanged(true);
    return true;
}

QProgressDialog* ExportRunner::progressDialog() const {
    return dialog.data();
}

void ExportRunner::cancel() {
    if (worker == nullptr) {
        return;
    }
    run->progress.cancel();
    if (dialog) {
        dialog->setLabelText(exportTexts::cancelling);
    }
}

void ExportRunner::showProgress(std::uint64_t done, std::uint64_t total) {
    // A report may still be queued from a job that has ended.
    if (!dialog || !run || run->progress.isCancelled()) {
        return;
    }
    constexpr std::uint64_t limit = std::numeric_limits<int>::max();
    // Scaled down together so that a huge count still fits the dialog's int range.
    const std::uint64_t scale = total / limit + 1;
    dialog->setMaximum(static_cast<int>(total / scale));
    dialog->setValue(static_cast<int>(std::min(done, total) / scale));
}

void ExportRunner::end() {
    worker->wait();
    delete std::exchange(worker, nullptr);
    const ExportResult result = run->result;
    run.reset();
    delete dialog.data();
    emit busyChanged(false);
    emit finished(result);
}

#include "ExportRunner.moc"
