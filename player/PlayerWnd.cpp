#include "PlayerWnd.h"

#include <algorithm>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QUrl>

#include "AboutDialog.h"
#include "BitmapButton.h"
#include "FrameTimeText.h"
#include "LogoBar.h"
#include "MultimediaTimer.h"
#include "PlayerTexts.h"
#include "ProgramFolder.h"
#include "Prompts.h"
#ifdef HALCYRA_HAVE_SETTINGS_UI
#include "SensorConfigDialog.h"
#include "TimeConfigDialog.h"
#endif

namespace {

constexpr int staticId = 0xFFFF;
constexpr char idProperty[] = "controlId";

void setControlId(QWidget* control, const char* name, int id) {
    control->setObjectName(QString::fromLatin1(name));
    control->setProperty(idProperty, id);
}

QRect toQRect(const PixelRect& rect) {
    return QRect(QPoint(rect.left, rect.top), QPoint(rect.right - 1, rect.bottom - 1));
}

}  // namespace

PlayerWnd::PlayerWnd(QWidget* parent) : QWidget(parent) {
    setProperty(idProperty, viewId);
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
    // paintEvent covers the whole image area itself; the panel covers the rest.
    setAttribute(Qt::WA_OpaquePaintEvent);
    recording.setOwner(this);
    createControls();
}

PlayerWnd::~PlayerWnd() {
    killPlayTimer();
    recording.stopPlaying();
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

void PlayerWnd::createControls() {
    // Created in this order, which is also the order in which they overlap.
    panelStatic = new QWidget(this);
    setControlId(panelStatic, "panelStatic", staticId);
    panelStatic->setAutoFillBackground(true);
    panelStatic->setAttribute(Qt::WA_TransparentForMouseEvents);

    slider = new QSlider(Qt::Horizontal, this);
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
    logoBar->setAccessibleName(playerTexts::logo);

    layoutControls();
}

void PlayerWnd::layoutControls() {
    const int w = width();
    const int h = height();
    const int x = w / 2 - 144;
    panelStatic->setGeometry(0, h - 118, w, 118);
    slider->setGeometry(0, h - 118, w, 30);
    exitButton->setGeometry(w - 100, h - 58, 100, 30);
    browseButton->setGeometry(w - 200, h - 58, 100, 30);
    timeReadout->setGeometry(0, h - 58, 88, 30);
    firstButton->setGeometry(x, h - 88, 48, 30);
    prevButton->setGeometry(x + 48, h - 88, 48, 30);
    playButton->setGeometry(x + 96, h - 88, 48, 30);
    stopButton->setGeometry(x + 144, h - 88, 48, 30);
    nextButton->setGeometry(x + 192, h - 88, 48, 30);
    lastButton->setGeometry(x + 240, h - 88, 48, 30);
    logoBar->setGeometry(0, h - 28, w, 28);
}

void PlayerWnd::resizeEvent(QResizeEvent*) {
    layoutControls();
}

QRect PlayerWnd::stretchTarget(int w, int h, int W, int A) {
    if (w <= 0 || h <= 0 || W <= 0 || A <= 0) {
        return {};
    }
    const double rw = static_cast<double>(w) / W;
    const double rh = static_cast<double>(h) / A;
    if (rw > rh) {
        const int d = static_cast<int>(h / rw);
        return {0, (A - d) / 2, W, d};
    }
    const int d = static_cast<int>(w / rh);
    return {(W - d) / 2, 0, d, A};
}

void PlayerWnd::paintEvent(QPaintEvent* event) {
    const QRect area(0, 0, width(), height() - panelHeight);
    if (area.isEmpty()) {
        return;
    }
    QPainter painter(this);
    painter.setClipRegion(event->region());
    const QColor windowColour = palette().color(QPalette::Base);
    if (!recording.bitmapsCreated() || !recording.shownBitmap().isCreated()) {
        painter.fillRect(area, windowColour);
        return;
    }
    const FrameBitmap& bitmap = recording.shownBitmap();
    const QRect target = stretchTarget(recording.bitmapWidth(), recording.bitmapHeight(),
                                       area.width(), area.height());
    // The bands beside the picture show the window colour, as an erased background would.
    for (const QRect& band : QRegion(area).subtracted(target)) {
        painter.fillRect(band, windowColour);
    }
    // A view of the bitmap's own memory, drawn with nearest-neighbour scaling.
    const QImage view(bitmap.pixels(), bitmap.width(), bitmap.height(), bitmap.stride(),
                      QImage::Format_BGR888);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, view);
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
    if (pendingPaint.isEmpty()) {
        return;
    }
    const QRegion region = std::exchange(pendingPaint, QRegion());
    repaint(region);
}

void PlayerWnd::repaintAll() {
    invalidate(clientRect(), true);
    updateNow();
}

void PlayerWnd::openCommandLine(const std::string& text) {
    const std::size_t start = text.find_first_not_of(" \t");
    if (start != std::string::npos) {
        openRecording(text.substr(start));
    }
}

bool PlayerWnd::openRecording(const std::string& path) {
    if (recording.load(path)) {
        window()->setWindowTitle(playerTexts::frameTitle + playerTexts::titleSeparator +
                                 QString::fromStdString(recording.getCaptureDate()));
        timeReadout->setText(playerTexts::firstFrameTime);
        playButton->setEnabled(true);
        stopButton->setEnabled(false);
        prevButton->setEnabled(false);
        firstButton->setEnabled(false);
        nextButton->setEnabled(true);
        lastButton->setEnabled(true);
        slider->setEnabled(true);
        slider->setRange(0, recording.lastNumber() - 1);
        slider->setTickInterval(30);
        slider->setPageStep(30);
        slider->setValue(0);
        recording.rewind();
        repaintAll();
        emit recordingOpened(QFile::decodeName(path.c_str()), true);
        return true;
    }
    Prompts::current().message(playerTexts::badData, Prompts::Buttons::Ok, Prompts::Icon::Warning);
    window()->setWindowTitle(playerTexts::frameTitle);
    slider->setRange(0, 1);
    slider->setTickInterval(1);
    slider->setValue(0);
    timeReadout->setText(playerTexts::noTime);
    for (QWidget* control : {static_cast<QWidget*>(slider), static_cast<QWidget*>(prevButton),
                             static_cast<QWidget*>(firstButton), static_cast<QWidget*>(nextButton),
                             static_cast<QWidget*>(lastButton), static_cast<QWidget*>(playButton),
                             static_cast<QWidget*>(stopButton)}) {
        control->setEnabled(false);
    }
    repaintAll();
    emit recordingOpened(QFile::decodeName(path.c_str()), false);
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
    killPlayTimer();
    recording.stopPlaying();
    return false;
}

void PlayerWnd::stopForOpen() {
    killPlayTimer();
    recording.stopPlaying();
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
    stopForOpen();
    requestOpen(*path);
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
    const std::string path = QFile::encodeName(urls.constFirst().toLocalFile()).toStdString();
    stopForOpen();
    requestOpen(path);
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
#ifdef HALCYRA_HAVE_SETTINGS_UI
    SensorConfigDialog dialog(nullptr);
    dialog.exec();
#endif
}

void PlayerWnd::onClockSettings() {
#ifdef HALCYRA_HAVE_SETTINGS_UI
    TimeConfigDialog dialog(nullptr);
    dialog.exec();
#endif
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
    std::uint32_t period = std::max(caps->periodMin, framePeriodMs);
    if (period >= caps->periodMax) {
        period = caps->periodMax;
    }
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
    if (timerId == playTimerId && timerId != 0 && !tickRunning) {
        tickRunning = true;
        playTick();
        tickRunning = false;
    }
}

void PlayerWnd::playTick() {
    const std::uint32_t now = MultimediaTimer::current().time();
    if (recording.isPlaying()) {
        showPosition();
    }
    bool clockStepDone = false;
    try {
        if (recording.checkFrameDue()) {
            if (now >= lastTickTime) {
                recording.advanceTick();
            }
            clockStepDone = true;
            if (!recording.stepNext()) {
                showPosition();
                killPlayTimer();
                recording.stopPlaying();
                stopButton->setEnabled(false);
                playButton->setEnabled(true);
                prevButton->setEnabled(true);
                firstButton->setEnabled(true);
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
    updateNow();
}

void PlayerWnd::updateTimeReadout() {
    timeReadout->setText(QString::fromStdString(frameTimeText(recording.currentNumber())));
}

void PlayerWnd::onPlay() {
    if (recording.isLast()) {
        recording.rewind();
    }
    recording.startPlaying();
    startPlayTimer();
    lastTickTime = MultimediaTimer::current().time();
    playButton->setEnabled(false);
    stopButton->setEnabled(true);
    prevButton->setEnabled(false);
    firstButton->setEnabled(false);
    nextButton->setEnabled(false);
    lastButton->setEnabled(false);
}

void PlayerWnd::onStop() {
    playButton->setEnabled(true);
    stopButton->setEnabled(false);
    if (!recording.isFirst()) {
        prevButton->setEnabled(true);
        firstButton->setEnabled(true);
    }
    if (!recording.isLast()) {
        nextButton->setEnabled(true);
        lastButton->setEnabled(true);
    }
    killPlayTimer();
    recording.stopPlaying();
}

void PlayerWnd::onNext() {
    recording.showNext();
    if (recording.isLast()) {
        nextButton->setEnabled(false);
        lastButton->setEnabled(false);
    }
    prevButton->setEnabled(true);
    firstButton->setEnabled(true);
    showPosition();
}

void PlayerWnd::onPrev() {
    recording.showPrevious();
    if (recording.isFirst()) {
        prevButton->setEnabled(false);
        firstButton->setEnabled(false);
    }
    nextButton->setEnabled(true);
    lastButton->setEnabled(true);
    showPosition();
}

void PlayerWnd::onFirst() {
    recording.rewind();
    prevButton->setEnabled(false);
    firstButton->setEnabled(false);
    nextButton->setEnabled(true);
    lastButton->setEnabled(true);
    showPosition();
}

void PlayerWnd::onLast() {
    recording.showLast();
    prevButton->setEnabled(true);
    firstButton->setEnabled(true);
    nextButton->setEnabled(false);
    lastButton->setEnabled(false);
    showPosition();
}

// Every user action on the slider, thumb tracking included, arrives here with the new
// position already in sliderPosition(); setValue() from showPosition() never does.
void PlayerWnd::onSliderAction(int action) {
    if (action == QAbstractSlider::SliderNoAction) {
        return;
    }
    killPlayTimer();
    recording.stopPlaying();
    playButton->setEnabled(true);
    stopButton->setEnabled(false);
    recording.seek(slider->sliderPosition());
    prevButton->setEnabled(!recording.isFirst());
    firstButton->setEnabled(!recording.isFirst());
    nextButton->setEnabled(!recording.isLast());
    lastButton->setEnabled(!recording.isLast());
    updateTimeReadout();
}

bool PlayerWnd::pressIfEnabled(QAbstractButton* button) {
    if (!button->isEnabled()) {
        return false;
    }
    button->click();
    return true;
}

// Keys reach this window when it has the focus or when the focused control does not use
// them itself (the slider keeps its arrows, a focused button its space bar).
void PlayerWnd::keyPressEvent(QKeyEvent* event) {
    bool handled = false;
    switch (event->key()) {
        case Qt::Key_Space:
            handled = pressIfEnabled(playButton) || pressIfEnabled(stopButton);
            break;
        case Qt::Key_Left:
            handled = pressIfEnabled(prevButton);
            break;
        case Qt::Key_Right:
            handled = pressIfEnabled(nextButton);
            break;
        case Qt::Key_Home:
            handled = pressIfEnabled(firstButton);
            break;
        case Qt::Key_End:
            handled = pressIfEnabled(lastButton);
            break;
        default:
            break;
    }
    if (handled) {
        event->accept();
    } else {
        QWidget::keyPressEvent(event);
    }
}
