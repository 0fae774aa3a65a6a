// The pace of a whole playback of the sample on the real timer: the time each frame is shown
// (its paint in the image area), against the ideal schedule of 33 ms per frame number at the
// recorded pace, 33 / s ms at speed s. The reference in the same run is that ideal schedule
// itself; the ratios printed are the playback's length and each interval against it, and
// whether the length holds within 5 %.
//
// Speeds are chosen by arguments: "1/4", "1/2", "1", "2", "4"; without any, 1 and 4 (about
// 25 s). A whole run at 1/4 lasts about 80 s.
//
// Printed: the median and the worst deviation of the intervals between frames shown one after
// the other from (number difference x 33 ms), how many frames were shown more than half a
// period after their ideal time (counted from the first frame shown), and the frames skipped.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>

#include "BenchSupport.h"
#include "PlayerWnd.h"
#include "Prompts.h"
#include "QtMultimediaTimer.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Shown {
    double ms;
    std::int32_t number;
};

// Notes the time and number of every frame painted in the view.
class ShownLog final : public QObject {
public:
    explicit ShownLog(PlayerWnd& view) : view(view) { view.installEventFilter(this); }
    ~ShownLog() override { view.removeEventFilter(this); }
    ShownLog(const ShownLog&) = delete;
    ShownLog& operator=(const ShownLog&) = delete;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &view && event->type() == QEvent::Paint) {
            const std::int32_t number = view.loadedRecording().currentNumber();
            if (shown.empty() || shown.back().number != number) {
                shown.push_back(
                    {std::chrono::duration<double, std::milli>(Clock::now() - start).count(),
                     number});
            }
        }
        return false;
    }
    std::vector<Shown> shown;
    Clock::time_point start = Clock::now();

private:
    PlayerWnd& view;
};

double median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// The level of a speed argument such as "1/4" or "2"; nothing when it names no speed.
std::optional<int> speedLevel(const char* text) {
    for (int level = PlaybackPace::slowestLevel; level <= PlaybackPace::fastestLevel; ++level) {
        const std::string name = PlaybackPace::factorText(level).substr(std::strlen("×"));
        if (name == text) {
            return level;
        }
    }
    return std::nullopt;
}

// Plays the whole sample at speed 2^level; false when it could not.
bool playAt(PlayerWnd& view, int level) {
    if (!view.openRecording(HALCYRA_SAMPLE_PATH)) {
        std::fprintf(stderr, "cannot open %s\n", HALCYRA_SAMPLE_PATH);
        return false;
    }
    view.setSpeedLevel(level);
    // The speed notice goes before playback starts, so that its repaint does not count.
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < PlayerWnd::speedNoticeMs + 200) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }

    ShownLog log(view);
    log.start = Clock::now();
    view.onPlay();
    while (view.runningTimerId() != 0) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    const std::vector<Shown>& shown = log.shown;
    const PlaybackPace& pace = view.playbackPace();
    std::printf("speed %s\n", pace.factorText().c_str());
    if (shown.size() < 2) {
        std::fprintf(stderr, "playback showed %zu frames\n", shown.size());
        return false;
    }
    const double period = PlayerWnd::framePeriodMs / pace.factor();
    std::vector<double> deviations;
    double worst = 0;
    double idealTotal = 0;
    int late = 0;
    int gaps = 0;
    int backwards = 0;
    for (std::size_t i = 1; i < shown.size(); ++i) {
        const double ideal = (shown[i].number - shown[i - 1].number) * period;
        const double deviation = (shown[i].ms - shown[i - 1].ms) - ideal;
        deviations.push_back(std::abs(deviation));
        worst = std::max(worst, std::abs(deviation));
        idealTotal += ideal;
        const double due = shown[0].ms + (shown[i].number - shown[0].number) * period;
        late += shown[i].ms - due > period / 2 ? 1 : 0;
        gaps += shown[i].number - shown[i - 1].number > 3 ? 1 : 0;
        backwards += shown[i].number < shown[i - 1].number ? 1 : 0;
    }
    const double total = shown.back().ms - shown.front().ms;
    const double ratio = total / idealTotal;
    std::printf("  frames shown %zu of %zu (numbers %d to %d), backwards %d\n", shown.size(),
                view.loadedRecording().frameCount(), shown.front().number, shown.back().number,
                backwards);
    std::printf("  playback %.1f ms, ideal %.1f ms: ratio %.4f (%s 5 %%)\n", total, idealTotal,
                ratio, std::abs(ratio - 1) <= 0.05 ? "within" : "NOT within");
    std::printf(
        "  interval deviation: median %.2f ms, worst %.2f ms "
        "(ideal interval %.2f ms: ratios %.4f and %.4f)\n",
        median(deviations), worst, 3 * period, median(deviations) / (3 * period),
        worst / (3 * period));
    std::printf(
        "  frames shown more than %.1f ms late: %d; steps of more than 3 numbers "
        "(a frame skipped): %d\n",
        period / 2, late, gaps);
    return std::abs(ratio - 1) <= 0.05 && backwards == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    std::vector<int> levels;
    for (int i = 1; i < argc; ++i) {
        const std::optional<int> level = speedLevel(argv[i]);
        if (!level) {
            std::fprintf(stderr, "usage: %s [1/4|1/2|1|2|4]...\n", argv[0]);
            return 2;
        }
        levels.push_back(*level);
    }
    if (levels.empty()) {
        levels = {0, PlaybackPace::fastestLevel};
    }
    SilentPrompts prompts;
    Prompts::install(&prompts);
    QtMultimediaTimer timer;
    MultimediaTimer::install(&timer);
    int status = 0;
    {
        PlayerWnd view;
        view.resize(288, 298);
        view.show();
        QApplication::processEvents();
        for (const int level : levels) {
            status = playAt(view, level) ? status : 1;
        }
    }
    MultimediaTimer::install(nullptr);
    Prompts::install(nullptr);
    return status;
}
