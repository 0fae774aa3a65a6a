// The library's window over a library of a thousand small recordings, against listing the
// same library alone (Library::entries, the least the window must do):
// - libraryWindowShown: the window made, its model filled and the list painted once;
// - libraryPicturesFilled: the same, and every row's event frame made on the worker.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include <QApplication>
#include <QTableView>

#include "BenchSupport.h"
#include "ExifSegment.h"
#include "JpegEncoder.h"
#include "Library.h"
#include "LibraryEntry.h"
#include "LibraryModel.h"
#include "LibraryWindow.h"
#include "RecordingFileWriter.h"
#include "Sidecar.h"
#include "ThumbnailLoader.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int recordings = 1000;
constexpr int framesEach = 20;  // numbered 1, 31, ..., 571: the event frame 451 among them

// A library of `recordings` folders, each with its recording and recording.json, written
// directly (an import would flush each one to disk, which is not what is measured here).
struct Workspace {
    fs::path root;
    bool ready = false;

    Workspace() {
        root = fs::temp_directory_path() / ("halcyra-bench-window-" + std::to_string(getpid()));
        try {
            fs::create_directories(root);
            for (int i = 0; i < recordings; ++i) {
                write(i);
            }
            ready = true;
        } catch (...) {
            ready = false;
        }
    }
    ~Workspace() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    void write(int i) const {
        char date[32];
        std::snprintf(date, sizeof date, "2026:%02d:%02d %02d:%02d:07", 1 + i % 12, 1 + i % 28,
                      i % 24, i % 60);
        std::vector<std::uint8_t> file;
        for (int f = 0; f < framesEach; ++f) {
            std::vector<std::uint8_t> rgb(std::size_t{160} * 120 * 3);
            for (std::size_t p = 0; p < rgb.size(); ++p) {
                rgb[p] = static_cast<std::uint8_t>((p / 3 + static_cast<std::size_t>(i * 7 + f)) % 256);
            }
            JpegEncodeOptions options;
            if (f == 0) {
                options.app1 = makeExifSegment(date);
            }
            appendFrame(file, 1 + 30 * f, encodeJpeg(160, 120, rgb, options));
        }
        LibraryEntry entry;
        entry.fileName = "halcjpeg.dat";
        entry.sha256 = std::string(56, '0') + std::to_string(10000000 + i);
        entry.size = file.size();
        entry.source = "/media/user/CARD/DCIM/halcjpeg.dat";
        entry.importedAt = "2026-12-09T02:30:01Z";
        entry.captureDate = date;
        entry.frames = framesEach;
        entry.firstTime = "-15.000";
        entry.lastTime = "4.000";
        entry.vehicle = "品川 300 あ " + std::to_string(i);
        entry.driver = "運転者 " + std::to_string(i % 17);
        const fs::path folder = root / ("recording-" + std::to_string(i));
        fs::create_directories(folder);
        if (!writeFile((folder / entry.fileName).string(), file)) {
            throw std::runtime_error("cannot write a recording");
        }
        std::string error;
        if (!sidecar::write(folder.string(), entry, error)) {
            throw std::runtime_error(error);
        }
    }
};

const Workspace& workspace() {
    static const Workspace shared;
    return shared;
}

void libraryEntries(benchmark::State& state) {
    const Workspace& space = workspace();
    if (!space.ready) {
        state.SkipWithError("the library could not be written");
        return;
    }
    const Library library(space.root.string());
    for (auto _ : state) {
        const auto entries = library.entries();
        if (entries.size() != recordings) {
            state.SkipWithError("the library does not list every recording");
            return;
        }
        benchmark::DoNotOptimize(entries.data());
    }
}
BENCHMARK(libraryEntries)->Unit(benchmark::kMillisecond);

// Seconds from nothing to the window painted with its rows, and to every picture made.
std::pair<double, double> showWindow() {
    const Library library(workspace().root.string());
    const Clock::time_point start = Clock::now();
    LibraryWindow window;
    window.showLibrary(library);
    window.show();
    QApplication::processEvents();
    window.repaint();
    const double shown = std::chrono::duration<double>(Clock::now() - start).count();
    while (window.thumbnails()->isBusy()) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const double filled = std::chrono::duration<double>(Clock::now() - start).count();
    if (window.model()->rowCount() != recordings || !window.model()->hasPicture(recordings - 1)) {
        return {-1, -1};
    }
    return {shown, filled};
}

void libraryWindowShown(benchmark::State& state) {
    for (auto _ : state) {
        const double seconds = showWindow().first;
        if (seconds < 0) {
            state.SkipWithError("the window does not list every recording");
            return;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(libraryWindowShown)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void libraryPicturesFilled(benchmark::State& state) {
    for (auto _ : state) {
        const double seconds = showWindow().second;
        if (seconds < 0) {
            state.SkipWithError("the window does not picture every recording");
            return;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(libraryPicturesFilled)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    benchmark::Initialize(&argc, argv);
    QApplication app(argc, argv);
    SilentPrompts prompts;
    Prompts::install(&prompts);
    if (!workspace().ready) {
        std::fprintf(stderr, "the library of %d recordings could not be written\n", recordings);
    }
    // Fonts and styles are loaded once per process, not per window.
    showWindow();

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios("libraryEntries", {"libraryWindowShown", "libraryPicturesFilled"});
    Prompts::install(nullptr);
    benchmark::Shutdown();
    return 0;
}
