#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QList>
#include <QPointer>
#include <QRect>
#include <QRegion>
#include <QWidget>

#include "PictureMapping.h"
#include "PlaybackPace.h"
#include "Recording.h"
#include "RecordingOwner.h"
#include "ViewOptions.h"
#include "ViewTransform.h"

class BitmapButton;
class EventSlider;
class ImageAreaTool;
class LogoBar;
class QAbstractButton;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;

// The main window: the image area above, the control panel with slider, transport buttons,
// time readout, browse and exit buttons and the logo strip below. Owns the recording, opens
// files, paints the shown frame and runs playback.
//
// Beyond the buttons: keys (Space, arrows, Home, End, `E` the event, `[` `]` speed, `0` fit,
// F11 and Esc full screen), the wheel zooms around the pointer, a drag pans, a double-click
// toggles full screen, and the image area has a context menu of all of these.
class PlayerWnd : public QWidget, public RecordingOwner {
    Q_OBJECT

public:
    static constexpr int panelHeight = 118;
    static constexpr int minImageHeight = 180;
    static constexpr int minWidth = 288;
    static constexpr std::uint32_t framePeriodMs = 33;
    // Child id within the frame, as the frame's layout knows it.
    static constexpr int viewId = 0xE900;
    // How much one notch of the mouse wheel zooms: four notches double the size.
    static constexpr double wheelZoomStep = 1.189207115002721;
    static constexpr int speedNoticeMs = 1500;

    explicit PlayerWnd(QWidget* parent = nullptr);
    ~PlayerWnd() override;
    PlayerWnd(const PlayerWnd&) = delete;
    PlayerWnd& operator=(const PlayerWnd&) = delete;

    // Opens the raw command-line text as a path, unless it is blank; leading blanks skipped.
    void openCommandLine(const std::string& text);
    bool openRecording(const std::string& path);
    // Opens `path` from the event loop, after the caller has returned.
    void requestOpen(const std::string& path);
    // Opens a file chosen elsewhere (the open dialog, a drop, the library) as the open dialog
    // does: playback stops now, the file opens from the event loop.
    void openChosen(const std::string& path);
    // True when the frame may close now; otherwise stops playback and answers false.
    bool canClose();
    // While held (an export reads the recording), opens asked for through requestOpen wait;
    // the last one asked for is carried out on release.
    void holdOpens(bool hold);

    // The destination of a w x h picture in a W x A image area, aspect kept.
    static QRect stretchTarget(int w, int h, int W, int A);

    // Appends a group of actions to the image area's context menu, after a separator and
    // after every group added before. The actions stay the caller's: the menu shows them as
    // they are (text, shortcut text, enabled and checked state) each time it opens, and one
    // that has been deleted is left out. For the frame's own commands, such as the exports:
    //     view()->addContextActions({saveStillAction, saveClipAction});
    // An action with a shortcut keeps it working where the caller registered it; the menu
    // only shows it. Null entries are skipped; an empty group adds nothing.
    void addContextActions(const QList<QAction*>& actions);
    // The context menu as it would open now; the caller owns it.
    std::unique_ptr<QMenu> createContextMenu();

    // Reads and remembers the view options in this Halcyra.ini from now on (the program
    // folder's at construction).
    void useViewOptions(const std::string& iniPath);
    bool smoothScaling() const { return smooth; }
    const PlaybackPace& playbackPace() const { return pace; }
    const ViewTransform& viewTransform() const { return view; }
    // The image area in this window's coordinates.
    QRect imageArea() const;
    // Zooms by `factor` around `point` of the image area, within fit .. 8 times.
    void zoomAround(const QPointF& point, double factor);
    bool isFullScreenShown() const;

    // Hands the image area to `tool` (not owned; nullptr gives it back): playback stops and
    // stays off, the left button and the tool's keys go to it, and it may change and draw
    // over the paused frame.
    void setImageAreaTool(ImageAreaTool* tool);
    ImageAreaTool* imageAreaTool() const { return tool; }
    // Where the picture is drawn now, for naming window points in picture pixels.
    PictureMapping pictureMapping() const;
    // The frame the image area shows (the readout's).
    std::uint32_t shownFrameIndex() const { return readoutIndex; }
    // That frame's picture as drawn before scaling, with the tool's changes; null when none.
    QImage pictureAsShown();

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

    // Stops playback and selects the last frame not later than 0.000 s, as a slider move to
    // the event position would.
    void onGoToEvent();
    void onFaster();
    void onSlower();
    void setSpeedLevel(int level);
    void onZoomFit();
    void setSmoothScaling(bool on);
    // Full screen of the frame window.
    void toggleFullScreen();
    void leaveFullScreen();

signals:
    // After every open, successful or not; `loaded` tells whether a recording is shown now.
    void recordingOpened(const QString& path, bool loaded);
    // The readout names another frame (a step, a seek, a playback tick).
    void frameShown(std::uint32_t index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void createControls();
    void describeControls();
    BitmapButton* createBitmapButton(const char* name, const QString& text, int id,
                                     const QString& pictures);
    void layoutControls();
    void repaintAll();
    void paintPicture(QPainter& painter, const QRect& area);
    void paintSpeedMarks(QPainter& painter, const QRect& area);
    QSize pictureSize() const;
    struct ShownPicture {
        const FrameBitmap& bitmap;
        // The frame it holds; none before a frame was decoded into it.
        std::optional<std::uint32_t> frame;
    };
    // The one place that decides what a paint shows: the due tick's bitmap, otherwise the
    // frame the readout names.
    ShownPicture shownPicture();
    // Repaints the image area at once when its last paint showed another frame than the
    // readout's: a stop or the end of playback while the due tick's frame stood behind it.
    void showReadoutFrame();
    // Paints what has been invalidated, at once.
    void paintPending();
    // A view of `bitmap`, or a copy changed by the tool; `changed` tells which.
    QImage toolPicture(const FrameBitmap& bitmap, bool& changed) const;
    // After the speed changed: the running timer takes the new period, the notice shows.
    void speedChanged();

    bool startPlayTimer();
    void killPlayTimer();
    // Kills the timer and clears the playing flag; the controls are left as they are.
    void stopPlayback();
    // Every transport button and the slider from loaded / playing and where the cursor stands.
    void updateTransport();
    void updateTransport(bool atFirst, bool atLast);
    void playTick();
    void showPosition();
    void updateTimeReadout();
    void onSliderAction(int action);
    bool pressIfEnabled(QAbstractButton* button);

    QWidget* panelStatic = nullptr;
    EventSlider* slider = nullptr;
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
    PlaybackPace pace{framePeriodMs};
    ViewTransform view;
    ViewOptions viewOptions;
    bool smooth = false;
    QTimer* speedNoticeTimer = nullptr;
    bool dragging = false;
    Qt::MouseButton dragButton = Qt::NoButton;
    ImageAreaTool* tool = nullptr;
    bool toolDragging = false;
    QPointF dragFrom;
    std::vector<QList<QPointer<QAction>>> contextGroups;
    // A tick that shows a message box runs a nested event loop; ticks arriving meanwhile are
    // dropped, as the timer's callbacks never overlap.
    bool tickRunning = false;
    // True while a due tick paints; every other paint shows the readout's frame.
    bool duePaint = false;
    std::uint32_t readoutIndex = 0;
    // The frame the image area's last paint showed.
    std::optional<std::uint32_t> paintedFrame;
    // The readout's frame when neither bitmap of the pair holds it any more.
    FrameBitmap readoutPicture;
    std::optional<std::uint32_t> readoutPictureFrame;
    bool opensHeld = false;
    std::optional<std::string> heldOpen;
};
