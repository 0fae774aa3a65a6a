// Loading recordings far beyond the recorder's size: 10,000 frames (about 7 MB) and a file
// of about 200 MB, each against a plain read of the same file into one buffer in the same
// process. Counters:
//   vsPlainRead   load time / time of a plain read paired with each load (outside the
//                 timing), summed over the iterations
//   peakMB        peak resident memory during one load (VmHWM, reset before each load, after
//                 the allocator has given freed memory back)
//   extraPerByte  (peak - resident before the load) / file size: what holding the
//                 recording costs per byte of the file
//   maxrssMB      the process's ru_maxrss so far
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "BenchSupport.h"
#include "FileHandle.h"
#include "Recording.h"
#include "ScaleRecording.h"
#include "TempFolder.h"

namespace {

struct ScaleFile {
    std::string path;
    std::uint64_t bytes = 0;
};

template <typename Work>
double secondsOf(Work work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TempFolder& folder() {
    static TempFolder instance;
    return instance;
}

void readWhole(const std::string& path, std::uint64_t bytes) {
    FileHandle file(std::fopen(path.c_str(), "rb"));
    auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(bytes);
    benchmark::DoNotOptimize(std::fread(buffer.get(), 1, bytes, file.get()));
    benchmark::ClobberMemory();
}

ScaleFile makeFile(const std::string& name, std::size_t frames, int width, int height) {
    ScaleFile file{folder().file(name), 0};
    scale::writeRecording(file.path, frames, scale::pictures(7, width, height));
    file.bytes = std::filesystem::file_size(file.path);
    return file;
}

const ScaleFile& manyFrames() {
    static const ScaleFile file = makeFile("frames-10000.dat", 10000, 16, 16);
    return file;
}

const ScaleFile& bigFile() {
    static const ScaleFile file = [] {
        const auto pictures = scale::pictures(7, 96, 64);
        return makeFile("about-200MB.dat", scale::framesForSize(pictures, std::uint64_t{200} << 20),
                        96, 64);
    }();
    return file;
}

// Kibibytes of a "Vm...:" line of /proc/self/status.
std::optional<double> statusKiB(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(key + ":")) {
            return std::stod(line.substr(key.size() + 1));
        }
    }
    return std::nullopt;
}

// Makes VmHWM start again from the current resident size.
bool resetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.close();
    return !clear.fail();
}

double maxrssMB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    // glibc declares the fields of rusage inside unions.
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-union-access)
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void plainRead(benchmark::State& state, const ScaleFile& (*fileOf)()) {
    const ScaleFile& file = fileOf();
    for (auto _ : state) {
        readWhole(file.path, file.bytes);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.bytes));
    state.counters["fileMB"] = static_cast<double>(file.bytes) / (1 << 20);
}

void recordingLoad(benchmark::State& state, const ScaleFile& (*fileOf)()) {
    const ScaleFile& file = fileOf();
    StandInOwner owner;
    double loadSeconds = 0;
    double readSeconds = 0;
    double peak = 0;
    double extra = 0;
    std::size_t frames = 0;
    for (auto _ : state) {
        // Outside the timing: the paired plain read, then a clean start for the peak.
        state.PauseTiming();
        readSeconds += secondsOf([&] { readWhole(file.path, file.bytes); });
        malloc_trim(0);
        const bool peakReset = resetPeak();
        const double before = statusKiB("VmRSS").value_or(0);
        state.ResumeTiming();

        Recording recording;
        recording.setOwner(&owner);
        loadSeconds += secondsOf([&] { benchmark::DoNotOptimize(recording.load(file.path)); });
        frames = recording.frameCount();

        state.PauseTiming();
        if (peakReset) {
            const double high = statusKiB("VmHWM").value_or(0);
            peak = std::max(peak, high / 1024);
            extra = std::max(extra, (high - before) * 1024 / static_cast<double>(file.bytes));
        }
        recording.clear();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.bytes));
    state.counters["frames"] = static_cast<double>(frames);
    state.counters["vsPlainRead"] = loadSeconds / readSeconds;
    state.counters["peakMB"] = peak;
    state.counters["extraPerByte"] = extra;
    state.counters["maxrssMB"] = maxrssMB();
}

BENCHMARK_CAPTURE(plainRead, frames10000, &manyFrames)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(recordingLoad, frames10000, &manyFrames)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(plainRead, about200MB, &bigFile)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(recordingLoad, about200MB, &bigFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
