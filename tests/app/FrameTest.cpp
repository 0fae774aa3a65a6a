#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>

#include "AboutDialog.h"
#include "CMainFrame.h"
#include "PlayerTestSupport.h"
#include "QtPrompts.h"
#include "ViewerApp.h"

namespace {

class FrameTest : public ::testing::Test {
protected:
    FrameTest() { Prompts::install(&prompts); }
    ~FrameTest() override { Prompts::install(nullptr); }

    std::unique_ptr<CMainFrame> showFrame(const std::string& commandLine = {}) {
        auto frame = std::make_unique<CMainFrame>(commandLine);
        frame->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        return frame;
    }
    void startPlayback(CMainFrame& frame) {
        ASSERT_TRUE(frame.view()->openRecording(folder.recording("a.dat", {1, 4, 7})));
        frame.view()->onPlay();
        ASSERT_NE(frame.view()->runningTimerId(), 0U);
    }

    ScriptedPrompts prompts;
    ManualTimer timer;
    TestFolder folder;
};

TEST_F(FrameTest, FirstShowGivesTheViewItsMinimumCentredOnTheScreen) {
    const auto frame = showFrame();
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("ソラミルViewer"));
    EXPECT_FALSE(frame->windowIcon().isNull());
    EXPECT_EQ(frame->centralWidget(), frame->view());
    EXPECT_EQ(frame->view()->property("controlId").toInt(), 0xE900);
    EXPECT_EQ(frame->view()->size(), QSize(288, 298));
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint offset = frame->frameGeometry().center() - work.center();
    EXPECT_LE(std::abs(offset.x()), 1);
    EXPECT_LE(std::abs(offset.y()), 1);
    EXPECT_TRUE(frame->view()->hasFocus());
}

TEST_F(FrameTest, ViewNeverShrinksBelowItsMinimum) {
    const auto frame = showFrame();
    EXPECT_EQ(frame->minClientWidth(), 288);
    EXPECT_EQ(frame->minClientHeight(), 298);
    frame->resize(100, 100);
    QCoreApplication::processEvents();
    EXPECT_EQ(frame->view()->size(), QSize(288, 298));
    frame->resize(600, 500);
    QCoreApplication::processEvents();
    EXPECT_EQ(frame->view()->width(), 600);
    EXPECT_GT(frame->view()->height(), 298);
}

TEST_F(FrameTest, MenuOffersTheFourCommandsInOrder) {
    const auto frame = showFrame();
    const QList<QAction*> menus = frame->menuBar()->actions();
    ASSERT_GE(menus.size(), 2);  // the export drop-down and others follow
    EXPECT_EQ(menus[0]->text(), QStringLiteral("メニュー(&M)"));
    const QList<QAction*> items = menus[0]->menu()->actions();
    ASSERT_EQ(items.size(), 6);
    EXPECT_EQ(items[0]->text(), QStringLiteral("衝撃検出感度の設定(&S)"));
    EXPECT_EQ(items[0]->data().toInt(), 32774);
    EXPECT_EQ(items[1]->text(), QStringLiteral("時計の設定(&T)"));
    EXPECT_EQ(items[1]->data().toInt(), 32775);
    EXPECT_TRUE(items[2]->isSeparator());
    EXPECT_EQ(items[3]->text(), QStringLiteral("バージョン情報(&V)"));
    EXPECT_EQ(items[3]->data().toInt(), 32773);
    EXPECT_TRUE(items[4]->isSeparator());
    EXPECT_EQ(items[5]->text(), QStringLiteral("終了(&Q)"));
    EXPECT_EQ(items[5]->data().toInt(), 8);

    // "終了(&Q)" closes the frame as the exit button does, from the event loop.
    items[5]->trigger();
    EXPECT_TRUE(frame->isVisible());
    QCoreApplication::processEvents();
    EXPECT_FALSE(frame->isVisible());
}

TEST_F(FrameTest, ExitButtonClosesAtOnceWhenStopped) {
    const auto frame = showFrame();
    buttonOf(*frame->view(), "exitButton")->click();
    QCoreApplication::processEvents();
    EXPECT_FALSE(frame->isVisible());
}

TEST_F(FrameTest, CloseDuringPlaybackStopsAndClosesASecondLater) {
    const auto frame = showFrame();
    startPlayback(*frame);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(frame->close());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->view()->runningTimerId(), 0U);
    EXPECT_FALSE(frame->view()->loadedRecording().isPlaying());
    EXPECT_EQ(timer.runningCount(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!frame->isVisible(), 5000);
    EXPECT_GE(clock.elapsed(), 950);
    EXPECT_LT(clock.elapsed(), 3000);
}

TEST_F(FrameTest, SecondCloseWithinTheDelayClosesAtOnce) {
    const auto frame = showFrame();
    startPlayback(*frame);
    EXPECT_FALSE(frame->close());
    EXPECT_TRUE(frame->close());
    EXPECT_FALSE(frame->isVisible());
}

TEST_F(FrameTest, CommandLineIsOpenedWhileTheFrameIsCreated) {
    const std::string sample = folder.recording("cmd.dat", {1, 4, 7});
    CMainFrame frame("  " + sample);
    EXPECT_FALSE(frame.isVisible());
    EXPECT_EQ(frame.view()->loadedRecording().frameCount(), 3U);
    EXPECT_TRUE(frame.windowTitle().startsWith(QStringLiteral("ソラミルViewer - ")));

    // A quoted path keeps its quotes and is refused before the frame is shown.
    CMainFrame quoted("\"" + sample + "\"");
    ASSERT_EQ(prompts.calls().size(), 1U);
    EXPECT_EQ(prompts.calls()[0].text, "データが不正です");
    EXPECT_EQ(quoted.windowTitle(), QStringLiteral("ソラミルViewer"));
    EXPECT_EQ(quoted.view()->size(), QSize(288, 298));
}

TEST_F(FrameTest, UnreadableTimerCapabilitiesCloseTheProgram) {
    const auto frame = showFrame();
    ASSERT_TRUE(frame->view()->openRecording(folder.recording("a.dat", {1, 4, 7})));
    timer.caps.reset();
    frame->view()->onPlay();
    ASSERT_EQ(prompts.calls().size(), 1U);
    EXPECT_EQ(prompts.calls()[0].text, "マルチメディアタイマを設定できません");
    QCoreApplication::processEvents();
    EXPECT_FALSE(frame->isVisible());
}

TEST(ViewerApp, CommandLineIsTheArgumentsJoinedBySpaces) {
    const char* const none[] = {"halcyra"};
    EXPECT_EQ(ViewerApp::rawCommandLine(1, none), "");
    const char* const split[] = {"halcyra", "/media/cf card/halcjpeg.dat"};
    EXPECT_EQ(ViewerApp::rawCommandLine(2, split), "/media/cf card/halcjpeg.dat");
    const char* const several[] = {"halcyra", "\"/a", "b.dat\"", "-platform"};
    EXPECT_EQ(ViewerApp::rawCommandLine(4, several), "\"/a b.dat\" -platform");
}

TEST(ViewerApp, VersionInformationOfTheProgram) {
    const QString saved = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("Halcyra"));
    EXPECT_EQ(ViewerApp::versionString(QStringLiteral("ProductName")),
              QStringLiteral("ソラミルViewer"));
    EXPECT_EQ(ViewerApp::versionString(QStringLiteral("ProductVersion")),
              QStringLiteral("1, 0, 0, 0"));
    EXPECT_EQ(ViewerApp::versionString(QStringLiteral("FileVersion")),
              QStringLiteral("1, 1, 11, 3"));
    EXPECT_EQ(ViewerApp::versionString(QStringLiteral("OriginalFilename")),
              QStringLiteral("Halcyra.exe"));
    EXPECT_FALSE(ViewerApp::versionString(QStringLiteral("LegalCopyright")).isEmpty());
    EXPECT_EQ(ViewerApp::versionString(QStringLiteral("NoSuchKey")), QString());

    AboutDialog dialog;
    dialog.fillFromVersionInfo();
    EXPECT_EQ(dialog.productLine, QStringLiteral("ソラミルViewer Version 1.0.0.0"));
    EXPECT_EQ(dialog.copyrightLine, ViewerApp::versionString(QStringLiteral("LegalCopyright")));

    // Under another application name the module is not found: every line part is empty.
    QCoreApplication::setApplicationName(QStringLiteral("Other"));
    EXPECT_EQ(ViewerApp::versionString(QStringLiteral("ProductName")), QString());
    QCoreApplication::setApplicationName(saved);
}

TEST(QtPrompts, FileFilterInQtForm) {
    EXPECT_EQ(QtPrompts::nameFilters("ソラミル画像ファイル(*.dat)|*.dat||"),
              QStringList{QStringLiteral("ソラミル画像ファイル(*.dat)")});
    EXPECT_EQ(
        QtPrompts::nameFilters("Pictures|*.jpg;*.png|All files|*.*||"),
        (QStringList{QStringLiteral("Pictures (*.jpg *.png)"), QStringLiteral("All files (*.*)")}));
    EXPECT_TRUE(QtPrompts::nameFilters("").isEmpty());
    EXPECT_TRUE(QtPrompts::nameFilters("dangling").isEmpty());
}

}  // namespace
