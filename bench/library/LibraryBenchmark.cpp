// Whole processes, each against a yardstick in the same run:
// - `halcyra-cli import` of a recording of about 200 MB into an empty library against `cp` of
//   the file plus `openssl dgst -sha256` of the source and the copy (the least a verified copy
//   does); the import also flushes the copy to disk and writes recording.json;
// - `halcyra-cli info` of the sample against the same load with every frame decoded by
//   tjDecompress2 (bench_reference_decode): what hashing the file adds to info.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "ProcessRun.h"
#include "ScaleRecording.h"

namespace {

namespace fs = std::filesystem;

struct Workspace {
    fs::path folder;
    fs::path recording;  // about 200 MB
    bool ready = false;

    Workspace() {
        folder = fs::temp_directory_path() / ("halcyra-bench-library-" + std::to_string(getpid()));
        fs::create_directories(folder);
        recording = folder / "halcjpeg.dat";
        try {
            const auto pictures = scale::pictures(7, 320, 240);
            scale::writeRecording(recording.string(),
                                  scale::framesForSize(pictures, std::uint64_t{200} << 20),
                                  pictures);
            ready = true;
        } catch (...) {
            ready = false;
        }
    }
    ~Workspace() {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    // A fresh, empty library and copy target before each run.
    void clear() const {
        std::error_code ignored;
        fs::remove_all(folder / "library", ignored);
        fs::remove(folder / "copy.dat", ignored);
    }
};

const Workspace& workspace() {
    static const Workspace shared;
    return shared;
}

void BM_ImportAgainstCopyAndDigest(benchmark::State& state) {
    const Workspace& space = workspace();
    if (!space.ready) {
        state.SkipWithError("the 200 MB recording could not be written");
        return;
    }
    const std::string source = space.recording.string();
    const std::string copy = (space.folder / "copy.dat").string();
    compareProcesses(
        state,
        {HALCYRA_CLI_PATH, "import", source, "--library", (space.folder / "library").string()},
        {"/bin/sh", "-c", "cp \"$1\" \"$2\" && openssl dgst -sha256 \"$1\" \"$2\"", "sh", source,
         copy},
        [&space] { space.clear(); });
}
BENCHMARK(BM_ImportAgainstCopyAndDigest)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(6);

void BM_InfoAgainstDecodeAll(benchmark::State& state) {
    compareProcesses(state, {HALCYRA_CLI_PATH, "info", HALCYRA_SAMPLE_PATH},
                     {HALCYRA_REFERENCE_DECODE_PATH, HALCYRA_SAMPLE_PATH});
}
BENCHMARK(BM_InfoAgainstDecodeAll)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
