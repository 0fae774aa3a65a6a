#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QColor>
#include <QImage>
#include <QObject>

#include "TempFolder.h"

class FrameBitmap;
class PlayerWnd;
class QAbstractButton;
class QLabel;
class QSlider;
class Recording;
class StandInOwner;

// Frame k of a test recording is one flat colour, shadeColour(k), so a pixel tells which
// frame is on screen.
QColor shadeColour(int shade);
// The shade nearest to `colour`, or -1 when none is close.
int shadeOfColour(const QColor& colour);
// The colour of a bitmap's centre pixel.
QColor centreColour(const FrameBitmap& bitmap);
// The shade of the centre pixel of a bitmap, or -1.
int shadeOfBitmap(const FrameBitmap& bitmap);

std::vector<std::uint8_t> flatJpeg(const QColor& colour, int width, int height);

// Recording files in a temporary folder removed with the object.
class TestFolder {
public:
    std::string path(const std::string& name) const;
    // Frames with the given numbers, frame k in shadeColour(k).
    std::string recording(const std::string& name, const std::vector<int>& numbers, int width = 32,
                          int height = 24) const;
    // The same, with the JPEG data of frame `damaged` broken so that its decode fails.
    std::string recordingWithDamage(const std::string& name, const std::vector<int>& numbers,
                                    std::size_t damaged) const;
    std::string bytes(const std::string& name, const std::vector<std::uint8_t>& data) const;

private:
    TempFolder folder;
};

// Which frame each paint of the image area showed, in order: the shade of the shown bitmap
// when a paint event reached the window.
class PaintLog : public QObject {
public:
    explicit PaintLog(PlayerWnd& player);
    bool eventFilter(QObject* watched, QEvent* event) override;

    std::vector<int> shades;
    void clear() { shades.clear(); }

private:
    PlayerWnd& player;
};

// Named children of the main window.
QSlider* sliderOf(PlayerWnd& player);
QLabel* readoutOf(PlayerWnd& player);
QAbstractButton* buttonOf(PlayerWnd& player, const char* name);

// "Play Stop First Prev Next Last" enabled states as a string of 1 and 0, in that order.
std::string transportStates(PlayerWnd& player);

// The window's pixels as it paints them now.
QImage grabImage(PlayerWnd& player);

// Frames of distinct colours, far enough apart that no two decode alike: for recordings in
// which every frame must be told from every other (up to 49 frames).
std::string distinctRecording(const TestFolder& folder, const std::string& name,
                              const std::vector<int>& numbers);

// Holds the picture on screen against the frame whose time the readout shows, as a user
// reads both: the pixels the window last painted (its backing store, after the event loop
// has run, not a fresh paint) low on the left of the picture, and that frame decoded on
// its own from the file.
class ScreenCheck {
public:
    ScreenCheck(PlayerWnd& player, const std::string& path);
    ~ScreenCheck();
    // Empty when the picture is the readout's frame; otherwise what each shows.
    std::string mismatch();
    // The index of the frame the readout names, or -1.
    int readoutFrame() const;

private:
    PlayerWnd& player;
    std::unique_ptr<StandInOwner> owner;
    std::unique_ptr<Recording> recording;
};

#include <gtest/gtest.h>

#include "ManualTimer.h"
#include "PlayerWnd.h"
#include "ScriptedPrompts.h"

// A shown main window of the given client size, with scripted prompts and a hand-stepped
// timer installed for the test's lifetime.
class PlayerFixture : public ::testing::Test {
protected:
    PlayerFixture();
    ~PlayerFixture() override;
    void showPlayer(int width = 288, int height = 298);
    // Runs the event loop until queued opens have been carried out.
    static void settle();

    ScriptedPrompts prompts;
    ManualTimer timer;
    TestFolder folder;
    std::unique_ptr<PlayerWnd> player;
};

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
