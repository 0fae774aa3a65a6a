// The offer of a card: once per card per run, only for recordings the library lacks, never
// over a modal dialog or a running export.
#include <gtest/gtest.h>

#include <filesystem>

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include "CMainFrame.h"
#include "CardWatcher.h"
#include "FileBytes.h"
#include "LibraryCommands.h"
#include "LibraryFolder.h"
#include "OfferBar.h"
#include "PlayerWnd.h"
#include "TestLibrary.h"

namespace {

QString qPath(const std::string& path) {
    return QFile::decodeName(path.c_str());
}

class CardWatcherTest : public ::testing::Test {
protected:
    CardWatcherTest() {
        watcher.setLibraryRoot(files.root);
        watcher.setVolumeSource([this] { return volumes; });
    }
    // Polls and waits for the scans it starts.
    void pollAndWait() {
        watcher.poll();
        EXPECT_TRUE(QTest::qWaitFor([this] { return !watcher.isScanning(); }, 20000));
        watcher.poll();
    }

    TestLibrary files;
    std::vector<CardWatcher::Volume> volumes;
    CardWatcher watcher;
    QSignalSpy found{&watcher, &CardWatcher::cardFound};
};

}  // namespace

TEST_F(CardWatcherTest, NewCardIsOfferedOnceAndAFullyImportedOneNever) {
    files.putOnCard("DCIM/100/halcjpeg.dat", testRecording(4, "2026:11:28 14:35:07"));
    const std::string held = files.putOnCard("DCIM/101/halcjpeg.dat", testRecording(4, "2026:11:29 09:00:00"));
    files.import(held);
    ASSERT_TRUE(writeBytes(files.card + "/halc.inf", "[Config]\nFrontBack=5\n"));
    volumes = {{qPath(files.card), QStringLiteral("HALC")}};

    pollAndWait();
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0][0].toString(), qPath(files.card));
    EXPECT_EQ(found[0][1].toString(), QStringLiteral("HALC"));
    EXPECT_EQ(found[0][2].toInt(), 1);  // the other one is in the library

    pollAndWait();
    volumes.clear();
    pollAndWait();
    volumes = {{qPath(files.card), QStringLiteral("HALC")}};
    pollAndWait();
    EXPECT_EQ(found.size(), 1) << "the same card taken out and put back is not offered again";

    // Everything on this one is in the library already.
    TestLibrary second;
    const std::string only = second.putOnCard("x.dat", testRecording(4, "2026:11:29 09:00:00"));
    std::filesystem::last_write_time(only, std::filesystem::file_time_type::clock::now());
    volumes.push_back({qPath(second.card), QString()});
    pollAndWait();
    EXPECT_EQ(found.size(), 1);
}

TEST_F(CardWatcherTest, OfferWaitsWhileTheGateIsShut) {
    files.putOnCard("halcjpeg.dat", testRecording(2, "2026:11:28 14:35:07"));
    volumes = {{qPath(files.card), QString()}};
    bool open = false;
    watcher.setGate([&open] { return open; });
    pollAndWait();
    pollAndWait();
    EXPECT_EQ(found.size(), 0);
    EXPECT_TRUE(watcher.hasWaitingOffer());
    open = true;
    watcher.poll();
    EXPECT_EQ(found.size(), 1);
    EXPECT_FALSE(watcher.hasWaitingOffer());
}

TEST(CardOffer, WindowWithholdsItWhileAModalDialogIsUpThenShowsTheBar) {
    TestLibrary files;
    files.putOnCard("DCIM/halcjpeg.dat", testRecording(2, "2026:11:28 14:35:07"));
    TempFolder settings;
    const std::string ini = settings.file("Halcyra.ini");
    ASSERT_TRUE(LibraryFolder(ini).save(files.root));

    CMainFrame frame;
    LibraryCommands& library = frame.library();
    library.useSettings(ini);
    library.cardWatcher().stop();
    library.cardWatcher().setVolumeSource(
        [&files] { return std::vector<CardWatcher::Volume>{{qPath(files.card), QStringLiteral("HALC")}}; });
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));

    QDialog modal(&frame);
    modal.setModal(true);
    modal.show();
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 5000));
    library.cardWatcher().poll();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !library.cardWatcher().isScanning(); }, 20000));
    library.cardWatcher().poll();
    EXPECT_FALSE(library.offerBar()->isVisible());

    modal.close();
    library.cardWatcher().poll();
    ASSERT_TRUE(library.offerBar()->isVisible());
    EXPECT_EQ(library.offerBar()->text()->text(),
              QStringLiteral("カード「HALC」に、ライブラリにない録画が 1 件あります。"));
    // Over the image area, outside every layout: the view keeps its size.
    EXPECT_EQ(library.offerBar()->parentWidget(), &frame);
    EXPECT_EQ(library.offerBar()->width(), frame.view()->width());

    // Taken out before it was answered: the offer goes with it.
    library.cardWatcher().setVolumeSource([] { return std::vector<CardWatcher::Volume>{}; });
    library.cardWatcher().poll();
    EXPECT_FALSE(library.offerBar()->isVisible());
}
