// The evidence package of the sample recording end to end (load, copy, original AVI, share MP4,
// report, still, checksums) against a plain copy of the same file with its SHA-256: the least
// any package must do. Both run in the same process, one after the other. Peak memory of each
// is measured in a child process of its own (this program run with --peak-memory=NAME), so that
// neither sees the other's high-water mark.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include <QCryptographicHash>
#include <QFile>
#include <QGuiApplication>

#include "BenchSupport.h"
#include "EvidencePackage.h"
#include "Recording.h"

namespace fs = std::filesystem;

namespace {

const fs::path& scratch() {
    static const fs::path folder =
        fs::temp_directory_path() / ("halcyra-bench-package-" + std::to_string(getpid()));
    return folder;
}

void copyAndHash() {
    const fs::path copy = scratch() / "copy.dat";
    fs::create_directories(scratch());
    fs::copy_file(HALCYRA_SAMPLE_PATH, copy, fs::copy_options::overwrite_existing);
    QFile file(QString::fromStdString(copy.string()));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file)) {
        std::fprintf(stderr, "copy failed\n");
    }
    benchmark::DoNotOptimize(hash.result());
    fs::remove(copy);
}

void wholePackage() {
    StandInOwner owner;
    Recording recording;
    recording.setOwner(&owner);
    if (!recording.load(HALCYRA_SAMPLE_PATH)) {
        std::fprintf(stderr, "%s: cannot be loaded\n", HALCYRA_SAMPLE_PATH);
        return;
    }
    const fs::path folder = scratch() / "package";
    ExportProgress progress;
    const ExportResult result =
        exportEvidencePackage(recording, HALCYRA_SAMPLE_PATH, folder.string(), {}, progress);
    if (!result.written()) {
        std::fprintf(stderr, "package: %s\n", result.message.c_str());
    }
    fs::remove_all(folder);
}

void plainCopyAndHash(benchmark::State& state) {
    for (auto _ : state) {
        copyAndHash();
    }
}
BENCHMARK(plainCopyAndHash)->Unit(benchmark::kMillisecond);

void evidencePackage(benchmark::State& state) {
    for (auto _ : state) {
        wholePackage();
    }
}
BENCHMARK(evidencePackage)->Unit(benchmark::kMillisecond)->Iterations(3);

// The peak resident memory, in MiB, of a child running one job once.
double peakMiB(const char* program, const char* job) {
    const std::string command = std::string(program) + " --peak-memory=" + job;
    FILE* pipe = popen(command.c_str(), "r");
    double peak = 0;
    if (pipe == nullptr || std::fscanf(pipe, "%lf", &peak) != 1) {
        peak = 0;
    }
    if (pipe != nullptr) {
        pclose(pipe);
    }
    return peak;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication application(argc, argv);  // the report and the overlay draw text
    if (argc == 2 && std::strncmp(argv[1], "--peak-memory=", 14) == 0) {
        const std::string job = argv[1] + 14;
        (job == "package" ? wholePackage : copyAndHash)();
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-union-access)
        std::printf("%.1f\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
        fs::remove_all(scratch());
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios("plainCopyAndHash", {"evidencePackage"});
    const double referencePeak = peakMiB(argv[0], "copy");
    const double packagePeak = peakMiB(argv[0], "package");
    std::printf("peak memory: plainCopyAndHash %.1f MiB, evidencePackage %.1f MiB (ratio %.3g)\n",
                referencePeak, packagePeak, referencePeak > 0 ? packagePeak / referencePeak : 0.0);
    benchmark::Shutdown();
    fs::remove_all(scratch());
    return 0;
}
