#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include <QObject>
#include <QPointer>
#include <QString>

#include "ExportResult.h"

class ExportProgress;
class QProgressDialog;
class QThread;
class QWidget;

// Runs one export at a time on a worker thread, with a progress dialog whose Cancel stops it.
// The dialog is not modal: the window stays usable and playback may go on meanwhile.
class ExportRunner : public QObject {
    Q_OBJECT

public:
    using Job = std::function<ExportResult(ExportProgress&)>;

    // The progress dialog is shown over `window`.
    explicit ExportRunner(QWidget* window, QObject* parent = nullptr);
    // A running job is cancelled and waited for: it may be reading the window's recording.
    ~ExportRunner() override;
    ExportRunner(const ExportRunner&) = delete;
    ExportRunner& operator=(const ExportRunner&) = delete;

    bool isBusy() const { return worker != nullptr; }
    // Starts `job`; `label` is what the progress dialog says. False when a job already runs.
    bool start(const QString& label, Job job);
    void cancel();
    // The dialog of the running job, or nothing.
    QProgressDialog* progressDialog() const;

signals:
    void busyChanged(bool busy);
    // On the user-interface thread, once the worker has ended.
    void finished(const ExportResult& result);

private:
    struct Run;

    void showProgress(std::uint64_t done, std::uint64_t total);
    void end();

    QWidget* window;
    QThread* worker = nullptr;
    std::shared_ptr<Run> run;
    QPointer<QProgressDialog> dialog;
};
