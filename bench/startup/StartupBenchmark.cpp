// How long the user waits for the first picture: from creating the frame window with the
// sample on its command line to the end of the first paint of the image area that shows a
// frame. The reference in the same run is the work no viewer can skip: loading the file and
// decoding its first frame. The application object's own start-up (platform plugin, fonts)
// is timed once in main() and printed beside the ratio.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>

#include <QApplication>
#include <QEvent>

#include "BenchSupport.h"
#include "CMainFrame.h"
#include "PlayerWnd.h"
#include "Prompts.h"
#include "QtMultimediaTimer.h"
#include "Recording.h"

namespace {

using Clock = std::chrono::steady_clock;

// Notes the first paint of the view once a recording is loaded; the event loop's pass that
// delivers it returns after the paint and its flush to the screen.
class FirstFramePaint final : public QObject {
public:
    explicit FirstFramePaint(PlayerWnd& view) : view(view) { view.installEventFilter(this); }
    ~FirstFramePaint() override { view.removeEventFilter(this); }
    FirstFramePaint(const FirstFramePaint&) = delete;
    FirstFramePaint& operator=(const FirstFramePaint&) = delete;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &view && event->type() == QEvent::Paint &&
            view.loadedRecording().frameCount() > 0) {
            painted = true;
        }
        return false;
    }
    bool painted = false;

private:
    PlayerWnd& view;
};

std::string commandLine() { return HALCYRA_SAMPLE_PATH; }

void loadAndDecodeFirstFrame(benchmark::State& state) {
    StandInOwner owner;
    for (auto _ : state) {
        Recording recording;
        recording.setOwner(&owner);
        recording.load(HALCYRA_SAMPLE_PATH);
        benchmark::DoNotOptimize(recording.decodeFrame(0, true));
    }
}
BENCHMARK(loadAndDecodeFirstFrame)->Unit(benchmark::kMillisecond);

// Returns the seconds from creating the frame to its first frame painted.
double showFirstFrame() {
    const Clock::time_point start = Clock::now();
    CMainFrame frame(commandLine());
    FirstFramePaint watch(*frame.view());
    frame.show();
    while (!watch.painted) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    frame.hide();
    return seconds;
}

void firstPaintedFrame(benchmark::State& state) {
    for (auto _ : state) {
        state.SetIterationTime(showFirstFrame());
    }
}
BENCHMARK(firstPaintedFrame)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    benchmark::Initialize(&argc, argv);
    const Clock::time_point start = Clock::now();
    QApplication app(argc, argv);
    const double appSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    SilentPrompts prompts;
    Prompts::install(&prompts);
    QtMultimediaTimer timer;
    MultimediaTimer::install(&timer);
    // The first window of the process also loads fonts, styles and the button pictures.
    const double coldSeconds = showFirstFrame();

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("application object: %.1f ms; first window of the process: %.1f ms\n",
                appSeconds * 1e3, coldSeconds * 1e3);
    reporter.printRatios("loadAndDecodeFirstFrame", {"firstPaintedFrame"});
    MultimediaTimer::install(nullptr);
    Prompts::install(nullptr);
    benchmark::Shutdown();
    return 0;
}
