#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "CMainFrame.h"
#include "ClipDialog.h"
#include "ClipExport.h"
#include "FileBytes.h"
#include "RedactionEditor.h"
#include "RedactionPlan.h"
#include "StillExport.h"
#include "ExportCommands.h"
#include "PlayerTestSupport.h"

namespace {

using Kind = ScriptedPrompts::Kind;

class ExportMenuTest : public ::testing::Test {
protected:
    ExportMenuTest() {
        Prompts::install(&prompts);
        // The remembered folder of other runs must not decide where these dialogs start.
        frame.exports().useSettings(folder.path("Halcyra.ini"));
        frame.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&frame));
    }
    ~ExportMenuTest() override { Prompts::install(nullptr); }

    QList<QAction*> exportItems() const {
        const QList<QAction*> menus = frame.menuBar()->actions();
        return menus.size() >= 2 ? menus[1]->menu()->actions() : QList<QAction*>{};
    }
    void waitForExport() {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !frame.exports().runner().isBusy(); }, 60000));
    }

    ScriptedPrompts prompts;
    ManualTimer timer;
    TestFolder folder;
    CMainFrame frame;
};

TEST_F(ExportMenuTest, SecondDropDownFollowsTheLoadedState) {
    const QList<QAction*> menus = frame.menuBar()->actions();
    // Other drop-downs may follow (the help drop-down is the last).
    ASSERT_GE(menus.size(), 2);
    EXPECT_EQ(menus[0]->text(), QStringLiteral("メニュー(&M)"));
    EXPECT_EQ(menus[0]->menu()->actions().size(), 6);
    EXPECT_EQ(menus[1]->text(), QStringLiteral("書き出し(&E)"));
    const QList<QAction*> all = exportItems();
    ASSERT_EQ(all.size(), 11);
    const QList<QAction*> items = all.mid(0, 4);
    // After the exports: the clock of the open recording, and the check of any package, then
    // the redaction of the open recording.
    EXPECT_TRUE(all[4]->isSeparator());
    EXPECT_EQ(all[5]->text(), QStringLiteral("時計の補正(&T)..."));
    EXPECT_EQ(all[6]->text(), QStringLiteral("証拠一式の検証(&V)..."));
    EXPECT_FALSE(all[5]->isEnabled());
    EXPECT_TRUE(all[6]->isEnabled());
    EXPECT_TRUE(all[7]->isSeparator());
    EXPECT_EQ(all.mid(8), frame.redaction().menuActions());
    EXPECT_EQ(all[8]->text(), QStringLiteral("墨消し(&K)"));
    EXPECT_TRUE(all[8]->isCheckable());
    EXPECT_FALSE(all[8]->isEnabled());
    EXPECT_EQ(items[0]->text(), QStringLiteral("静止画の保存(&S)..."));
    EXPECT_EQ(items[0]->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    EXPECT_EQ(items[1]->text(), QStringLiteral("動画の書き出し(&C)..."));
    EXPECT_EQ(items[1]->shortcut(), QKeySequence(QStringLiteral("Ctrl+E")));
    EXPECT_EQ(items[2]->text(), QStringLiteral("報告書の作成(&R)..."));
    EXPECT_EQ(items[3]->text(), QStringLiteral("証拠一式の書き出し(&P)..."));
    EXPECT_EQ(items, frame.exports().actions());
    // The same commands in the image area's context menu.
    const QList<QAction*> context = frame.view()->createContextMenu()->actions();
    for (QAction* item : items) {
        EXPECT_TRUE(context.contains(item)) << item->text().toStdString();
    }

    const auto enabled = [&items] {
        int count = 0;
        for (const QAction* item : items) {
            count += item->isEnabled() ? 1 : 0;
        }
        return count;
    };
    EXPECT_EQ(enabled(), 0);
    // Nothing reaches a save dialog while nothing is loaded, not even by the key.
    QTest::keyClick(&frame, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(prompts.calls().empty());

    ASSERT_TRUE(frame.view()->openRecording(folder.recording("a.dat", {1, 4, 7})));
    EXPECT_EQ(enabled(), items.size());
    EXPECT_TRUE(all[5]->isEnabled());
    EXPECT_TRUE(all[8]->isEnabled());
    EXPECT_FALSE(frame.view()->openRecording(folder.path("missing.dat")));
    EXPECT_EQ(enabled(), 0);
}

TEST_F(ExportMenuTest, SaveDialogsStartAtHomeThenInTheLastExportFolder) {
    ASSERT_TRUE(frame.view()->openRecording(folder.recording("a.dat", {1, 4, 7})));
    const std::string still = folder.path("a-1.jpg");
    prompts.saveFileAnswers = {still};
    exportItems()[0]->trigger();
    ASSERT_EQ(prompts.saveFileRequests.size(), 1U);
    EXPECT_EQ(prompts.saveFileRequests[0].initialPath, QDir::homePath().toStdString() + "/a-1.jpg");
    EXPECT_EQ(prompts.saveFileRequests[0].defaultSuffix, "jpg");
    waitForExport();
    ASSERT_TRUE(QFile::exists(QString::fromStdString(still)));
    EXPECT_TRUE(prompts.callsOf(Kind::message).empty());
    // Kept for the next run too.
    EXPECT_EQ(SaveFolder(folder.path("Halcyra.ini")).start(), folder.path(""));

    // Into the same file again: asked first; Cancel keeps the file and starts nothing.
    prompts.saveFileAnswers = {still};
    prompts.messageAnswers = {Prompts::Answer::Cancel};
    exportItems()[2]->trigger();
    ASSERT_EQ(prompts.saveFileRequests.size(), 2U);
    EXPECT_EQ(prompts.saveFileRequests[1].initialPath, folder.path("a-report.pdf"));
    ASSERT_EQ(prompts.callsOf(Kind::message).size(), 1U);
    EXPECT_EQ(prompts.callsOf(Kind::message)[0].text, "「a-1.jpg」はすでにあります。\n置き換えますか？");
    EXPECT_EQ(prompts.callsOf(Kind::message)[0].buttons, Prompts::Buttons::OkCancel);
    EXPECT_FALSE(frame.exports().runner().isBusy());
}

TEST_F(ExportMenuTest, AFailureNamesTheFileAndTheCause) {
    ASSERT_TRUE(frame.view()->openRecording(folder.recording("a.dat", {1, 4, 7})));
    prompts.saveFileAnswers = {folder.path("no-such-folder/a.jpg")};
    exportItems()[0]->trigger();
    waitForExport();
    const auto messages = prompts.callsOf(Kind::message);
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(messages[0].text.rfind("「a.jpg」を書き出せませんでした。\n", 0), 0U) << messages[0].text;
    EXPECT_GT(messages[0].text.size(), std::string("「a.jpg」を書き出せませんでした。\n").size());
    EXPECT_EQ(messages[0].icon, Prompts::Icon::Warning);
}

TEST_F(ExportMenuTest, APackageGetsAFolderOfItsOwnInsideAFolderInUse) {
    ASSERT_TRUE(frame.view()->openRecording(folder.recording("a.dat", {1, 4, 7})));
    prompts.saveFolderAnswers = {folder.path("")};
    exportItems()[3]->trigger();
    ASSERT_EQ(prompts.callsOf(Kind::saveFolder).size(), 1U);
    EXPECT_EQ(prompts.callsOf(Kind::saveFolder)[0].initialFolder, QDir::homePath().toStdString() + "/");
    waitForExport();
    EXPECT_TRUE(prompts.callsOf(Kind::message).empty());
    EXPECT_TRUE(QFile::exists(QString::fromStdString(folder.path("a-evidence/SHA256SUMS"))));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(folder.path("a-evidence/a.dat"))));

    // Once more: the package's folder holds files now, so the user is asked first.
    prompts.saveFolderAnswers = {folder.path("")};
    prompts.messageAnswers = {Prompts::Answer::Cancel};
    exportItems()[3]->trigger();
    EXPECT_EQ(prompts.callsOf(Kind::saveFolder)[1].initialFolder, folder.path(""));  // the folder, ending in "/"
    ASSERT_EQ(prompts.callsOf(Kind::message).size(), 1U);
    EXPECT_EQ(prompts.callsOf(Kind::message)[0].text,
              "「a-evidence」にはすでにファイルがあります。\n同じ名前のファイルを置き換えますか？");
    EXPECT_FALSE(frame.exports().runner().isBusy());

    // The package just written, checked from the menu: every file holds.
    prompts.folderAnswers = {folder.path("a-evidence")};
    prompts.messageAnswers = {Prompts::Answer::Ok};
    exportItems()[6]->trigger();
    waitForExport();
    ASSERT_EQ(prompts.callsOf(Kind::message).size(), 2U);
    const std::string report = prompts.callsOf(Kind::message)[1].text;
    EXPECT_TRUE(report.starts_with("「a-evidence」の証拠一式を検証しました。")) << report;
    EXPECT_TRUE(report.ends_with("\n\na.dat: OK\na-original.avi: OK\na-share.mp4: OK\n"
                                 "a-event.jpg: OK\na-report.pdf: OK\nSHA256SUMS: OK"))
        << report;
}

TEST_F(ExportMenuTest, OpeningWaitsUntilTheExportEnds) {
    ASSERT_TRUE(frame.view()->openRecording(folder.recording("a.dat", {1, 4, 7})));
    std::atomic<bool> release{false};
    ASSERT_TRUE(frame.exports().runner().start(QStringLiteral("job"), [&release](ExportProgress&) {
        while (!release.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return ExportResult::ok();
    }));
    EXPECT_FALSE(frame.exports().actions()[1]->isEnabled());

    frame.view()->requestOpen(folder.recording("b.dat", {1, 2, 3, 4}));
    frame.view()->requestOpen(folder.recording("c.dat", {1, 2, 3, 4, 5}));
    QTest::qWait(50);
    EXPECT_EQ(frame.view()->loadedRecording().frameCount(), 3U);

    // The last file asked for is opened once the export is over.
    release = true;
    waitForExport();
    EXPECT_TRUE(QTest::qWaitFor([this] { return frame.view()->loadedRecording().frameCount() == 5U; }));
    EXPECT_TRUE(frame.exports().actions()[1]->isEnabled());
}

TEST_F(ExportMenuTest, TheExportsOfTheOpenRecordingCarryItsRegionsAndOriginalsNever) {
    ASSERT_TRUE(frame.view()->openRecording(HALCYRA_SAMPLE_PATH));
    const Recording& recording = frame.view()->loadedRecording();
    RedactionRegion region(RedactionLabel::Plate);
    region.setKey({0, {100, 300, 120, 40}});
    region.setKey({200, {300, 320, 160, 60}});
    RedactionPlan plan;
    plan.regions().push_back(region);
    // Entered from the image area's menu; the exports take the regions as they are drawn.
    const QList<QAction*> context = frame.view()->createContextMenu()->actions();
    ASSERT_TRUE(context.contains(frame.redaction().modeAction()));
    frame.redaction().modeAction()->trigger();
    ASSERT_TRUE(frame.redaction().isActive());
    frame.redaction().setPlan(plan);
    ASSERT_NE(frame.exports().redaction(), nullptr);

    // The share copy through the clip dialog, against the core with the same plan.
    const std::string share = folder.path("window-share.mp4");
    prompts.saveFileAnswers = {share};
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<ClipDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QRadioButton*>(QStringLiteral("mp4Button"))->click();
        dialog->findChild<QRadioButton*>(QStringLiteral("chosenButton"))->click();
        dialog->findChild<QDoubleSpinBox*>(QStringLiteral("fromBox"))->setValue(0.0);
        dialog->findChild<QDoubleSpinBox*>(QStringLiteral("toBox"))->setValue(0.5);
        dialog->accept();
    });
    exportItems()[1]->trigger();
    waitForExport();
    ASSERT_TRUE(prompts.callsOf(Kind::message).empty());
    ClipOptions options{ClipKind::ShareMp4, {0.0, 0.5}, true, false, {},
                        std::make_shared<const RedactionPlan>(plan)};
    ExportProgress progress;
    const std::string core = folder.path("core-share.mp4");
    ASSERT_EQ(exportClip(recording, core, options, progress).status, ExportResult::Status::Written);
    EXPECT_EQ(readBytes(share), readBytes(core));
    options.redaction = nullptr;
    const std::string plain = folder.path("plain-share.mp4");
    ASSERT_EQ(exportClip(recording, plain, options, progress).status, ExportResult::Status::Written);
    EXPECT_NE(readBytes(share), readBytes(plain));

    // A PNG still is redacted as the core redacts it; the .jpg is the recorded frame.
    for (int step = 0; step < 100; ++step) {
        frame.view()->onNext();
    }
    const std::string png = folder.path("window.png");
    prompts.saveFileAnswers = {png};
    exportItems()[0]->trigger();
    waitForExport();
    StillOptions still;
    still.overlay = true;
    still.redaction = std::make_shared<const RedactionPlan>(plan);
    const std::string corePng = folder.path("core.png");
    ASSERT_EQ(exportStill(recording, 100, corePng, still, progress).status,
              ExportResult::Status::Written);
    EXPECT_EQ(readBytes(png), readBytes(corePng));
    const std::string jpg = folder.path("window.jpg");
    prompts.saveFileAnswers = {jpg};
    exportItems()[0]->trigger();
    waitForExport();
    EXPECT_TRUE(prompts.callsOf(Kind::message).empty());
    EXPECT_EQ(readBytes(jpg).size(), static_cast<std::size_t>(recording.frameAt(100).jpegSize));
}

}  // namespace
