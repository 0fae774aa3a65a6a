// Loading a recording of about 100 MB against a plain read of the same file into memory.
// The ratio load / plain read is what matters; both run in the same process, one after the
// other, over a file that sits in the page cache.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include <unistd.h>

#include "BenchSupport.h"
#include "FileHandle.h"
#include "JpegEncoder.h"
#include "Recording.h"
#include "RecordingFileWriter.h"
#include "RoadScene.h"

namespace {

// About 100 MB: one 640 x 480 frame repeated with rising numbers.
const std::string& bigRecording() {
    static const std::string path = [] {
        const auto file = std::filesystem::temp_directory_path() /
                          ("halcyra-bench-" + std::to_string(getpid()) + ".dat");
        const std::vector<std::uint8_t> jpeg =
            encodeJpeg(640, 480, renderRoadScene(640, 480, 100, 200));
        std::vector<std::uint8_t> bytes;
        bytes.reserve(100u << 20);
        for (int number = 1; bytes.size() < (100u << 20); number = number % 999 + 1) {
            appendFrame(bytes, number, jpeg);
        }
        writeFile(file.string(), bytes);
        return file.string();
    }();
    return path;
}

void plainRead(benchmark::State& state) {
    const std::string& path = bigRecording();
    const auto size = static_cast<std::size_t>(std::filesystem::file_size(path));
    for (auto _ : state) {
        FileHandle file(std::fopen(path.c_str(), "rb"));
        auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(size);
        benchmark::DoNotOptimize(std::fread(buffer.get(), 1, size, file.get()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(plainRead)->Unit(benchmark::kMillisecond);

void recordingLoad(benchmark::State& state) {
    const std::string& path = bigRecording();
    const auto size = static_cast<std::size_t>(std::filesystem::file_size(path));
    StandInOwner owner;
    for (auto _ : state) {
        Recording recording;
        recording.setOwner(&owner);
        benchmark::DoNotOptimize(recording.load(path));
        state.counters["frames"] = static_cast<double>(recording.frameCount());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(recordingLoad)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios("plainRead", {"recordingLoad"});
    benchmark::Shutdown();
    std::filesystem::remove(bigRecording());
    return 0;
}
