#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <QRect>
#include <QRegion>
#include <QWidget>

#include "Recording.h"
#include "RecordingOwner.h"

class BitmapButton;
class LogoBar;
class QAbstractButton;
class QLabel;
class QPushButton;
class QSlider;

// The main window: the image area above, the control panel with slider, transport buttons,
// time readout, browse and exit buttons and the logo strip below. Owns the recording, opens
// files, paints the shown frame and runs playback.
class PlayerWnd : public QWidget, public RecordingOwner {
    Q_OBJECT

public:
    static constexpr int panelHeight = 118;
    static constexpr int minImageHeight = 180;
    static constexpr int minWidth = 288;
    static constexpr std::uint32_t framePeriodMs = 33;
    // Child id within the frame, as the frame's layout knows it.
    static constexpr int viewId = 0xE900;

    explicit PlayerWnd(QWidget* parent = nullptr);
    ~PlayerWnd() override;
    PlayerWnd(const PlayerWnd&) = delete;
    PlayerWnd& operator=(const PlayerWnd&) = delete;

    // Opens the raw command-line text as a path, unless it is blank; leading blanks skipped.
    void openCommandLine(const std::string& text);
    bool openRecording(const std::string& path);
    // Opens `path` from the event loop, after the caller has returned.
    void requestOpen(const std::string& path);
    // True when the frame may close now; otherwise stops playback and answers false.
    bool canClose();
    // While held (an export reads the recording), opens asked for through requestOpen wait;
    // the last one asked for is carried out on release.
    void holdOpens(bool hold);

    // The destination of a w x h picture in a W x A image area, aspect kept.
    static QRect stretchTarget(int w, int h, int W, int A);

    const Recording& loadedRecording() const { return recording; }
    std::uint32_t runningTimerId() const { return playTimerId; }
    void playTimerProc(std::uint32_t timerId);

    PixelRect clientRect() const override;
    void invalidate(const PixelRect& rect, bool erase) override;
    void updateNow() override;

    QSize sizeHint() const override;

public slots:
    void onPlay();
    void onStop();
    void onNext();
    void onPrev();
    void onFirst();
    void onLast();
    void onBrowse();
    void onExit();
    void onAbout();
    void onSensorSettings();
    void onClockSettings();

signals:
    // After every open, successful or not; `loaded` tells whether a recording is shown now.
    void recordingOpened(const QString& path, bool loaded);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createControls();
    BitmapButton* createBitmapButton(const char* name, const QString& text, int id,
                                     const QString& pictures);
    void layoutControls();
    void repaintAll();

    bool startPlayTimer();
    void killPlayTimer();
    void stopForOpen();
    void playTick();
    void showPosition();
    void updateTimeReadout();
    void onSliderAction(int action);
    bool pressIfEnabled(QAbstractButton* button);

    QWidget* panelStatic = nullptr;
    QSlider* slider = nullptr;
    QLabel* timeReadout = nullptr;
    QPushButton* exitButton = nullptr;
    QPushButton* browseButton = nullptr;
    BitmapButton* playButton = nullptr;
    BitmapButton* stopButton = nullptr;
    BitmapButton* firstButton = nullptr;
    BitmapButton* lastButton = nullptr;
    BitmapButton* prevButton = nullptr;
    BitmapButton* nextButton = nullptr;
    LogoBar* logoBar = nullptr;

    Recording recording;
    std::uint32_t playTimerId = 0;
    std::uint32_t lastTickTime = 0;
    QRegion pendingPaint;
    // A tick that shows a message box runs a nested event loop; ticks arriving meanwhile are
    // dropped, as the timer's callbacks never overlap.
    bool tickRunning = false;
    bool opensHeld = false;
    std::optional<std::string> heldOpen;
};
