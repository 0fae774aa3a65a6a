// The library's window: its rows and their order, the filter, the user's fields saved in
// place, the removal to the trash, the opening in the viewer, and the import it starts.
#include <gtest/gtest.h>

#include <filesystem>

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include "CMainFrame.h"
#include "CardWatcher.h"
#include "Environment.h"
#include "FileBytes.h"
#include "ImportRunner.h"
#include "Library.h"
#include "LibraryCommands.h"
#include "LibraryFilter.h"
#include "LibraryFolder.h"
#include "LibraryModel.h"
#include "LibraryWindow.h"
#include "PlayerWnd.h"
#include "Recording.h"
#include "ScriptedPrompts.h"
#include "TestLibrary.h"
#include "ThumbnailLoader.h"

namespace fs = std::filesystem;
using Kind = ScriptedPrompts::Kind;

namespace {

class LibraryWindowTest : public ::testing::Test {
protected:
    LibraryWindowTest() {
        Prompts::install(&prompts);
        for (const auto& [name, date] : {std::pair{"a.dat", "2026:11:28 14:35:07"},
                                         std::pair{"b.dat", "2026:12:01 08:00:00"},
                                         std::pair{"c.dat", "2025:01:05 23:59:59"}}) {
            paths.push_back(files.import(files.putOnCard(name, testRecording(5, date))));
        }
        window.showLibrary(Library(files.root));
    }
    ~LibraryWindowTest() override { Prompts::install(nullptr); }

    QStringList column(int which) const {
        QStringList texts;
        for (int row = 0; row < window.filter()->rowCount(); ++row) {
            texts << window.filter()->index(row, which).data().toString();
        }
        return texts;
    }

    ScriptedPrompts prompts;
    TestLibrary files;
    std::vector<std::string> paths;
    LibraryWindow window;
};

}  // namespace

TEST_F(LibraryWindowTest, NewestFirstNarrowedByTextAndDaysAndPicturesFilledIn) {
    EXPECT_EQ(column(LibraryModel::Captured),
              (QStringList{"2026/12/01 08:00:00", "2026/11/28 14:35:07", "2025/01/05 23:59:59"}));
    EXPECT_EQ(column(LibraryModel::Frames), (QStringList{"5", "5", "5"}));
    EXPECT_EQ(column(LibraryModel::Length), (QStringList{"0.1 秒", "0.1 秒", "0.1 秒"}));
    EXPECT_EQ(column(LibraryModel::State), (QStringList{"", "", ""}));

    QAbstractItemModel* shown = window.filter();
    ASSERT_TRUE(shown->setData(shown->index(1, LibraryModel::Vehicle), QStringLiteral("品川 300 あ 12-34")));
    window.filterText()->setText(QStringLiteral("品川"));
    EXPECT_EQ(column(LibraryModel::Captured), (QStringList{"2026/11/28 14:35:07"}));
    window.filterText()->setText(QStringLiteral("2026/12 08:00"));
    EXPECT_EQ(column(LibraryModel::Captured), (QStringList{"2026/12/01 08:00:00"}));
    window.filterText()->clear();
    window.filter()->setDays(QDate(2026, 11, 28), QDate(2026, 11, 30));
    EXPECT_EQ(column(LibraryModel::Captured), (QStringList{"2026/11/28 14:35:07"}));
    window.filter()->setDays(QDate(), QDate(2026, 11, 28));
    EXPECT_EQ(column(LibraryModel::Captured), (QStringList{"2026/11/28 14:35:07", "2025/01/05 23:59:59"}));
    window.filter()->setDays({}, {});

    ASSERT_TRUE(QTest::qWaitFor([this] { return !window.thumbnails()->isBusy(); }, 20000));
    for (int row = 0; row < 3; ++row) {
        const QVariant picture = shown->index(row, LibraryModel::Picture).data(Qt::DecorationRole);
        EXPECT_FALSE(picture.value<QImage>().isNull()) << row;
    }
}

TEST_F(LibraryWindowTest, FieldsAreSavedAtOnceAndABrokenSidecarIsRefusedAndReported) {
    QAbstractItemModel* shown = window.filter();
    ASSERT_TRUE(shown->setData(shown->index(0, LibraryModel::Driver), QStringLiteral("山田 太郎")));
    ASSERT_TRUE(shown->setData(shown->index(0, LibraryModel::Note), QStringLiteral("交差点で\n急停止")));
    const std::string folder = fs::path(paths[1]).parent_path().string();
    const auto entry = Library::readFolder(folder);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->sidecarProblem, "");
    EXPECT_EQ(entry->driver, "山田 太郎");
    EXPECT_EQ(entry->note, "交差点で\n急停止");
    EXPECT_TRUE(prompts.calls().empty());

    const std::string broken = "{\"formatVersion\": 1, \"sha256\": 5";
    ASSERT_TRUE(writeBytes(folder + "/recording.json", broken));
    window.reload();
    EXPECT_EQ(column(LibraryModel::State)[0], QStringLiteral("recording.json に問題"));
    EXPECT_FALSE(shown->setData(shown->index(0, LibraryModel::Vehicle), QStringLiteral("x")));
    EXPECT_EQ(readBytes(folder + "/recording.json"), broken);
    const auto messages = prompts.callsOf(Kind::message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].text.find(fs::path(folder).filename().string()), std::string::npos);
    EXPECT_EQ(messages[0].icon, Prompts::Icon::Warning);
    EXPECT_EQ(column(LibraryModel::Vehicle)[0], QString());
}

TEST_F(LibraryWindowTest, RemovalAsksFirstThenMovesTheFolderToTheTrash) {
    TempFolder trashHome;
    setEnvironment("XDG_DATA_HOME", trashHome.path());
    const std::string folder = fs::path(paths[1]).parent_path().string();  // the newest
    window.view()->setCurrentIndex(window.filter()->index(0, LibraryModel::Captured));

    prompts.messageAnswers = {Prompts::Answer::Cancel};
    window.removeCurrent();
    ASSERT_EQ(prompts.callsOf(Kind::message).size(), 1u);
    EXPECT_EQ(prompts.calls()[0].buttons, Prompts::Buttons::OkCancel);
    EXPECT_TRUE(fs::exists(folder));
    EXPECT_EQ(window.filter()->rowCount(), 3);

    {
        // Some systems (Wine among them) have no trash to move a folder to.
        TempFolder probe;
        const QString file = QString::fromStdString(probe.file("probe"));
        ASSERT_TRUE(writeBytes(probe.file("probe"), "x"));
        if (!QFile::moveToTrash(file)) {
            GTEST_SKIP() << "this system has no trash";
        }
    }
    prompts.messageAnswers = {Prompts::Answer::Ok};
    window.removeCurrent();
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_EQ(window.filter()->rowCount(), 2);
    EXPECT_EQ(Library(files.root).entries().size(), 2u);
    // In the trash, whole, where the desktop's trash finds it.
    EXPECT_TRUE(fs::exists(fs::path(trashHome.path()) / "Trash/files" / fs::path(folder).filename() /
                           "b.dat"));
    unsetEnvironment("XDG_DATA_HOME");
}

TEST(LibraryInFrame, DropDownFollowsTheExportsAndEnterOpensTheRecordingInTheViewer) {
    ScriptedPrompts prompts;
    Prompts::install(&prompts);
    TestLibrary files;
    const std::string path = files.import(files.putOnCard("halcjpeg.dat", testRecording(5, "2026:11:28 14:35:07")));
    TempFolder settings;
    const std::string ini = settings.file("Halcyra.ini");
    ASSERT_TRUE(LibraryFolder(ini).save(files.root));
    {
        CMainFrame frame;
        frame.library().useSettings(ini);
        frame.library().cardWatcher().stop();
        const QList<QAction*> menus = frame.menuBar()->actions();
        ASSERT_GE(menus.size(), 4);
        EXPECT_EQ(menus[0]->text(), QStringLiteral("メニュー(&M)"));
        EXPECT_EQ(menus[1]->text(), QStringLiteral("書き出し(&E)"));
        EXPECT_EQ(menus[2]->text(), QStringLiteral("ライブラリ(&L)"));
        QStringList items;
        for (const QAction* item : menus[2]->menu()->actions()) {
            items << item->text();
        }
        EXPECT_EQ(items, (QStringList{"ライブラリを開く(&O)...", "取り込み(&I)...", "ファイルを取り込み(&N)...",
                                      "", "ライブラリの場所(&F)...", "サーバーの設定(&V)..."}));
        EXPECT_EQ(menus[2]->menu()->actions()[0]->shortcut(), QKeySequence(QStringLiteral("Ctrl+L")));

        frame.show();
        frame.library().onOpenLibrary();
        LibraryWindow* window = frame.library().libraryWindow();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        QSignalSpy opened(frame.view(), &PlayerWnd::recordingOpened);
        window->view()->setFocus();
        QTest::keyClick(window->view(), Qt::Key_Return);
        ASSERT_TRUE(opened.wait(5000));
        EXPECT_EQ(opened[0][0].toString(), QFile::decodeName(path.c_str()));
        EXPECT_TRUE(opened[0][1].toBool());
        EXPECT_EQ(frame.view()->loadedRecording().frameCount(), 5u);

        // Another library chosen: remembered and listed.
        TestLibrary other;
        prompts.folderAnswers = {other.root};
        frame.library().onChooseLocation();
        EXPECT_EQ(LibraryFolder(ini).load(), Library(other.root).root());
        EXPECT_EQ(window->model()->rowCount(), 0);
    }
    Prompts::install(nullptr);
}

TEST(LibraryImport, RunsOffTheWindowAndACancelLeavesOnlyWholeRecordings) {
    ScriptedPrompts prompts;
    Prompts::install(&prompts);
    TestLibrary files;
    for (int i = 0; i < 6; ++i) {
        files.putOnCard("DCIM/" + std::to_string(i) + ".dat",
                        testRecording(300, "2026:11:2" + std::to_string(i) + " 10:00:00"));
    }
    files.putOnCard("notes.txt", {'h', 'e', 'l', 'l', 'o', ' ', 'c', 'a', 'r', 'd', '!', '!'});

    ImportRunner runner(nullptr);
    ASSERT_TRUE(runner.start(Library(files.root).root(), {files.card}));
    EXPECT_FALSE(runner.start(Library(files.root).root(), {files.card}));
    ASSERT_NE(runner.progressDialog(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&runner] { return !runner.isBusy(); }, 60000));
    EXPECT_EQ(runner.progressDialog(), nullptr);
    const QString summary = ImportRunner::summary(runner.results());
    EXPECT_TRUE(summary.contains(QStringLiteral("取り込み: 6 件"))) << summary.toStdString();
    EXPECT_TRUE(summary.contains(QStringLiteral("録画ではないため除外: 1 件")));
    EXPECT_TRUE(summary.contains(QStringLiteral("notes.txt: not a recording")));

    // Again into a fresh library, cancelled as soon as it starts.
    TestLibrary second;
    ASSERT_TRUE(runner.start(Library(second.root).root(), {files.card}));
    runner.cancel();
    ASSERT_TRUE(QTest::qWaitFor([&runner] { return !runner.isBusy(); }, 60000));
    int imported = 0;
    for (const ImportResult& result : runner.results()) {
        EXPECT_TRUE(result.status == ImportResult::Status::Imported ||
                    result.status == ImportResult::Status::Cancelled ||
                    result.status == ImportResult::Status::Skipped);
        imported += result.status == ImportResult::Status::Imported ? 1 : 0;
    }
    std::size_t folders = 0;
    std::error_code none;
    for (const auto& entry : fs::directory_iterator(second.root, none)) {
        EXPECT_NE(entry.path().filename().string()[0], '.') << "a copy left half made";
        ++folders;
    }
    EXPECT_EQ(folders, static_cast<std::size_t>(imported));
    EXPECT_EQ(Library(second.root).entries().size(), static_cast<std::size_t>(imported));
    if (imported < 6) {
        EXPECT_TRUE(ImportRunner::summary(runner.results()).startsWith(QStringLiteral("取り込みを中止しました")));
    }
    Prompts::install(nullptr);
}
