#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMenu>
#include <QTest>

#include "FrameBitmap.h"
#include "Importer.h"
#include "PlayerTestSupport.h"
#include "RedactionEditor.h"
#include "RedactionFile.h"
#include "RedactionMosaic.h"
#include "SaveFolder.h"
#include "StandInOwner.h"

namespace {

using Kind = ScriptedPrompts::Kind;

RedactionPlan planOf(std::initializer_list<RedactionRegion> regions) {
    RedactionPlan plan;
    plan.regions().assign(regions.begin(), regions.end());
    return plan;
}

RedactionRegion regionOf(RedactionLabel label, std::initializer_list<RedactionKey> keys) {
    RedactionRegion region(label);
    for (const RedactionKey& key : keys) {
        region.setKey(key);
    }
    return region;
}

class RedactionEditorTest : public PlayerFixture {
protected:
    // A window whose image area is `area`, with an editor wired as the frame wires it.
    void showWithEditor(QSize area) {
        editor.reset();
        showPlayer(area.width(), area.height() + PlayerWnd::panelHeight);
        editor = std::make_unique<RedactionEditor>(*player, folders);
        QObject::connect(player.get(), &PlayerWnd::recordingOpened, editor.get(),
                         &RedactionEditor::setRecording);
    }
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(player.get(), Qt::LeftButton, {}, from);
        QTest::mouseMove(player.get(), (from + to) / 2);
        QTest::mouseMove(player.get(), to);
        QTest::mouseRelease(player.get(), Qt::LeftButton, {}, to);
    }
    const RedactionRegion& only() const {
        EXPECT_EQ(editor->plan().regions().size(), 1U);
        return editor->plan().regions().front();
    }

    SaveFolder folders;
    std::unique_ptr<RedactionEditor> editor;
};

// The test recordings are 32 x 24; an area of 320 x 240 shows them ten times their size.
TEST_F(RedactionEditorTest, ADrawnRegionIsInPicturePixelsAtFitAndAtZoom) {
    showWithEditor({320, 240});
    ASSERT_TRUE(player->openRecording(folder.recording("a.dat", {1, 2, 3, 4})));
    player->onNext();
    editor->setActive(true);
    ASSERT_EQ(player->imageAreaTool(), editor.get());

    drag({100, 80}, {260, 200});
    EXPECT_EQ(only().label(), RedactionLabel::Plate);
    EXPECT_EQ(only().keys(), (std::vector<RedactionKey>{{1, {10, 8, 16, 12}}}));
    EXPECT_EQ(editor->selectedRegion(), std::optional<std::size_t>(0));

    // Twice the size around the centre: the picture's left edge at -160, its top at -120.
    editor->setPlan({});
    editor->setNewRegionLabel(RedactionLabel::Face);
    player->zoomAround({160, 120}, 2.0);
    ASSERT_EQ(player->pictureMapping().target(), QRectF(-160, -120, 640, 480));
    drag({260, 200}, {100, 80});
    EXPECT_EQ(only().label(), RedactionLabel::Face);
    EXPECT_EQ(only().keys(), (std::vector<RedactionKey>{{1, {13, 10, 8, 6}}}));

    // Drawn past the picture's edge (down into the panel): up to the edge. A click draws nothing.
    editor->setPlan({});
    player->onZoomFit();
    drag({300, 220}, {319, 280});
    EXPECT_EQ(only().keys()[0].rect, (RedactionRect{30, 22, 2, 2}));
    QTest::mouseClick(player.get(), Qt::LeftButton, {}, {150, 150});
    EXPECT_EQ(editor->plan().regions().size(), 1U);
    EXPECT_FALSE(editor->selectedRegion());
}

TEST_F(RedactionEditorTest, EditsBetweenKeysAddAKeyThereAndKeepTheOthers) {
    showWithEditor({320, 240});
    ASSERT_TRUE(player->openRecording(folder.recording("a.dat", {1, 2, 3, 4, 5})));
    editor->setPlan(planOf({regionOf(RedactionLabel::Other,
                                     {{0, {0, 0, 10, 10}}, {4, {8, 4, 10, 10}}})}));
    editor->setActive(true);
    player->onNext();
    player->onNext();
    // At frame 2 the region is half-way: {4, 2, 10, 10}, window 40..140 x 20..120.
    drag({90, 70}, {110, 50});
    EXPECT_EQ(only().keys(), (std::vector<RedactionKey>{{0, {0, 0, 10, 10}},
                                                         {2, {6, 0, 10, 10}},
                                                         {4, {8, 4, 10, 10}}}));
    // The bottom-right handle at window (160, 100) resizes at this key only.
    drag({160, 100}, {200, 130});
    EXPECT_EQ(only().keys()[1], (RedactionKey{2, {6, 0, 14, 13}}));
    EXPECT_EQ(only().keys().size(), 3U);

    // K removes the key here, and adds it again where the region now is between its keys.
    QTest::keyClick(player.get(), Qt::Key_K);
    EXPECT_EQ(only().keys().size(), 2U);
    EXPECT_FALSE(only().hasKeyAt(2));
    QTest::keyClick(player.get(), Qt::Key_K);
    EXPECT_EQ(only().keys()[1], (RedactionKey{2, {4, 2, 10, 10}}));

    // Outside its span the chosen region stays where its nearest key holds it, to be moved
    // there, which extends it. Delete removes the region; Esc leaves the mode.
    player->onLast();
    editor->setPlan(planOf({regionOf(RedactionLabel::Plate, {{4, {1, 1, 5, 5}}})}));
    QTest::mouseClick(player.get(), Qt::LeftButton, {}, {30, 30});
    ASSERT_EQ(editor->selectedRegion(), std::optional<std::size_t>(0));
    player->onPrev();
    drag({30, 30}, {50, 30});
    EXPECT_EQ(only().keys(), (std::vector<RedactionKey>{{3, {3, 1, 5, 5}}, {4, {1, 1, 5, 5}}}));
    QTest::keyClick(player.get(), Qt::Key_Delete);
    EXPECT_TRUE(editor->plan().empty());
    QTest::keyClick(player.get(), Qt::Key_Escape);
    EXPECT_FALSE(editor->isActive());
    EXPECT_EQ(player->imageAreaTool(), nullptr);
    EXPECT_EQ(transportStates(*player), "101111");
}

TEST_F(RedactionEditorTest, ThePreviewIsTheExportsMosaicAndPlaybackWaits) {
    // The sample's picture at its own size, so the window's pixels are the picture's.
    showWithEditor({640, 480});
    ASSERT_TRUE(player->openRecording(HALCYRA_SAMPLE_PATH));
    for (int step = 0; step < 40; ++step) {
        player->onNext();
    }
    const std::uint32_t index = player->shownFrameIndex();
    ASSERT_EQ(index, 40U);
    const RedactionPlan plan = planOf(
        {regionOf(RedactionLabel::Plate, {{30, {100, 300, 120, 40}}, {50, {140, 320, 120, 40}}}),
         regionOf(RedactionLabel::Face, {{40, {600, 20, 80, 80}}})});
    editor->setPlan(plan);
    player->onPlay();
    editor->setActive(true);
    EXPECT_FALSE(player->loadedRecording().isPlaying());
    EXPECT_EQ(player->shownFrameIndex(), index);
    EXPECT_EQ(transportStates(*player), "001111");
    QTest::keyClick(player.get(), Qt::Key_Space);
    EXPECT_FALSE(player->loadedRecording().isPlaying());

    StandInOwner owner;
    Recording own;
    own.setOwner(&owner);
    ASSERT_TRUE(own.load(HALCYRA_SAMPLE_PATH));
    FrameBitmap bitmap;
    ASSERT_TRUE(own.decodeInto(index, bitmap));
    QImage expected = QImage(bitmap.pixels(), bitmap.width(), bitmap.height(), bitmap.stride(),
                             QImage::Format_BGR888)
                          .copy();
    const QImage plain = expected.copy();
    redactPicture(expected, plan, index);
    const QImage preview = player->pictureAsShown();
    EXPECT_EQ(preview.convertToFormat(QImage::Format_RGB32),
              expected.convertToFormat(QImage::Format_RGB32));
    EXPECT_NE(preview.convertToFormat(QImage::Format_RGB32),
              plain.convertToFormat(QImage::Format_RGB32));

    // On screen too, inside the regions away from their outlines (the first at {120, 310}).
    const QImage shown = grabImage(*player);
    const QImage mosaic = expected.convertToFormat(QImage::Format_RGB32);
    for (const QRect inside : {QRect(124, 314, 112, 32), QRect(604, 30, 32, 66)}) {
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            for (int x = inside.left(); x <= inside.right(); ++x) {
                ASSERT_EQ(shown.pixel(x, y), mosaic.pixel(x, y)) << x << "," << y;
            }
        }
    }
    // Left, the picture is the recording's again.
    editor->setActive(false);
    EXPECT_EQ(player->pictureAsShown().convertToFormat(QImage::Format_RGB32),
              plain.convertToFormat(QImage::Format_RGB32));
}

TEST_F(RedactionEditorTest, RegionsAreSavedAndLoadedAndKeptInTheLibraryEntry) {
    showWithEditor({320, 240});
    const std::string source = folder.recording("a.dat", {1, 2, 3, 4, 5});
    ASSERT_TRUE(player->openRecording(source));
    EXPECT_TRUE(editor->entryFile().empty());
    const RedactionPlan plan = planOf(
        {regionOf(RedactionLabel::Face, {{0, {1, 2, 3, 4}}, {4, {-2, 20, 9, 9}}}),
         regionOf(RedactionLabel::Other, {{2, {5, 5, 5, 5}}})});
    editor->setPlan(plan);

    const std::string file = folder.path("regions.json");
    prompts.saveFileAnswers = {file};
    editor->menuActions()[2]->trigger();
    ASSERT_EQ(prompts.saveFileRequests.size(), 1U);
    EXPECT_EQ(prompts.saveFileRequests[0].defaultSuffix, "json");
    EXPECT_TRUE(prompts.callsOf(Kind::message).empty());
    editor->setPlan({});
    prompts.openFileAnswers = {file};
    editor->menuActions()[1]->trigger();
    EXPECT_EQ(redactionJson(editor->plan()), redactionJson(plan));

    // Another recording has none; a file that does not fit this one is refused by name.
    ASSERT_TRUE(player->openRecording(folder.recording("b.dat", {1, 2})));
    EXPECT_TRUE(editor->plan().empty());
    prompts.openFileAnswers = {file};
    editor->menuActions()[1]->trigger();
    EXPECT_TRUE(editor->plan().empty());
    ASSERT_EQ(prompts.callsOf(Kind::message).size(), 1U);
    EXPECT_NE(prompts.callsOf(Kind::message)[0].text.find("regions.json"), std::string::npos);

    // A library recording keeps its regions beside recording.json and gets them back.
    const Library library(folder.path("library"));
    std::string error;
    ASSERT_TRUE(library.ensureRoot(error)) << error;
    Importer importer(library);
    const ImportResult imported = importer.importFile(source);
    ASSERT_EQ(imported.status, ImportResult::Status::Imported) << imported.reason;
    ASSERT_TRUE(player->openRecording(imported.path));
    ASSERT_FALSE(editor->entryFile().empty());
    EXPECT_EQ(QFileInfo(QString::fromStdString(editor->entryFile())).dir(),
              QFileInfo(QString::fromStdString(imported.path)).dir());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(editor->entryFile())));
    editor->setActive(true);
    drag({100, 80}, {260, 200});
    ASSERT_TRUE(QFile::exists(QString::fromStdString(editor->entryFile())));
    const std::string drawn = redactionJson(editor->plan());
    ASSERT_TRUE(player->openRecording(source));
    EXPECT_TRUE(editor->plan().empty());
    EXPECT_FALSE(editor->isActive());
    ASSERT_TRUE(player->openRecording(imported.path));
    EXPECT_EQ(redactionJson(editor->plan()), drawn);

    // A broken file there is reported and left for the user to mend, not overwritten.
    QFile broken(QString::fromStdString(editor->entryFile()));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("{\"version\": 1, \"regions\": [{\"label\": \"car\"");
    broken.close();
    prompts.clear();
    ASSERT_TRUE(player->openRecording(imported.path));
    EXPECT_TRUE(editor->plan().empty());
    ASSERT_EQ(prompts.callsOf(Kind::message).size(), 1U);
    editor->setActive(true);
    drag({100, 80}, {260, 200});
    ASSERT_TRUE(broken.open(QIODevice::ReadOnly));
    EXPECT_EQ(broken.readAll(), QByteArray("{\"version\": 1, \"regions\": [{\"label\": \"car\""));
}

}  // namespace

// Entering the mode while playing, stepping in it and leaving it: the picture on screen stays
// the frame whose time the readout shows.
TEST_F(RedactionEditorTest, TheModeShowsTheReadoutsFrameOnScreen) {
    showWithEditor({320, 240});
    std::vector<int> numbers;
    for (int k = 0; k < 20; ++k) {
        numbers.push_back(1 + 3 * k);
    }
    const std::string path = distinctRecording(folder, "steps.dat", numbers);
    ASSERT_TRUE(player->openRecording(path));
    ScreenCheck check(*player, path);
    player->onPlay();
    timer.fireTimes(5);
    editor->setActive(true);
    EXPECT_EQ(check.mismatch(), "") << "entering while playing";
    for (const int key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Left, Qt::Key_End, Qt::Key_Home}) {
        QTest::keyClick(player.get(), static_cast<Qt::Key>(key));
        EXPECT_EQ(check.mismatch(), "") << "after key " << key;
    }
    QTest::keyClick(player.get(), Qt::Key_Right);
    editor->setActive(false);
    EXPECT_EQ(check.mismatch(), "") << "leaving";
    EXPECT_EQ(check.readoutFrame(), 1);
}
