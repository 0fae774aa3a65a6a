// What one playback tick costs the user-interface thread: a due tick (repaint of a 640 x 480
// frame stretched into the 288 x 180 image area, then the decode of the frame after it) and
// a tick that is not due (slider and readout only), both against a plain decode of the same
// frames in the same run. The ratios are printed at the end.
//
// Frames one number apart are due on every other tick at best, so an iteration of dueTick is
// one due tick and the not-due tick after it; notDueTick shows how little the second adds.
//
// The same due tick in a 1920 x 1080 window, with the picture fitted and zoomed 4 times around
// the centre: the zoomed paint draws only the visible quarter of the frame, so it must cost
// no more than the fitted one (ratio printed as zoomed / fitted).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include <QApplication>
#include <QEvent>
#include <QTemporaryDir>

#include "BenchSupport.h"
#include "JpegEncoder.h"
#include "MultimediaTimer.h"
#include "PlayerWnd.h"
#include "Prompts.h"
#include "RecordingFileWriter.h"
#include "RoadScene.h"

namespace {

// A timer stepped by the loop: each fire() is one tick of the running timer.
class SteppedTimer final : public MultimediaTimer {
public:
    std::optional<Capabilities> capabilities() override { return Capabilities{1, 1000000}; }
    std::uint32_t setEvent(std::uint32_t, Callback callback) override {
        running = std::move(callback);
        return ++lastId;
    }
    void killEvent(std::uint32_t) override { running = nullptr; }
    std::uint32_t time() override { return clock; }
    void fire() {
        clock += 33;
        if (running) {
            running(lastId);
        }
    }

private:
    Callback running;
    std::uint32_t lastId = 0;
    std::uint32_t clock = 0;
};

struct Fixture {
    Fixture() {
        // Distinct frames of the road scene, numbered one apart so that every tick is due, and
        // a recording of two frames far apart whose ticks in between are not.
        std::vector<std::vector<std::uint8_t>> scenes;
        scenes.reserve(24);
        for (int k = 0; k < 24; ++k) {
            scenes.push_back(encodeJpeg(640, 480, renderRoadScene(640, 480, k * 8, 200)));
        }
        std::vector<std::uint8_t> everyTick;
        for (int number = 1; number <= 999; ++number) {
            appendFrame(everyTick, number,
                        scenes[static_cast<std::size_t>(number) % scenes.size()]);
        }
        everyTickPath = folder.filePath("every-tick.dat").toStdString();
        writeFile(everyTickPath, everyTick);

        std::vector<std::uint8_t> sparse;
        appendFrame(sparse, 1, scenes[0]);
        appendFrame(sparse, 999, scenes[1]);
        sparsePath = folder.filePath("sparse.dat").toStdString();
        writeFile(sparsePath, sparse);

        MultimediaTimer::install(&timer);
        player.resize(288, 298);
        player.show();
        QApplication::processEvents();
    }
    ~Fixture() { MultimediaTimer::install(nullptr); }
    Fixture(const Fixture&) = delete;
    Fixture& operator=(const Fixture&) = delete;

    QTemporaryDir folder;
    std::string everyTickPath;
    std::string sparsePath;
    SteppedTimer timer;
    PlayerWnd player;
};

Fixture* fixture = nullptr;

void plainDecode(benchmark::State& state) {
    StandInOwner owner;
    Recording recording;
    recording.setOwner(&owner);
    recording.load(fixture->everyTickPath);
    std::uint32_t index = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(recording.decodeFrame(index, true));
        index = (index + 1) % 24;
    }
}
BENCHMARK(plainDecode)->Unit(benchmark::kMicrosecond);

// Counts the paints of the image area.
class PaintCounter final : public QObject {
public:
    explicit PaintCounter(QWidget& widget) { widget.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
    std::int64_t paints = 0;
};

// Due ticks through the every-tick recording, restarting at its end; `zoom` around the
// image area's centre after opening.
void runDueTicks(benchmark::State& state, double zoom) {
    PlayerWnd& player = fixture->player;
    player.openRecording(fixture->everyTickPath);
    if (zoom != 1.0) {
        player.zoomAround(QRectF(player.imageArea()).center(), zoom);
    }
    PaintCounter counter(player);
    for (auto _ : state) {
        if (player.runningTimerId() == 0 || player.loadedRecording().currentIndex() >= 996) {
            state.PauseTiming();
            const std::int64_t counted = counter.paints;
            player.onStop();
            player.onFirst();
            player.onPlay();
            counter.paints = counted;
            state.ResumeTiming();
        }
        fixture->timer.fire();
        fixture->timer.fire();
    }
    player.onStop();
    player.removeEventFilter(&counter);
    // One paint of the image area per iteration, or the loop measures something else.
    state.counters["paintsPerIteration"] =
        static_cast<double>(counter.paints) / static_cast<double>(state.iterations());
    state.counters["zoom"] = player.viewTransform().zoom();
}

void dueTick(benchmark::State& state) {
    runDueTicks(state, 1.0);
}
BENCHMARK(dueTick)->Unit(benchmark::kMicrosecond);

void notDueTick(benchmark::State& state) {
    PlayerWnd& player = fixture->player;
    player.openRecording(fixture->sparsePath);
    const Recording& recording = player.loadedRecording();
    for (auto _ : state) {
        // Ticks 2 to 998 wait for the second frame; the first and the last are due.
        if (player.runningTimerId() == 0 || recording.tick() >= 997) {
            state.PauseTiming();
            player.onStop();
            player.onFirst();
            player.onPlay();
            fixture->timer.fire();
            state.ResumeTiming();
        }
        fixture->timer.fire();
    }
    player.onStop();
}
BENCHMARK(notDueTick)->Unit(benchmark::kMicrosecond);

// The window at 1920 x 1080 for the benchmark's run, then back at its first size.
class FullHdWindow {
public:
    explicit FullHdWindow(PlayerWnd& player) : player(player), before(player.size()) {
        player.resize(1920, 1080);
        QApplication::processEvents();
    }
    ~FullHdWindow() {
        player.resize(before);
        QApplication::processEvents();
    }
    FullHdWindow(const FullHdWindow&) = delete;
    FullHdWindow& operator=(const FullHdWindow&) = delete;

private:
    PlayerWnd& player;
    QSize before;
};

void dueTickFit1080(benchmark::State& state) {
    const FullHdWindow window(fixture->player);
    runDueTicks(state, 1.0);
}
BENCHMARK(dueTickFit1080)->Unit(benchmark::kMicrosecond);

void dueTickZoom4x1080(benchmark::State& state) {
    const FullHdWindow window(fixture->player);
    runDueTicks(state, 4.0);
}
BENCHMARK(dueTickZoom4x1080)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    benchmark::Initialize(&argc, argv);
    QApplication app(argc, argv);
    SilentPrompts prompts;
    Prompts::install(&prompts);
    {
        Fixture shared;
        fixture = &shared;
        RatioReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        reporter.printRatios("plainDecode",
                             {"dueTick", "notDueTick", "dueTickFit1080", "dueTickZoom4x1080"});
        reporter.printRatios("dueTickFit1080", {"dueTickZoom4x1080"});
        fixture = nullptr;
    }
    Prompts::install(nullptr);
    benchmark::Shutdown();
    return 0;
}
