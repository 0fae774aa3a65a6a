#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include "ClipDialog.h"
#include "EvidencePackage.h"
#include "ExportRunner.h"
#include "PackageVerifier.h"
#include "Recording.h"
#include "SaveFolder.h"
#include "StandInOwner.h"

namespace {

template <typename T>
T* child(QWidget& parent, const char* name) {
    T* found = parent.findChild<T*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

TEST(ClipDialogTest, ChoicesMapToTheClipOptions) {
    ClipDialog dialog;
    auto* overlay = child<QCheckBox>(dialog, "overlayBox");
    auto* from = child<QDoubleSpinBox>(dialog, "fromBox");
    auto* to = child<QDoubleSpinBox>(dialog, "toBox");

    // At first: the original as AVI, the whole recording, nothing drawn into it.
    ClipOptions options = dialog.options();
    EXPECT_EQ(options.kind, ClipKind::OriginalAvi);
    EXPECT_FALSE(options.span.fromSeconds);
    EXPECT_FALSE(options.span.toSeconds);
    EXPECT_FALSE(options.overlay);
    EXPECT_FALSE(options.replace);
    EXPECT_FALSE(overlay->isEnabled());
    EXPECT_FALSE(from->isEnabled());
    EXPECT_EQ(ClipDialog::suffixFor(options.kind), "avi");

    child<QRadioButton>(dialog, "mkvButton")->click();
    child<QRadioButton>(dialog, "eventButton")->click();
    options = dialog.options();
    EXPECT_EQ(options.kind, ClipKind::OriginalMkv);
    EXPECT_EQ(options.span.fromSeconds, -5.0);
    EXPECT_EQ(options.span.toSeconds, 3.0);
    EXPECT_FALSE(options.overlay);
    EXPECT_EQ(ClipDialog::suffixFor(options.kind), "mkv");

    // The overlay is the share copy's alone, on unless turned off.
    child<QRadioButton>(dialog, "mp4Button")->click();
    child<QRadioButton>(dialog, "chosenButton")->click();
    EXPECT_TRUE(overlay->isEnabled());
    EXPECT_TRUE(from->isEnabled());
    from->setValue(-2.5);
    to->setValue(1.25);
    options = dialog.options();
    EXPECT_EQ(options.kind, ClipKind::ShareMp4);
    EXPECT_EQ(options.span.fromSeconds, -2.5);
    EXPECT_EQ(options.span.toSeconds, 1.25);
    EXPECT_TRUE(options.overlay);
    EXPECT_EQ(ClipDialog::suffixFor(options.kind), "mp4");
    overlay->click();
    EXPECT_FALSE(dialog.options().overlay);

    child<QRadioButton>(dialog, "wholeButton")->click();
    EXPECT_FALSE(dialog.options().span.fromSeconds);
    EXPECT_FALSE(from->isEnabled());
}

TEST(SaveFolderTest, StartsAtHomeThenWhereTheLastExportWent) {
    const QTemporaryDir temporary;
    const std::string root = QFile::encodeName(temporary.path()).toStdString() + "/";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(root + "out")));
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(root + "CARD")));
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(root + "cases/20261128-143507")));
    SaveFolder folder;
    EXPECT_EQ(folder.start(), QDir::homePath().toStdString() + "/");
    folder.remember(root + "CARD/../out/clip.mp4");
    EXPECT_EQ(folder.start(), root + "out/");
    // A package is a folder; the next dialog starts beside it.
    folder.remember(root + "cases/20261128-143507/");
    EXPECT_EQ(folder.start(), root + "cases/");
}

TEST(SaveFolderTest, TheLastFolderIsKeptBesideTheViewOptionsUntilItIsGone) {
    const QTemporaryDir temporary;
    const std::string root = QFile::encodeName(temporary.path()).toStdString() + "/";
    const std::string ini = root + "Halcyra.ini";
    const std::string home = QDir::homePath().toStdString() + "/";
    const std::string cases = root + "事故 2026/";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(cases)));
    {
        QFile file(QString::fromStdString(ini));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Config]\r\nCarSense1=3\r\n[View]\r\nSmoothScaling=1\r\n");
    }
    EXPECT_EQ(SaveFolder(ini).start(), home);
    SaveFolder(ini).remember(cases + "a-share.mp4");
    // The next run starts there; the other sections are as they were.
    EXPECT_EQ(SaveFolder(ini).start(), cases);
    QFile file(QString::fromStdString(ini));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(),
              "[Config]\r\nCarSense1=3\r\n[View]\r\nSmoothScaling=1\r\n[Export]\r\nLastFolder=" +
                  cases + "\r\n");
    file.close();

    // Removed (or the card taken out): home again, in this run and the next.
    SaveFolder running(ini);
    running.remember(cases + "a-report.pdf");
    ASSERT_TRUE(QDir(QString::fromStdString(cases)).removeRecursively());
    EXPECT_EQ(running.start(), home);
    EXPECT_EQ(SaveFolder(ini).start(), home);
    // A value edited by hand into something that is no folder, or no absolute one.
    for (const char* stored : {"[Export]\nLastFolder=relative/\n", "[Export]\nLastFolder=\n",
                               "[Export]\nLastFolder=/dev/null\n"}) {
        QFile edited(QString::fromStdString(ini));
        ASSERT_TRUE(edited.open(QIODevice::WriteOnly | QIODevice::Truncate));
        edited.write(stored);
        edited.close();
        EXPECT_EQ(SaveFolder(ini).start(), home) << stored;
    }
}

class RunnerTest : public ::testing::Test {
protected:
    RunnerTest() {
        recording.setOwner(&owner);
        EXPECT_TRUE(recording.load(HALCYRA_SAMPLE_PATH));
        runner.connect(&runner, &ExportRunner::finished,
                       [this](const ExportResult& result) { results.push_back(result); });
    }
    ExportResult runToEnd() {
        const std::size_t before = ended;
        EXPECT_TRUE(QTest::qWaitFor([this, before] { return results.size() > before; }, 60000));
        ended = results.size();
        EXPECT_FALSE(runner.isBusy());
        EXPECT_EQ(runner.progressDialog(), nullptr);
        return results.empty() ? ExportResult{} : results.back();
    }
    std::string target(const char* name) const {
        return QDir(folder.path()).filePath(QLatin1String(name)).toStdString();
    }
    ExportRunner::Job clipJob(const std::string& path) {
        return [this, path](ExportProgress& progress) {
            return exportClip(recording, path, ClipOptions{}, progress);
        };
    }

    StandInOwner owner;
    Recording recording;
    QWidget window;
    ExportRunner runner{&window};
    QTemporaryDir folder;
    std::vector<ExportResult> results;
    std::size_t ended = 0;
};

TEST_F(RunnerTest, AJobWritesItsFileOffTheInterfaceThreadWithProgress) {
    std::vector<bool> busy;
    runner.connect(&runner, &ExportRunner::busyChanged, [&busy](bool now) { busy.push_back(now); });
    ASSERT_TRUE(runner.start(QStringLiteral("clip"), clipJob(target("clip.avi"))));
    EXPECT_TRUE(runner.isBusy());
    ASSERT_NE(runner.progressDialog(), nullptr);
    EXPECT_TRUE(runner.progressDialog()->isVisible());
    EXPECT_FALSE(runner.progressDialog()->isModal());
    // One at a time: the recording is read by the job that runs.
    EXPECT_FALSE(runner.start(QStringLiteral("second"), clipJob(target("second.avi"))));

    const ExportResult result = runToEnd();
    EXPECT_EQ(result.status, ExportResult::Status::Written) << result.message;
    EXPECT_GT(QFileInfo(QString::fromStdString(target("clip.avi"))).size(), 100000);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(target("second.avi"))));
    EXPECT_EQ(busy, (std::vector<bool>{true, false}));
}

// The window's runner thread writes the share copy with the times drawn (its pictures on a
// thread of their own below it) and a whole package, which its own verifier then accepts.
TEST_F(RunnerTest, TheShareCopyWithTheTimesAndThePackageAreWrittenFromTheRunner) {
    const std::string mp4 = target("share.mp4");
    ASSERT_TRUE(runner.start(QStringLiteral("share"), [this, mp4](ExportProgress& progress) {
        ClipOptions options;
        options.kind = ClipKind::ShareMp4;
        options.span = ReadoutSpan{-2.0, 2.0};
        return exportClip(recording, mp4, options, progress);
    }));
    ExportResult result = runToEnd();
    EXPECT_EQ(result.status, ExportResult::Status::Written) << result.message;
    EXPECT_GT(QFileInfo(QString::fromStdString(mp4)).size(), 10000);

    const std::string package = target("package");
    ASSERT_TRUE(runner.start(QStringLiteral("package"), [this, package](ExportProgress& progress) {
        return exportEvidencePackage(recording, HALCYRA_SAMPLE_PATH, package, PackageOptions{},
                                     progress);
    }));
    result = runToEnd();
    ASSERT_EQ(result.status, ExportResult::Status::Written) << result.message;
    ExportProgress quiet;
    EXPECT_TRUE(verifyEvidencePackage(package, quiet).holds());
}

TEST_F(RunnerTest, ACancelledJobLeavesNothing) {
    ASSERT_TRUE(runner.start(QStringLiteral("clip"), clipJob(target("clip.mp4"))));
    runner.cancel();
    EXPECT_EQ(runToEnd().status, ExportResult::Status::Cancelled);
    EXPECT_TRUE(QDir(folder.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));

    // Cancel through the dialog's button: the job sees it on its next step.
    const std::string path = target("clip.mp4");
    ASSERT_TRUE(runner.start(QStringLiteral("clip"), [this, path](ExportProgress& progress) {
        progress.advance(1, 900);
        while (!progress.isCancelled()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return exportClip(recording, path, ClipOptions{}, progress);
    }));
    const QPointer<QProgressDialog> dialog = runner.progressDialog();
    ASSERT_TRUE(QTest::qWaitFor([&dialog] { return dialog->value() == 1; }));
    EXPECT_EQ(dialog->maximum(), 900);
    QPushButton* cancel = dialog->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), QStringLiteral("キャンセル"));
    cancel->click();
    EXPECT_EQ(runToEnd().status, ExportResult::Status::Cancelled);
    EXPECT_TRUE(QDir(folder.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

}  // namespace
