#include "PlayerTestSupport.h"

#include <cstdlib>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QPaintEvent>
#include <QScreen>
#include <QSlider>
#include <QWindow>

#include "FlatJpeg.h"
#include "FrameBitmap.h"
#include "FrameTimeText.h"
#include "PlayerWnd.h"
#include "Recording.h"
#include "RecordingFileWriter.h"
#include "StandInOwner.h"

namespace {

const QColor shades[] = {
    QColor(220, 30, 30),  QColor(30, 200, 40),  QColor(40, 60, 230), QColor(230, 220, 40),
    QColor(200, 40, 200), QColor(40, 210, 210), QColor(120, 70, 20), QColor(250, 150, 60),
};
constexpr int shadeCount = static_cast<int>(sizeof shades / sizeof shades[0]);

int distance(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
           std::abs(a.blue() - b.blue());
}

}  // namespace

QColor shadeColour(int shade) {
    return shades[shade % shadeCount];
}

int shadeOfColour(const QColor& colour) {
    int best = -1;
    int bestDistance = 60;
    for (int k = 0; k < shadeCount; ++k) {
        const int d = distance(colour, shades[k]);
        if (d < bestDistance) {
            best = k;
            bestDistance = d;
        }
    }
    return best;
}

QColor centreColour(const FrameBitmap& bitmap) {
    const std::uint8_t* p = bitmap.pixels() +
                            static_cast<std::size_t>(bitmap.height() / 2) * bitmap.stride() +
                            static_cast<std::size_t>(bitmap.width() / 2) * 3;
    return {p[2], p[1], p[0]};
}

int shadeOfBitmap(const FrameBitmap& bitmap) {
    return bitmap.isCreated() ? shadeOfColour(centreColour(bitmap)) : -1;
}

std::vector<std::uint8_t> flatJpeg(const QColor& colour, int width, int height) {
    return flatJpeg(FlatColour{colour.red(), colour.green(), colour.blue()}, width, height);
}

std::string TestFolder::path(const std::string& name) const {
    return folder.file(name);
}

std::string TestFolder::bytes(const std::string& name,
                              const std::vector<std::uint8_t>& data) const {
    const std::string file = path(name);
    writeFile(file, data);
    return file;
}

std::string TestFolder::recording(const std::string& name, const std::vector<int>& numbers,
                                  int width, int height) const {
    std::vector<std::uint8_t> file;
    for (std::size_t k = 0; k < numbers.size(); ++k) {
        appendFrame(file, numbers[k], flatJpeg(shadeColour(static_cast<int>(k)), width, height));
    }
    return bytes(name, file);
}

std::string TestFolder::recordingWithDamage(const std::string& name,
                                            const std::vector<int>& numbers,
                                            std::size_t damaged) const {
    std::vector<std::uint8_t> file;
    for (std::size_t k = 0; k < numbers.size(); ++k) {
        std::vector<std::uint8_t> jpeg = flatJpeg(shadeColour(static_cast<int>(k)), 32, 24);
        if (k == damaged) {
            // No start-of-image marker: the decoder gives up on the frame.
            jpeg[0] = 0x00;
            jpeg[1] = 0x00;
        }
        appendFrame(file, numbers[k], jpeg);
    }
    return bytes(name, file);
}

PaintLog::PaintLog(PlayerWnd& player) : player(player) {
    player.installEventFilter(this);
}

bool PaintLog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &player && event->type() == QEvent::Paint) {
        const QRect imageArea(0, 0, player.width(), player.height() - PlayerWnd::panelHeight);
        if (static_cast<QPaintEvent*>(event)->region().intersects(imageArea)) {
            const Recording& recording = player.loadedRecording();
            shades.push_back(recording.bitmapsCreated() ? shadeOfBitmap(recording.shownBitmap())
                                                        : -1);
        }
    }
    return false;
}

QSlider* sliderOf(PlayerWnd& player) {
    return player.findChild<QSlider*>(QStringLiteral("slider"));
}

QLabel* readoutOf(PlayerWnd& player) {
    return player.findChild<QLabel*>(QStringLiteral("timeReadout"));
}

QAbstractButton* buttonOf(PlayerWnd& player, const char* name) {
    return player.findChild<QAbstractButton*>(QString::fromLatin1(name));
}

std::string transportStates(PlayerWnd& player) {
    std::string states;
    for (const char* name :
         {"playButton", "stopButton", "firstButton", "prevButton", "nextButton", "lastButton"}) {
        states += buttonOf(player, name)->isEnabled() ? '1' : '0';
    }
    return states;
}

QImage grabImage(PlayerWnd& player) {
    return player.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

std::string distinctRecording(const TestFolder& folder, const std::string& name,
                              const std::vector<int>& numbers) {
    std::vector<std::uint8_t> file;
    for (std::size_t k = 0; k < numbers.size(); ++k) {
        const int step = static_cast<int>(k);
        const QColor colour(30 + 30 * (step % 7), 30 + 30 * (step / 7 % 7), 110);
        appendFrame(file, numbers[k], flatJpeg(colour, 32, 24));
    }
    return folder.bytes(name, file);
}

ScreenCheck::ScreenCheck(PlayerWnd& player, const std::string& path)
    : player(player), owner(std::make_unique<StandInOwner>()),
      recording(std::make_unique<Recording>()) {
    recording->setOwner(owner.get());
    EXPECT_TRUE(recording->load(path)) << path;
}

ScreenCheck::~ScreenCheck() = default;

int ScreenCheck::readoutFrame() const {
    const QString text = readoutOf(player)->text();
    for (std::uint32_t k = 0; k < recording->frameCount(); ++k) {
        if (text == QString::fromStdString(frameTimeText(recording->frameAt(k).number))) {
            return static_cast<int>(k);
        }
    }
    return -1;
}

std::string ScreenCheck::mismatch() {
    // What the event loop would paint before the user looks.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    const int frame = readoutFrame();
    if (frame < 0) {
        return "the readout '" + readoutOf(player)->text().toStdString() + "' names no frame";
    }
    FrameBitmap decoded;
    if (!recording->decodeInto(static_cast<std::uint32_t>(frame), decoded)) {
        return "frame " + std::to_string(frame) + " does not decode";
    }
    const QColor expected = centreColour(decoded);

    QWindow* window = player.window()->windowHandle();
    const QImage screen = window->screen()->grabWindow(window->winId()).toImage();
    // Low on the left of the picture: clear of the speed notice in the middle and of the
    // speed mark at the top right.
    const QRectF target = player.pictureMapping().target().intersected(QRectF(player.imageArea()));
    const QPoint inside(static_cast<int>(target.left() + target.width() / 8),
                        static_cast<int>(target.bottom() - target.height() / 8));
    const QColor shown = screen.pixelColor(player.mapTo(player.window(), inside));
    if (std::abs(shown.red() - expected.red()) + std::abs(shown.green() - expected.green()) +
            std::abs(shown.blue() - expected.blue()) <= 6) {
        return {};
    }
    // Which frame the screen shows, for the message.
    int shownFrame = -1;
    for (std::uint32_t k = 0; k < recording->frameCount() && shownFrame < 0; ++k) {
        FrameBitmap other;
        if (recording->decodeInto(k, other) && centreColour(other) == shown) {
            shownFrame = static_cast<int>(k);
        }
    }
    return "the readout names frame " + std::to_string(frame) + " but the picture shows " +
           (shownFrame >= 0 ? "frame " + std::to_string(shownFrame)
                            : shown.name().toStdString());
}

#include <QCoreApplication>
#include <QTest>

PlayerFixture::PlayerFixture() {
    Prompts::install(&prompts);
    showPlayer();
}

PlayerFixture::~PlayerFixture() {
    player.reset();
    Prompts::install(nullptr);
}

void PlayerFixture::showPlayer(int width, int height) {
    player = std::make_unique<PlayerWnd>();
    player->resize(width, height);
    player->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(player.get()));
    EXPECT_EQ(player->size(), QSize(width, height));
}

void PlayerFixture::settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}
