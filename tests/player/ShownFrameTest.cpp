#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

#include "EventSlider.h"
#include "PlayerTestSupport.h"
#include "PlayerTexts.h"

// After every command the picture on screen is the frame whose time the readout shows: the
// pixels the window painted are held against that frame decoded on its own.
namespace {

// 41 frames twelve units apart, 1 .. 481: the event mark (451) falls between frames 37 and 38.
std::vector<int> frameNumbers() {
    std::vector<int> numbers;
    for (int k = 0; k < 41; ++k) {
        numbers.push_back(1 + 12 * k);
    }
    return numbers;
}

class ShownFrameTest : public PlayerFixture {
protected:
    void open(const std::string& name = "shown.dat") {
        path = distinctRecording(folder, name, frameNumbers());
        ASSERT_TRUE(player->openRecording(path));
        check = std::make_unique<ScreenCheck>(*player, path);
    }

    // Runs each step in turn and checks the screen after it.
    void walk(const std::vector<std::pair<std::string, std::function<void()>>>& steps) {
        for (const auto& [name, step] : steps) {
            step();
            EXPECT_EQ(check->mismatch(), "") << "after " << name;
        }
    }

    void key(int key) { QTest::keyClick(player.get(), static_cast<Qt::Key>(key)); }
    void click(const char* button) { buttonOf(*player, button)->click(); }
    void sliderAction(QAbstractSlider::SliderAction action) {
        sliderOf(*player)->triggerAction(action);
    }
    // The context menu's item with this text, triggered as a click on it would.
    void menuItem(const QString& text) {
        const std::unique_ptr<QMenu> menu = player->createContextMenu();
        for (QAction* action : menu->actions()) {
            if (action->text() == text) {
                ASSERT_TRUE(action->isEnabled()) << text.toStdString();
                action->trigger();
                return;
            }
        }
        FAIL() << "no menu item " << text.toStdString();
    }
    QRect handleRect() {
        QSlider* slider = sliderOf(*player);
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = slider->orientation();
        option.minimum = slider->minimum();
        option.maximum = slider->maximum();
        option.sliderPosition = slider->sliderPosition();
        option.sliderValue = slider->value();
        option.tickPosition = slider->tickPosition();
        return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle,
                                               slider);
    }
    void dragHandleBy(int dx) {
        QSlider* slider = sliderOf(*player);
        const QPoint from = handleRect().center();
        QTest::mousePress(slider, Qt::LeftButton, {}, from);
        for (int step = 1; step <= 3; ++step) {
            QTest::mouseMove(slider, from + QPoint(dx * step / 3, 0));
            EXPECT_EQ(check->mismatch(), "") << "while dragging, step " << step;
        }
        QTest::mouseRelease(slider, Qt::LeftButton, {}, from + QPoint(dx, 0));
    }
    // A click on the groove away from the handle.
    void clickGroove() {
        QSlider* slider = sliderOf(*player);
        const QRect handle = handleRect();
        const int x = handle.center().x() < slider->width() / 2 ? slider->width() - 12 : 12;
        QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(x, handle.center().y()));
    }

    std::string path;
    std::unique_ptr<ScreenCheck> check;
};

TEST_F(ShownFrameTest, EveryStepShowsTheReadoutsFrame) {
    open();
    ASSERT_EQ(check->mismatch(), "");
    walk({
        {"E", [&] { key(Qt::Key_E); }},
        {"→", [&] { key(Qt::Key_Right); }},
        {"→ again", [&] { key(Qt::Key_Right); }},
        {"Home", [&] { key(Qt::Key_Home); }},
        {"End", [&] { key(Qt::Key_End); }},
        {"←", [&] { key(Qt::Key_Left); }},
        {"E again", [&] { key(Qt::Key_E); }},
        {"Prev", [&] { click("prevButton"); }},
        {"Next", [&] { click("nextButton"); }},
        {"First", [&] { click("firstButton"); }},
        {"Last", [&] { click("lastButton"); }},
        {"the menu's First", [&] { menuItem(playerTexts::firstItem); }},
        {"the menu's Next", [&] { menuItem(playerTexts::nextItem); }},
        {"the menu's Last", [&] { menuItem(playerTexts::lastItem); }},
        {"the menu's Prev", [&] { menuItem(playerTexts::prevItem); }},
        {"the menu's event", [&] { menuItem(playerTexts::eventItem); }},
        {"a page back on the slider", [&] { sliderAction(QSlider::SliderPageStepSub); }},
        {"a step on the slider", [&] { sliderAction(QSlider::SliderSingleStepAdd); }},
        {"the slider's start", [&] { sliderAction(QSlider::SliderToMinimum); }},
        {"a click on the groove", [&] { clickGroove(); }},
        {"a drag of the handle", [&] { dragHandleBy(-60); }},
        {"the slider's keys",
         [&] {
             sliderOf(*player)->setFocus();
             QTest::keyClick(sliderOf(*player), Qt::Key_PageDown);
         }},
        {"the slider's End", [&] { QTest::keyClick(sliderOf(*player), Qt::Key_End); }},
        {"the slider's ←", [&] { QTest::keyClick(sliderOf(*player), Qt::Key_Left); }},
        {"a slower pace", [&] { key(Qt::Key_BracketLeft); }},
        {"zoomed", [&] { player->zoomAround(QPointF(100, 60), 3.0); }},
        {"→ zoomed", [&] { key(Qt::Key_Right); }},
        {"fit", [&] { key(Qt::Key_0); }},
        {"full screen", [&] { player->toggleFullScreen(); }},
        {"→ in full screen", [&] { key(Qt::Key_Right); }},
        {"back from full screen", [&] { player->leaveFullScreen(); }},
    });
}

// At both ends the commands that cannot move leave the picture where the readout is.
TEST_F(ShownFrameTest, TheEndsKeepTheReadoutsFrame) {
    open();
    player->setFocus();
    walk({
        {"← at the start", [&] { key(Qt::Key_Left); }},
        {"Home at the start", [&] { key(Qt::Key_Home); }},
        {"the slider's start at the start", [&] { sliderAction(QSlider::SliderToMinimum); }},
        {"End", [&] { key(Qt::Key_End); }},
        {"→ at the end", [&] { key(Qt::Key_Right); }},
        {"End at the end", [&] { key(Qt::Key_End); }},
        {"the slider's end at the end", [&] { sliderAction(QSlider::SliderToMaximum); }},
    });
}

TEST_F(ShownFrameTest, PlaybackAndTheCommandsThatStopItShowTheReadoutsFrame) {
    open();
    const auto playFor = [&](int ticks) {
        key(Qt::Key_Space);
        ASSERT_NE(player->runningTimerId(), 0U);
        timer.fireTimes(ticks);
    };
    walk({
        // Between a frame's tick and its due paint, then stopped there.
        {"Stop while playing",
         [&] {
             playFor(14);
             key(Qt::Key_Space);
         }},
        {"Stop by the button",
         [&] {
             playFor(7);
             click("stopButton");
         }},
        {"E while playing",
         [&] {
             playFor(7);
             key(Qt::Key_E);
         }},
        {"a slider page while playing",
         [&] {
             playFor(7);
             sliderAction(QSlider::SliderPageStepAdd);
         }},
        {"a click on the groove while playing",
         [&] {
             playFor(7);
             clickGroove();
         }},
        {"a drag while playing",
         [&] {
             playFor(7);
             dragHandleBy(40);
         }},
        {"the menu's Stop",
         [&] {
             playFor(7);
             menuItem(playerTexts::stopItem);
         }},
        {"a repaint while playing",
         [&] {
             playFor(7);
             player->zoomAround(QPointF(100, 60), 2.0);
         }},
        {"a faster pace while playing", [&] { key(Qt::Key_BracketRight); }},
        {"fit while playing", [&] { key(Qt::Key_0); }},
        {"Stop after those", [&] { key(Qt::Key_Space); }},
        {"the end of playback",
         [&] {
             key(Qt::Key_Space);
             timer.fireTimes(2000);
             ASSERT_EQ(player->runningTimerId(), 0U);
         }},
        {"Play from the last frame", [&] { key(Qt::Key_Space); }},
        {"its first tick", [&] { timer.fire(); }},
        {"Stop at the first frame", [&] { key(Qt::Key_Space); }},
    });
}

// Frames one unit apart: the due tick paints a frame behind the readout's, and the end of
// playback stands on a frame no tick painted.
TEST_F(ShownFrameTest, TheEndOfPlaybackShowsTheLastFrameWhenTicksSkippedIt) {
    path = distinctRecording(folder, "close.dat", {1, 2, 3, 4, 5});
    ASSERT_TRUE(player->openRecording(path));
    check = std::make_unique<ScreenCheck>(*player, path);
    player->onPlay();
    timer.fireTimes(100);
    ASSERT_EQ(player->runningTimerId(), 0U);
    EXPECT_EQ(check->readoutFrame(), 4);
    EXPECT_EQ(check->mismatch(), "");
}

TEST_F(ShownFrameTest, AnotherRecordingOpensOnItsFirstFrame) {
    open("first.dat");
    key(Qt::Key_E);
    path = distinctRecording(folder, "second.dat", {1, 31, 61});
    player->openChosen(path);
    settle();
    check = std::make_unique<ScreenCheck>(*player, path);
    EXPECT_EQ(check->readoutFrame(), 0);
    EXPECT_EQ(check->mismatch(), "");
    key(Qt::Key_End);
    EXPECT_EQ(check->mismatch(), "");
}

}  // namespace
