#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QString>

#include "ImportResult.h"

class QProgressDialog;
class QThread;
class QWidget;

// Runs one import at a time on a worker thread, with a progress dialog whose キャンセル stops
// it: the file being copied is then abandoned whole, and what was imported before it stays.
class ImportRunner : public QObject {
    Q_OBJECT

public:
    explicit ImportRunner(QWidget* window, QObject* parent = nullptr);
    // A running import is cancelled and waited for.
    ~ImportRunner() override;
    ImportRunner(const ImportRunner&) = delete;
    ImportRunner& operator=(const ImportRunner&) = delete;

    bool isBusy() const { return worker != nullptr; }
    // Imports every recording in `sources` into the library at `root`. False when one runs.
    bool start(const std::string& root, std::vector<std::string> sources);
    void cancel();
    QProgressDialog* progressDialog() const;
    // The results of the last import that ended.
    const std::vector<ImportResult>& results() const { return lastResults; }

    // What a person is told when it ends: the counts, then the files skipped or failed.
    static QString summary(const std::vector<ImportResult>& results);

signals:
    void busyChanged(bool busy);
    // On the user-interface thread, once the worker has ended.
    void finished();
    // Each recording copied in, as it is known (on the user-interface thread).
    void imported();
    // The same, with the recording's SHA-256 and its folder in the library (UTF-8).
    void recordingImported(const std::string& sha256, const std::string& folder);

private:
    struct Run;

    void showProgress(quint64 done, quint64 total);
    void end();

    QWidget* window;
    QThread* worker = nullptr;
    std::shared_ptr<Run> run;
    QPointer<QProgressDialog> dialog;
    std::vector<ImportResult> lastResults;
};
