#include "PlayerWnd.h"

#include <algorithm>
#include <cmath>

#include <QActionGroup>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>

#include "AboutDialog.h"
#include "BitmapButton.h"
#include "ControlTexts.h"
#include "EventSlider.h"
#include "FrameTimeText.h"
#include "ImageAreaTool.h"
#include "KeyTable.h"
#include "LogoBar.h"
#include "MultimediaTimer.h"
#include "PathText.h"
#include "PlayerTexts.h"
#include "ProgramFolder.h"
#include "Prompts.h"
#include "SensorConfigDialog.h"
#include "TimeConfigDialog.h"
#include "UserLocations.h"

namespace {

constexpr int staticId = 0xFFFF;
constexpr char idProperty[] = "controlId";

// The control panel, measured from the bottom of the window.
constexpr int rowHeight = 30;
constexpr int transportRowTop = 88;
constexpr int readoutRowTop = 58;
constexpr int logoHeight = 28;
constexpr int transportWidth = 48;
constexpr int pushButtonWidth = 100;
constexpr int readoutWidth = 88;

constexpr char iniName[] = "Halcyra.ini";

void setControlId(QWidget* control, const char* name, int id) {
    control->setObjectName(QString::fromLatin1(name));
    control->setProperty(idProperty, id);
}

QRect toQRect(const PixelRect& rect) {
    return QRect(QPoint(rect.left, rect.top), QPoint(rect.right - 1, rect.bottom - 1));
}

}  // namespace

PlayerWnd::PlayerWnd(QWidget* parent) : QWidget(parent), viewOptions(UserLocations::current().settingsFolder() + iniName) {
    setProperty(idProperty, viewId);
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
    // paintEvent covers the whole image area itself; the panel covers the rest.
    setAttribute(Qt::WA_OpaquePaintEvent);
    recording.setOwner(this);
    smooth = viewOptions.loadSmoothScaling();
    speedNoticeTimer = new QTimer(this);
    speedNoticeTimer->setSingleShot(true);
    speedNoticeTimer->setInterval(speedNoticeMs);
    connect(speedNoticeTimer, &QTimer::timeout, this, [this] { update(imageArea()); });
    createControls();
}

PlayerWnd::~PlayerWnd() {
    stopPlayback();
    recording.clear();
}

QSize PlayerWnd::sizeHint() const {
    return {minWidth, panelHeight + minImageHeight};
}

BitmapButton* PlayerWnd::createBitmapButton(const char* name, const QString& text, int id,
                                            const QString& pictures) {
    auto* button = new BitmapButton(this);
    setControlId(button, name, id);
    button->setText(text);
    button->setEnabled(false);
    // Clicks leave the keyboard focus on the window, so the playback keys keep working.
    button->setFocusPolicy(Qt::TabFocus);
    button->loadBitmaps(pictures);
    return button;
}

// The transport buttons show only a picture; their names say what they do, the tooltip also
// the key. Qt shows tooltips on disabled widgets too.
void PlayerWnd::describeControls() {
    const auto describe = [](QWidget* control, const QString& name, const QString& help,
                             keyTable::Command command) {
        control->setAccessibleName(name);
        control->setAccessibleDescription(help);
        control->setToolTip(controlTexts::withKey(name, keyTable::bindingOf(command).keyText));
    };
    describe(firstButton, controlTexts::firstName, controlTexts::firstHelp,
             keyTable::Command::First);
    describe(prevButton, controlTexts::prevName, controlTexts::prevHelp, keyTable::Command::Prev);
    describe(playButton, controlTexts::playName, controlTexts::playHelp,
             keyTable::Command::PlayStop);
    describe(stopButton, controlTexts::stopName, controlTexts::stopHelp,
             keyTable::Command::PlayStop);
    describe(nextButton, controlTexts::nextName, controlTexts::nextHelp, keyTable::Command::Next);
    describe(lastButton, controlTexts::lastName, controlTexts::lastHelp, keyTable::Command::Last);

    slider->setAccessibleName(controlTexts::sliderName);
    slider->setAccessibleDescription(controlTexts::sliderHelp);
    slider->setToolTip(controlTexts::sliderHelp);
    slider->setTimeReadout(timeReadout, controlTexts::seconds);
    timeReadout->setAccessibleName(controlTexts::readoutName);
    timeReadout->setAccessibleDescription(controlTexts::readoutHelp);
    timeReadout->setToolTip(controlTexts::readoutHelp);
    logoBar->setAccessibleName(controlTexts::logoName);
    logoBar->setToolTip(controlTexts::logoName);
    setAccessibleName(controlTexts::imageAreaName);
    setAccessibleDescription(controlTexts::imageAreaHelp);

    // Tab walks the panel left to right, row by row.
    QWidget* previous = slider;
    for (QWidget* next : std::initializer_list<QWidget*>{firstButton, prevButton, playButton,
                                                         stopButton, nextButton, lastButton,
                                                         browseButton, exitButton}) {
        setTabOrder(previous, next);
        previous = next;
    }
    // Enter presses a focused push button as Space does, as in the dialogs.
    browseButton->setAutoDefault(true);
    exitButton->setAutoDefault(true);
}

void PlayerWnd::createControls() {
    // Created in this order, which is also the order in which they overlap.
    panelStatic = new QWidget(this);
    setControlId(panelStatic, "panelStatic", staticId);
    panelStatic->setAutoFillBackground(true);
    panelStatic->setAttribute(Qt::WA_TransparentForMouseEvents);

    slider = new EventSlider(this);
    setControlId(slider, "slider", 0);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setEnabled(false);
    connect(slider, &QSlider::actionTriggered, this, &PlayerWnd::onSliderAction);

    timeReadout = new QLabel(playerTexts::noTime, this);
    setControlId(timeReadout, "timeReadout", staticId);
    timeReadout->setTextFormat(Qt::PlainText);
    timeReadout->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    exitButton = new QPushButton(playerTexts::exitButton, this);
    setControlId(exitButton, "exitButton", 8);
    exitButton->setFocusPolicy(Qt::TabFocus);
    connect(exitButton, &QPushButton::clicked, this, &PlayerWnd::onExit);

    browseButton = new QPushButton(playerTexts::browseButton, this);
    setControlId(browseButton, "browseButton", 7);
    browseButton->setFocusPolicy(Qt::TabFocus);
    connect(browseButton, &QPushButton::clicked, this, &PlayerWnd::onBrowse);

    playButton =
        createBitmapButton("playButton", QStringLiteral("Play"), 3, QStringLiteral("play"));
    stopButton =
        createBitmapButton("stopButton", QStringLiteral("Stop"), 4, QStringLiteral("stop"));
    firstButton =
        createBitmapButton("firstButton", QStringLiteral("First"), 1, QStringLiteral("first"));
    lastButton =
        createBitmapButton("lastButton", QStringLiteral("Last"), 6, QStringLiteral("last"));
    prevButton =
        createBitmapButton("prevButton", QStringLiteral("Prev"), 2, QStringLiteral("prev"));
    nextButton =
        createBitmapButton("nextButton", QStringLiteral("Next"), 5, QStringLiteral("next"));
    connect(playButton, &QAbstractButton::clicked, this, &PlayerWnd::onPlay);
    connect(stopButton, &QAbstractButton::clicked, this, &PlayerWnd::onStop);
    connect(firstButton, &QAbstractButton::clicked, this, &PlayerWnd::onFirst);
    connect(lastButton, &QAbstractButton::clicked, this, &PlayerWnd::onLast);
    connect(prevButton, &QAbstractButton::clicked, this, &PlayerWnd::onPrev);
    connect(nextButton, &QAbstractButton::clicked, this, &PlayerWnd::onNext);

    logoBar = new LogoBar(this);
    setControlId(logoBar, "logoBar", staticId);
    // The strip's window text; what it is called for a screen reader is set below.
    logoBar->setWindowTitle(playerTexts::logo);

    describeControls();
    layoutControls();
}

void PlayerWnd::layoutControls() {
    const int w = width();
    const int h = height();
    // The six transport buttons span minWidth, centred.
    const int x = w / 2 - minWidth / 2;
    panelStatic->setGeometry(0, h - panelHeight, w, panelHeight);
    slider->setGeometry(0, h - panelHeight, w, rowHeight);
    exitButton->setGeometry(w - pushButtonWidth, h - readoutRowTop, pushButtonWidth, rowHeight);
    browseButton->setGeometry(w - 2 * pushButtonWidth, h - readoutRowTop, pushButtonWidth,
                              rowHeight);
    timeReadout->setGeometry(0, h - readoutRowTop, readoutWidth, rowHeight);
    int left = x;
    for (BitmapButton* button :
         {firstButton, prevButton, playButton, stopButton, nextButton, lastButton}) {
        button->setGeometry(left, h - transportRowTop, transportWidth, rowHeight);
        left += transportWidth;
    }
    logoBar->setGeometry(0, h - logoHeight, w, logoHeight);
}

void PlayerWnd::resizeEvent(QResizeEvent*) {
    layoutControls();
}

QRect PlayerWnd::stretchTarget(int w, int h, int W, int A) {
    return ViewTransform::fit(w, h, W, A);
}

QRect PlayerWnd::imageArea() const {
    return {0, 0, width(), std::max(0, height() - panelHeight)};
}

QSize PlayerWnd::pictureSize() const {
    if (!recording.bitmapsCreated()) {
        return {};
    }
    return {recording.bitmapWidth(), recording.bitmapHeight()};
}

void PlayerWnd::paintEvent(QPaintEvent* event) {
    const QRect area = imageArea();
    if (area.isEmpty()) {
        return;
    }
    QPainter painter(this);
    painter.setClipRegion(event->region());
    if (!recording.bitmapsCreated() || !recording.shownBitmap().isCreated()) {
        painter.fillRect(area, palette().color(QPalette::Base));
        return;
    }
    const std::optional<std::uint32_t> before = paintedFrame;
    paintPicture(painter, area);
    // A paint of part of the area that brought another frame leaves no mix of two frames.
    if (paintedFrame != before && !QRegion(area).subtracted(event->region()).isEmpty()) {
        update(area);
    }
    if (tool != nullptr) {
        painter.save();
        painter.setClipRect(area, Qt::IntersectClip);
        tool->paintOver(painter, pictureMapping(), readoutIndex);
        painter.restore();
    }
    paintSpeedMarks(painter, area);
}

void PlayerWnd::paintPicture(QPainter& painter, const QRect& area) {
    const QColor windowColour = palette().color(QPalette::Base);
    const ShownPicture shown = shownPicture();
    const FrameBitmap& bitmap = shown.bitmap;
    paintedFrame = shown.frame;
    // Nearest pixels unless smooth scaling is chosen.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    bool changed = false;
    const QImage picture = toolPicture(bitmap, changed);
    if (view.isFit()) {
        const QRect target = stretchTarget(recording.bitmapWidth(), recording.bitmapHeight(),
                                           area.width(), area.height());
        // The bands beside the picture show the window colour, as an erased background would.
        for (const QRect& band : QRegion(area).subtracted(target)) {
            painter.fillRect(band, windowColour);
        }
        painter.drawImage(target, picture);
        return;
    }
    // Enlarged, only the source pixels that land in the area are drawn.
    const ViewTransform::Visible visible = view.visiblePart(pictureSize(), area.size());
    const QRectF& target = visible.destination;
    const QRect covered(QPoint(static_cast<int>(std::ceil(target.left())),
                               static_cast<int>(std::ceil(target.top()))),
                        QPoint(static_cast<int>(std::floor(target.right())) - 1,
                               static_cast<int>(std::floor(target.bottom())) - 1));
    for (const QRect& band : QRegion(area).subtracted(covered)) {
        painter.fillRect(band, windowColour);
    }
    if (!visible.source.isEmpty() && changed) {
        painter.save();
        painter.setClipRect(area, Qt::IntersectClip);
        painter.drawImage(target, picture, QRectF(visible.source));
        painter.restore();
    } else if (!visible.source.isEmpty()) {
        // A view of the visible pixels alone, so that nothing else is even converted.
        const QRect& source = visible.source;
        const QImage part(bitmap.pixels() +
                              static_cast<std::size_t>(source.top()) * bitmap.stride() +
                              static_cast<std::size_t>(source.left()) * 3,
                          source.width(), source.height(), bitmap.stride(), QImage::Format_BGR888);
        painter.save();
        painter.setClipRect(area, Qt::IntersectClip);
        painter.drawImage(target, part);
        painter.restore();
    }
}

QImage PlayerWnd::toolPicture(const FrameBitmap& bitmap, bool& changed) const {
    // A view of the bitmap's own memory, no copy.
    QImage own(bitmap.pixels(), bitmap.width(), bitmap.height(), bitmap.stride(),
               QImage::Format_BGR888);
    changed = tool != nullptr && !duePaint && tool->changesPicture(readoutIndex);
    if (!changed) {
        return own;
    }
    QImage copy = own.copy();
    tool->changePicture(copy, readoutIndex);
    return copy;
}

QImage PlayerWnd::pictureAsShown() {
    if (!recording.bitmapsCreated() || !recording.shownBitmap().isCreated()) {
        return {};
    }
    bool changed = false;
    QImage picture = toolPicture(shownPicture().bitmap, changed);
    return changed ? picture : picture.copy();
}

PictureMapping PlayerWnd::pictureMapping() const {
    const QSize picture = pictureSize();
    const QRect area = imageArea();
    if (picture.isEmpty() || area.isEmpty()) {
        return {};
    }
    // As paintPicture places it: the truncated fit at zoom 1, the view's rectangle otherwise.
    const QRectF target =
        view.isFit() ? QRectF(stretchTarget(picture.width(), picture.height(), area.width(),
                                            area.height()))
                     : view.target(picture, area.size());
    return {target.translated(area.topLeft()), picture};
}

void PlayerWnd::setImageAreaTool(ImageAreaTool* newTool) {
    tool = newTool;
    toolDragging = false;
    setMouseTracking(tool != nullptr);
    unsetCursor();
    if (tool != nullptr && recording.isPlaying()) {
        onStop();
    } else {
        // Only Play follows the tool; the other buttons stay as the last command left them.
        playButton->setEnabled(recording.frameCount() > 0 && !recording.isPlaying() &&
                               tool == nullptr);
    }
    update(imageArea());
}

PlayerWnd::ShownPicture PlayerWnd::shownPicture() {
    const int shownIndex = recording.shownBitmapIndex();
    const ShownPicture shown{recording.bitmapAt(shownIndex), recording.frameInBitmap(shownIndex)};
    if (duePaint) {
        return shown;
    }
    // Between ticks the pair may already hold the frames after the one the readout shows.
    for (int index : {shownIndex, 1 - shownIndex}) {
        if (recording.frameInBitmap(index) == readoutIndex) {
            return {recording.bitmapAt(index), readoutIndex};
        }
    }
    if (readoutPictureFrame != readoutIndex) {
        readoutPictureFrame = readoutIndex;
        if (!recording.decodeInto(readoutIndex, readoutPicture)) {
            readoutPictureFrame.reset();
        }
    }
    return readoutPictureFrame ? ShownPicture{readoutPicture, readoutIndex} : shown;
}

void PlayerWnd::showReadoutFrame() {
    if (recording.bitmapsCreated() && paintedFrame != readoutIndex) {
        repaint(imageArea());
    }
}

void PlayerWnd::paintSpeedMarks(QPainter& painter, const QRect& area) {
    const bool notice = speedNoticeTimer->isActive();
    if (pace.isRecordedPace() && !notice) {
        return;
    }
    const QString factor = QString::fromStdString(pace.factorText());
    // The part of the area that shows the picture, so the marks never sit in a band.
    const QRect pictureArea =
        view.target(pictureSize(), area.size()).toAlignedRect().intersected(area);
    const auto drawLabel = [&](const QString& text, int pixelSize, bool centred) {
        QFont font = painter.font();
        font.setPixelSize(pixelSize);
        font.setBold(true);
        painter.setFont(font);
        const QFontMetrics metrics(font);
        const int margin = pixelSize / 3;
        QRect box(0, 0, metrics.horizontalAdvance(text) + 2 * margin, metrics.height() + margin);
        if (centred) {
            box.moveCenter(pictureArea.center());
        } else {
            box.moveTopRight(pictureArea.topRight() + QPoint(-margin, margin));
        }
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 150));
        painter.drawRoundedRect(box, margin, margin);
        painter.setPen(Qt::white);
        painter.drawText(box, Qt::AlignCenter, text);
    };
    if (!pace.isRecordedPace()) {
        drawLabel(factor, 12, false);
    }
    if (notice) {
        drawLabel(playerTexts::speedNotice + factor, std::clamp(area.height() / 8, 14, 48), true);
    }
}

PixelRect PlayerWnd::clientRect() const {
    return {0, 0, width(), height()};
}

void PlayerWnd::invalidate(const PixelRect& rect, bool) {
    // Every paint fills the bands itself, so an erase changes nothing that is seen.
    if (rect.right > rect.left && rect.bottom > rect.top) {
        pendingPaint += toQRect(rect);
    }
}

void PlayerWnd::updateNow() {
    // The recording paints at once in the due tick and after it moved its cursor (a step, a
    // seek, a rewind). A move makes the cursor's frame the readout's before the paint; the
    // command then sets the readout's text and the slider, before any other event is seen.
    if (!duePaint) {
        readoutIndex = recording.currentIndex();
    }
    paintPending();
}

void PlayerWnd::paintPending() {
    if (pendingPaint.isEmpty()) {
        return;
    }
    const QRegion region = std::exchange(pendingPaint, QRegion());
    repaint(region);
}

void PlayerWnd::repaintAll() {
    invalidate(clientRect(), true);
    paintPending();
}

void PlayerWnd::openCommandLine(const std::string& text) {
    const std::size_t start = text.find_first_not_of(" \t");
    if (start != std::string::npos) {
        openRecording(text.substr(start));
    }
}

bool PlayerWnd::openRecording(const std::string& path) {
    view.reset();
    pace.reset();
    speedNoticeTimer->stop();
    readoutPictureFrame.reset();
    paintedFrame.reset();
    readoutIndex = 0;
    if (recording.load(path)) {
        window()->setWindowTitle(playerTexts::frameTitle + playerTexts::titleSeparator +
                                 QString::fromStdString(recording.getCaptureDate()));
        timeReadout->setText(playerTexts::firstFrameTime);
        // Next and Last are offered even for a single frame, as after any open.
        updateTransport(true, false);
        slider->setRange(0, recording.lastNumber() - 1);
        slider->setTickInterval(30);
        slider->setPageStep(30);
        slider->setValue(0);
        recording.rewind();
        repaintAll();
        emit recordingOpened(pathText::toQt(path), true);
        return true;
    }
    Prompts::current().message(playerTexts::badData, Prompts::Buttons::Ok, Prompts::Icon::Warning);
    window()->setWindowTitle(playerTexts::frameTitle);
    slider->setRange(0, 1);
    slider->setTickInterval(1);
    slider->setValue(0);
    timeReadout->setText(playerTexts::noTime);
    updateTransport();
    repaintAll();
    emit recordingOpened(pathText::toQt(path), false);
    return false;
}

void PlayerWnd::requestOpen(const std::string& path) {
    QMetaObject::invokeMethod(
        this,
        [this, path = std::string(path)] {
            if (opensHeld) {
                heldOpen = path;
                return;
            }
            openRecording(path);
        },
        Qt::QueuedConnection);
}

void PlayerWnd::holdOpens(bool hold) {
    opensHeld = hold;
    if (!hold && heldOpen) {
        requestOpen(*std::exchange(heldOpen, std::nullopt));
    }
}

bool PlayerWnd::canClose() {
    if (playTimerId == 0) {
        return true;
    }
    stopPlayback();
    return false;
}

void PlayerWnd::stopPlayback() {
    killPlayTimer();
    recording.stopPlaying();
}

void PlayerWnd::updateTransport() {
    updateTransport(recording.isFirst(), recording.isLast());
}

void PlayerWnd::updateTransport(bool atFirst, bool atLast) {
    const bool loaded = recording.frameCount() > 0;
    const bool stepping = loaded && !recording.isPlaying();
    // The image area's tool works on a paused frame.
    playButton->setEnabled(stepping && tool == nullptr);
    stopButton->setEnabled(loaded && recording.isPlaying());
    firstButton->setEnabled(stepping && !atFirst);
    prevButton->setEnabled(stepping && !atFirst);
    nextButton->setEnabled(stepping && !atLast);
    lastButton->setEnabled(stepping && !atLast);
    slider->setEnabled(loaded);
}

void PlayerWnd::onBrowse() {
    Prompts::OpenFileRequest request;
    request.initialFolder = programFolder();
    request.defaultName = playerTexts::openDefaultName;
    request.defaultSuffix = playerTexts::openDefaultSuffix;
    request.filter = playerTexts::openFilter;
    const std::optional<std::string> path = Prompts::current().chooseOpenFile(request);
    if (!path) {
        return;
    }
    openChosen(*path);
}

void PlayerWnd::openChosen(const std::string& path) {
    stopPlayback();
    requestOpen(path);
}

void PlayerWnd::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* data = event->mimeData();
    if (data->hasUrls() && !data->urls().isEmpty() && data->urls().constFirst().isLocalFile()) {
        event->acceptProposedAction();
    }
}

void PlayerWnd::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.constFirst().isLocalFile()) {
        return;
    }
    openChosen(pathText::fromQt(urls.constFirst().toLocalFile()));
    event->acceptProposedAction();
}

void PlayerWnd::onExit() {
    QMetaObject::invokeMethod(window(), &QWidget::close, Qt::QueuedConnection);
}

void PlayerWnd::onAbout() {
    AboutDialog dialog(this);
    dialog.fillFromVersionInfo();
    dialog.exec();
}

void PlayerWnd::onSensorSettings() {
    SensorConfigDialog dialog(nullptr);
    dialog.exec();
}

void PlayerWnd::onClockSettings() {
    TimeConfigDialog dialog(nullptr);
    dialog.exec();
}

// Playback

bool PlayerWnd::startPlayTimer() {
    MultimediaTimer& timer = MultimediaTimer::current();
    const std::optional<MultimediaTimer::Capabilities> caps = timer.capabilities();
    if (!caps) {
        Prompts::current().message(playerTexts::noTimer, Prompts::Buttons::Ok,
                                   Prompts::Icon::Warning);
        QMetaObject::invokeMethod(window(), &QWidget::close, Qt::QueuedConnection);
        return false;
    }
    std::uint32_t period = std::max(caps->periodMin, pace.periodMs());
    if (period >= caps->periodMax) {
        period = caps->periodMax;
    }
    pace.restart(timer.time());
    playTimerId = timer.setEvent(period, [this](std::uint32_t id) { playTimerProc(id); });
    return playTimerId != 0;
}

void PlayerWnd::killPlayTimer() {
    if (playTimerId != 0) {
        MultimediaTimer::current().killEvent(playTimerId);
        playTimerId = 0;
    }
}

void PlayerWnd::playTimerProc(std::uint32_t timerId) {
    if (timerId != playTimerId || timerId == 0 || tickRunning) {
        return;
    }
    tickRunning = true;
    // Away from the recorded pace an event may step the clock never, once or a few times.
    const int steps = pace.stepsAt(MultimediaTimer::current().time());
    for (int step = 0; step < steps && playTimerId == timerId; ++step) {
        playTick();
    }
    tickRunning = false;
}

void PlayerWnd::playTick() {
    const std::uint32_t now = MultimediaTimer::current().time();
    if (recording.isPlaying()) {
        showPosition();
    }
    bool clockStepDone = false;
    try {
        bool due = false;
        {
            const QScopedValueRollback<bool> painting(duePaint, true);
            due = recording.checkFrameDue();
        }
        if (due) {
            if (now >= lastTickTime) {
                recording.advanceTick();
            }
            clockStepDone = true;
            if (!recording.stepNext()) {
                showPosition();
                // The last due paint may have shown a frame before the last one.
                showReadoutFrame();
                stopPlayback();
                // The cursor stands on the last frame, also when it is the only one.
                updateTransport(false, true);
            }
        }
    } catch (...) {
        Prompts::current().message(playerTexts::tickError, Prompts::Buttons::Ok,
                                   Prompts::Icon::None);
        if (!clockStepDone) {
            return;
        }
    }
    lastTickTime = now;
}

void PlayerWnd::showPosition() {
    slider->setValue(recording.currentNumber());
    updateTimeReadout();
    paintPending();
}

void PlayerWnd::updateTimeReadout() {
    readoutIndex = recording.currentIndex();
    timeReadout->setText(QString::fromStdString(frameTimeText(recording.currentNumber())));
    emit frameShown(readoutIndex);
}

void PlayerWnd::onPlay() {
    if (recording.isLast()) {
        recording.rewind();
        showPosition();
    }
    recording.startPlaying();
    startPlayTimer();
    lastTickTime = MultimediaTimer::current().time();
    updateTransport();
}

void PlayerWnd::onStop() {
    stopPlayback();
    updateTransport();
    // While playing, the readout names the frame the next due tick was to show.
    showReadoutFrame();
}

// The stepping commands assume what they have just done (Next and Prev leave the other end,
// First and Last reach theirs), which differs from the cursor only for a single frame.
void PlayerWnd::onNext() {
    recording.showNext();
    updateTransport(false, recording.isLast());
    showPosition();
}

void PlayerWnd::onPrev() {
    recording.showPrevious();
    updateTransport(recording.isFirst(), false);
    showPosition();
}

void PlayerWnd::onFirst() {
    recording.rewind();
    updateTransport(true, false);
    showPosition();
}

void PlayerWnd::onLast() {
    recording.showLast();
    updateTransport(false, true);
    showPosition();
}

// Every user action on the slider, thumb tracking included, arrives here with the new
// position already in sliderPosition(); setValue() from showPosition() never does.
void PlayerWnd::onSliderAction(int action) {
    if (action == QAbstractSlider::SliderNoAction) {
        return;
    }
    stopPlayback();
    recording.seek(slider->sliderPosition());
    updateTransport();
    updateTimeReadout();
}

bool PlayerWnd::pressIfEnabled(QAbstractButton* button) {
    if (!button->isEnabled()) {
        return false;
    }
    button->click();
    return true;
}

void PlayerWnd::onGoToEvent() {
    if (recording.frameCount() == 0) {
        return;
    }
    stopPlayback();
    // Where a drag to the event would leave the thumb: at the range's end when it is shorter.
    slider->setValue(EventSlider::eventPosition);
    recording.seek(EventSlider::eventPosition);
    updateTransport();
    updateTimeReadout();
}

void PlayerWnd::onFaster() {
    if (pace.faster()) {
        speedChanged();
    }
}

void PlayerWnd::onSlower() {
    if (pace.slower()) {
        speedChanged();
    }
}

void PlayerWnd::setSpeedLevel(int level) {
    if (pace.setLevel(level)) {
        speedChanged();
    }
}

void PlayerWnd::speedChanged() {
    if (playTimerId != 0) {
        killPlayTimer();
        startPlayTimer();
    }
    speedNoticeTimer->start();
    update(imageArea());
}

void PlayerWnd::onZoomFit() {
    view.reset();
    update(imageArea());
}

void PlayerWnd::zoomAround(const QPointF& point, double factor) {
    const QSize picture = pictureSize();
    if (picture.isEmpty()) {
        return;
    }
    view.zoomAround(picture, imageArea().size(), point, factor);
    update(imageArea());
}

void PlayerWnd::useViewOptions(const std::string& iniPath) {
    viewOptions = ViewOptions(iniPath);
    smooth = viewOptions.loadSmoothScaling();
    update(imageArea());
}

void PlayerWnd::setSmoothScaling(bool on) {
    smooth = on;
    // A preference that cannot be saved is still used for this session.
    viewOptions.saveSmoothScaling(on);
    update(imageArea());
}

bool PlayerWnd::isFullScreenShown() const {
    return window()->isFullScreen();
}

void PlayerWnd::toggleFullScreen() {
    QWidget* frame = window();
    frame->setWindowState(frame->windowState() ^ Qt::WindowFullScreen);
}

void PlayerWnd::leaveFullScreen() {
    if (isFullScreenShown()) {
        toggleFullScreen();
    }
}

void PlayerWnd::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y();
    if (!imageArea().contains(event->position().toPoint()) || notches == 0 ||
        pictureSize().isEmpty()) {
        QWidget::wheelEvent(event);
        return;
    }
    zoomAround(event->position(), std::pow(wheelZoomStep, notches / 120.0));
    event->accept();
}

void PlayerWnd::mousePressEvent(QMouseEvent* event) {
    const bool inArea = imageArea().contains(event->position().toPoint());
    if (tool != nullptr && inArea && event->button() == Qt::LeftButton && !dragging &&
        !pictureSize().isEmpty() && tool->mousePress(*event, pictureMapping(), readoutIndex)) {
        toolDragging = true;
        event->accept();
        return;
    }
    // The left button is the tool's while it has the area; the middle one always pans.
    const bool panButton = (event->button() == Qt::LeftButton && tool == nullptr) ||
                           event->button() == Qt::MiddleButton;
    if (panButton && !toolDragging && !dragging && !view.isFit() && inArea) {
        dragging = true;
        dragButton = event->button();
        dragFrom = event->position();
        setCursor(Qt::ClosedHandCursor);
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void PlayerWnd::mouseMoveEvent(QMouseEvent* event) {
    if (toolDragging) {
        tool->mouseMove(*event, pictureMapping(), readoutIndex);
        event->accept();
        return;
    }
    if (tool != nullptr && !dragging) {
        if (imageArea().contains(event->position().toPoint())) {
            setCursor(tool->cursorAt(event->position(), pictureMapping(), readoutIndex));
        } else {
            unsetCursor();
        }
    }
    if (!dragging) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const QPointF delta = event->position() - dragFrom;
    dragFrom = event->position();
    const QSize picture = pictureSize();
    if (!picture.isEmpty()) {
        view.pan(picture, imageArea().size(), delta);
        update(imageArea());
    }
    event->accept();
}

void PlayerWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (toolDragging && event->button() == Qt::LeftButton) {
        toolDragging = false;
        tool->mouseRelease(*event, pictureMapping(), readoutIndex);
        event->accept();
        return;
    }
    if (dragging && event->button() == dragButton) {
        dragging = false;
        unsetCursor();
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void PlayerWnd::mouseDoubleClickEvent(QMouseEvent* event) {
    // A quick second click of the tool is another click, not full screen.
    if (tool != nullptr) {
        mousePressEvent(event);
        return;
    }
    if (event->button() == Qt::LeftButton && imageArea().contains(event->position().toPoint())) {
        toggleFullScreen();
        event->accept();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void PlayerWnd::addContextActions(const QList<QAction*>& actions) {
    QList<QPointer<QAction>> group;
    for (QAction* action : actions) {
        if (action != nullptr) {
            group.append(action);
        }
    }
    if (!group.isEmpty()) {
        contextGroups.push_back(group);
    }
}

std::unique_ptr<QMenu> PlayerWnd::createContextMenu() {
    auto menu = std::make_unique<QMenu>(this);
    const auto add = [this](QMenu* into, const QString& text, bool enabled, auto slot) {
        QAction* action = into->addAction(text);
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    // The transport items are offered exactly when their buttons are.
    add(menu.get(), playerTexts::playItem, playButton->isEnabled(), &PlayerWnd::onPlay);
    add(menu.get(), playerTexts::stopItem, stopButton->isEnabled(), &PlayerWnd::onStop);
    add(menu.get(), playerTexts::firstItem, firstButton->isEnabled(), &PlayerWnd::onFirst);
    add(menu.get(), playerTexts::prevItem, prevButton->isEnabled(), &PlayerWnd::onPrev);
    add(menu.get(), playerTexts::nextItem, nextButton->isEnabled(), &PlayerWnd::onNext);
    add(menu.get(), playerTexts::lastItem, lastButton->isEnabled(), &PlayerWnd::onLast);
    menu->addSeparator();
    const bool loaded = recording.frameCount() > 0;
    add(menu.get(), playerTexts::eventItem, loaded, &PlayerWnd::onGoToEvent);

    QMenu* speed = menu->addMenu(playerTexts::speedMenu);
    add(speed, playerTexts::fasterItem, pace.level() < PlaybackPace::fastestLevel,
        &PlayerWnd::onFaster);
    add(speed, playerTexts::slowerItem, pace.level() > PlaybackPace::slowestLevel,
        &PlayerWnd::onSlower);
    speed->addSeparator();
    auto* levels = new QActionGroup(speed);
    for (int level = PlaybackPace::slowestLevel; level <= PlaybackPace::fastestLevel; ++level) {
        QAction* action = speed->addAction(QString::fromStdString(PlaybackPace::factorText(level)));
        action->setCheckable(true);
        action->setChecked(level == pace.level());
        levels->addAction(action);
        connect(action, &QAction::triggered, this, [this, level] { setSpeedLevel(level); });
    }

    menu->addSeparator();
    add(menu.get(), playerTexts::fitItem, !view.isFit(), &PlayerWnd::onZoomFit);
    QAction* smoothAction = menu->addAction(playerTexts::smoothItem);
    smoothAction->setCheckable(true);
    smoothAction->setChecked(smooth);
    connect(smoothAction, &QAction::toggled, this, &PlayerWnd::setSmoothScaling);
    QAction* fullScreen =
        add(menu.get(), playerTexts::fullScreenItem, true, &PlayerWnd::toggleFullScreen);
    fullScreen->setCheckable(true);
    fullScreen->setChecked(isFullScreenShown());

    for (const QList<QPointer<QAction>>& group : contextGroups) {
        QList<QAction*> live;
        for (const QPointer<QAction>& action : group) {
            if (action) {
                live.append(action.data());
            }
        }
        if (!live.isEmpty()) {
            menu->addSeparator();
            menu->addActions(live);
        }
    }
    return menu;
}

void PlayerWnd::contextMenuEvent(QContextMenuEvent* event) {
    if (!imageArea().contains(event->pos())) {
        QWidget::contextMenuEvent(event);
        return;
    }
    const std::unique_ptr<QMenu> menu = createContextMenu();
    menu->exec(event->globalPos());
    event->accept();
}

// Keys reach this window when it has the focus or when the focused control does not use
// them itself (the slider keeps its arrows, a focused button its space bar).
void PlayerWnd::keyPressEvent(QKeyEvent* event) {
    using keyTable::Command;
    const std::optional<Command> command = keyTable::viewCommandFor(event->key());
    bool handled = true;
    switch (command.value_or(Command::KeyOverview)) {
        case Command::PlayStop:
            handled = pressIfEnabled(playButton) || pressIfEnabled(stopButton);
            break;
        case Command::Prev:
            handled = pressIfEnabled(prevButton);
            break;
        case Command::Next:
            handled = pressIfEnabled(nextButton);
            break;
        case Command::First:
            handled = pressIfEnabled(firstButton);
            break;
        case Command::Last:
            handled = pressIfEnabled(lastButton);
            break;
        case Command::GoToEvent:
            handled = recording.frameCount() > 0;
            onGoToEvent();
            break;
        case Command::Faster:
            onFaster();
            break;
        case Command::Slower:
            onSlower();
            break;
        case Command::ZoomFit:
            onZoomFit();
            break;
        case Command::FullScreen:
            toggleFullScreen();
            break;
        case Command::Leave:
            // The tool's mode first, full screen with the next press.
            if (tool != nullptr && tool->command(*command, readoutIndex)) {
                break;
            }
            handled = isFullScreenShown();
            leaveFullScreen();
            break;
        case Command::RemoveRegion:
        case Command::ToggleRegionKey:
            handled = tool != nullptr && tool->command(*command, readoutIndex);
            break;
        // Not keys of this window: the mouse handlers and the frame's shortcuts.
        case Command::Zoom:
        case Command::Pan:
        case Command::PanByMiddleButton:
        case Command::EditRegion:
        case Command::FullScreenByMouse:
        case Command::SaveStill:
        case Command::ExportClip:
        case Command::OpenLibrary:
        case Command::KeyOverview:
            handled = false;
            break;
    }
    if (handled) {
        event->accept();
    } else {
        QWidget::keyPressEvent(event);
    }
}
