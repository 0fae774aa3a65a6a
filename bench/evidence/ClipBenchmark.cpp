// Exports the sample as an original AVI and as a share MP4 with halcyra-cli, and lets the ffmpeg
// program do the same job on the same frames: the recorded JPEGs (written out as files first)
// stream-copied into an AVI on the same 1/30 s grid, and encoded with libx264 preset medium,
// CRF 20, yuv420p, High profile, no B-frames, +faststart, track timescale 30. Each iteration
// runs both programs as processes, in alternating order so a busy machine weighs on both
// alike; it reports the wall times, their ratio (and that of the processor time spent) and each
// process's peak resident memory; at the end one line per share copy with the ratios next to
// the limits they must stay under. A last pair runs libx264 alone (ffmpeg fed the frames as raw
// yuv420p, so nothing is decoded or converted) against the same reference: the least any program
// can reach with these encoder settings on this machine.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Recording.h"
#include "StandInOwner.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct ProcessRun {
    double seconds = 0;
    double cpuSeconds = 0;  // user and system, all threads
    long peakKilobytes = 0;
    bool succeeded = false;
};

// Runs a program with its output thrown away; wall time and peak resident memory.
ProcessRun runProcess(const std::vector<std::string>& words) {
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (const std::string& word : words) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    ProcessRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return run;
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) {
        return run;
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto toSeconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    run.cpuSeconds = toSeconds(usage.ru_utime) + toSeconds(usage.ru_stime);
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-union-access): glibc declares it so
    run.peakKilobytes = usage.ru_maxrss;
    run.succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// The sample's frames as numbered JPEG files, for ffmpeg's image2 input; the sample's frame
// numbers step by 3, so 10 pictures a second put them on the same 1/30 s grid.
class Workspace {
public:
    Workspace() {
        folder = fs::temp_directory_path() / ("halcyra-bench-clips-" + std::to_string(getpid()));
        fs::create_directories(folder / "frames");
        StandInOwner owner;
        Recording recording;
        recording.setOwner(&owner);
        if (!recording.load(HALCYRA_SAMPLE_PATH)) {
            return;
        }
        for (std::uint32_t i = 0; i < recording.frameCount(); ++i) {
            const FrameRecord frame = recording.frameAt(i);
            char name[32];
            std::snprintf(name, sizeof name, "%04u.jpg", i);
            std::ofstream(folder / "frames" / name, std::ios::binary)
                .write(reinterpret_cast<const char*>(frame.jpegData), frame.jpegSize);
        }
        ready = recording.frameAt(1).number - recording.frameAt(0).number == 3;
    }
    ~Workspace() { fs::remove_all(folder); }
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    std::string path(const char* name) const { return (folder / name).string(); }
    bool ready = false;

private:
    fs::path folder;
};

// What the summary at the end shows of one benchmark.
struct Outcome {
    std::string name;
    double limit = 0;
    double ratio = 0;
    double bestRatio = 0;
    double cpuRatio = 0;
    double peakMegabytes = 0;
    double referencePeakMegabytes = 0;
    bool floor = false;  // libx264 alone, shown without a limit
};

std::vector<Outcome>& outcomes() {
    static std::vector<Outcome> all;
    return all;
}

const Workspace& workspace() {
    static const Workspace shared;
    return shared;
}

// `limit`: the wall-time ratio the share copy must stay under; a named run without one is
// the floor the summary shows beside them.
void compare(benchmark::State& state, const std::vector<std::string>& ours,
             const std::vector<std::string>& reference, const char* name = "", double limit = 0) {
    if (!workspace().ready ||
        std::string(HALCYRA_FFMPEG_PATH).find("NOTFOUND") != std::string::npos) {
        state.SkipWithError("the sample or the ffmpeg program is missing");
        return;
    }
    double oursTotal = 0;
    double referenceTotal = 0;
    double oursCpu = 0;
    double referenceCpu = 0;
    long oursPeak = 0;
    long referencePeak = 0;
    double bestRatio = 0;
    bool oursFirst = true;
    for (auto _ : state) {
        ProcessRun a;
        ProcessRun b;
        if (oursFirst) {
            a = runProcess(ours);
            b = runProcess(reference);
        } else {
            b = runProcess(reference);
            a = runProcess(ours);
        }
        oursFirst = !oursFirst;
        if (!a.succeeded || !b.succeeded) {
            state.SkipWithError(a.succeeded ? "ffmpeg failed" : "halcyra-cli failed");
            return;
        }
        state.SetIterationTime(a.seconds);
        const double pairRatio = a.seconds / b.seconds;
        bestRatio = bestRatio == 0 ? pairRatio : std::min(bestRatio, pairRatio);
        oursTotal += a.seconds;
        referenceTotal += b.seconds;
        oursCpu += a.cpuSeconds;
        referenceCpu += b.cpuSeconds;
        oursPeak = std::max(oursPeak, a.peakKilobytes);
        referencePeak = std::max(referencePeak, b.peakKilobytes);
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["ffmpeg_s"] = referenceTotal / runs;
    state.counters["ratio"] = oursTotal / referenceTotal;
    // The pair (run back to back) that the rest of the machine disturbed least.
    state.counters["best_ratio"] = bestRatio;
    // On a machine shared with other work the wall ratio also measures who got the cores.
    state.counters["cpu_ratio"] = oursCpu / referenceCpu;
    state.counters["peak_MB"] = static_cast<double>(oursPeak) / 1024.0;
    state.counters["ffmpeg_peak_MB"] = static_cast<double>(referencePeak) / 1024.0;
    if (*name != '\0') {
        outcomes().push_back({name, limit, oursTotal / referenceTotal, bestRatio,
                              oursCpu / referenceCpu, static_cast<double>(oursPeak) / 1024.0,
                              static_cast<double>(referencePeak) / 1024.0, limit == 0});
    }
}

void BM_OriginalAvi(benchmark::State& state) {
    const Workspace& w = workspace();
    compare(
        state,
        {HALCYRA_CLI_PATH, "video", HALCYRA_SAMPLE_PATH, "--out", w.path("ours.avi"), "--force"},
        {HALCYRA_FFMPEG_PATH, "-v", "error", "-y", "-framerate", "10", "-i",
         w.path("frames/%04d.jpg"), "-c:v", "copy", "-time_base", "1/30", w.path("reference.avi")});
}
BENCHMARK(BM_OriginalAvi)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// `filter`: ffmpeg's drawing of the times, or empty for none.
std::vector<std::string> referenceShareCopy(const Workspace& w, const std::string& filter) {
    std::vector<std::string> words = {
        HALCYRA_FFMPEG_PATH, "-v", "error", "-y",
        "-framerate",        "10", "-i",    w.path("frames/%04d.jpg")};
    if (!filter.empty()) {
        words.insert(words.end(), {"-vf", filter});
    }
    words.insert(words.end(), {"-c:v", "libx264", "-preset", "medium", "-crf", "20", "-profile:v",
                               "high", "-pix_fmt", "yuv420p", "-bf", "0", "-movflags", "+faststart",
                               "-video_track_timescale", "30", w.path("reference.mp4")});
    return words;
}

// ffmpeg burning in what the share copy shows: a dark band, the time of day on the left and
// the readout on the right, in the same font at the same size.
constexpr const char* timesFilter =
    "drawbox=y=ih-40:w=iw:h=40:color=black@0.67:t=fill,"
    "drawtext=fontfile=/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf:fontsize=26:"
    "fontcolor=white:x=9:y=h-33:"
    "text='%{pts\\:localtime\\:1795876507\\:%Y/%m/%d %H\\\\\\:%M\\\\\\:%S}',"
    "drawtext=fontfile=/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf:fontsize=26:"
    "fontcolor=white:x=w-tw-9:y=h-33:text='%{pts\\:flt\\:-15} s'";

void BM_ShareMp4(benchmark::State& state) {
    const Workspace& w = workspace();
    compare(
        state,
        {HALCYRA_CLI_PATH, "video", HALCYRA_SAMPLE_PATH, "--out", w.path("ours.mp4"), "--force"},
        referenceShareCopy(w, timesFilter), "with the times", 0.9);
}
BENCHMARK(BM_ShareMp4)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(6);

void BM_ShareMp4NoOverlay(benchmark::State& state) {
    const Workspace& w = workspace();
    compare(state,
            {HALCYRA_CLI_PATH, "video", HALCYRA_SAMPLE_PATH, "--out", w.path("ours.mp4"), "--force",
             "--no-overlay"},
            referenceShareCopy(w, {}), "without the times", 0.85);
}
BENCHMARK(BM_ShareMp4NoOverlay)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(6);

// libx264 alone: the frames already decoded and in yuv420p (a YUV4MPEG file ffmpeg only has to
// read), encoded as the reference encodes them.
void BM_X264Alone(benchmark::State& state) {
    const Workspace& w = workspace();
    const std::string planes = w.path("frames.y4m");
    if (w.ready && !fs::exists(planes)) {
        const ProcessRun made = runProcess({HALCYRA_FFMPEG_PATH, "-v", "error", "-y", "-framerate",
                                            "10", "-i", w.path("frames/%04d.jpg"), "-pix_fmt",
                                            "yuv420p", "-strict", "-1", planes});
        if (!made.succeeded) {
            state.SkipWithError("ffmpeg could not write the raw frames");
            return;
        }
    }
    std::vector<std::string> alone = referenceShareCopy(w, {});
    const auto input = std::find(alone.begin(), alone.end(), "-framerate");
    alone.erase(input, input + 4);  // -framerate 10 -i frames/%04d.jpg
    alone.insert(alone.begin() + 4, {"-i", planes});
    alone.back() = w.path("alone.mp4");
    compare(state, alone, referenceShareCopy(w, {}), "libx264 alone", 0);
}
BENCHMARK(BM_X264Alone)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(6);

void printSummary() {
    for (const Outcome& outcome : outcomes()) {
        if (outcome.floor) {
            std::printf("%-28s wall %.2f of ffmpeg from the JPEGs (best pair %.2f): the least "
                        "these encoder settings allow\n",
                        outcome.name.c_str(), outcome.ratio, outcome.bestRatio);
            continue;
        }
        std::printf(
            "share copy %-17s wall %.2f of ffmpeg (best pair %.2f, limit %.2f: %s), processor "
            "%.2f; peak memory %.1f MB, ffmpeg %.1f MB (%s)\n",
            outcome.name.c_str(), outcome.ratio, outcome.bestRatio, outcome.limit,
            outcome.ratio <= outcome.limit ? "met" : "NOT met", outcome.cpuRatio,
            outcome.peakMegabytes, outcome.referencePeakMegabytes,
            outcome.peakMegabytes <= outcome.referencePeakMegabytes ? "met" : "NOT met");
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printSummary();
    return 0;
}
