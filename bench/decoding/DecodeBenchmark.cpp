// decodeJpegFrame against tjDecompress2 to BGR on the same 640 x 480 4:2:0 frame. The paired
// benchmark alternates the two in one loop and reports ours / turbojpeg as "ratio".
#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <memory>
#include <stdexcept>
#include <vector>

#include "FrameBitmap.h"
#include "JpegEncoder.h"
#include "JpegFrameDecoder.h"
#include "RoadScene.h"

namespace {

constexpr int frameWidth = 640;
constexpr int frameHeight = 480;

const std::vector<std::uint8_t>& roadFrame() {
    static const std::vector<std::uint8_t> jpeg = [] {
        JpegEncodeOptions options;
        options.subsampling = ChromaSubsampling::Yuv420;
        options.quality = 85;
        return encodeJpeg(frameWidth, frameHeight,
                          renderRoadScene(frameWidth, frameHeight, 300, 600), options);
    }();
    return jpeg;
}

struct TurboDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TurboHandle = std::unique_ptr<void, TurboDeleter>;

class OurDecoder {
public:
    OurDecoder() { bitmap.create(frameWidth, frameHeight); }
    void run() {
        decodeJpegFrame(roadFrame(), [this](int, int) { return &bitmap; });
        benchmark::DoNotOptimize(bitmap.pixels());
        benchmark::ClobberMemory();
    }

private:
    FrameBitmap bitmap;
};

class TurboDecoder {
public:
    TurboDecoder()
        : handle(tjInitDecompress()),
          pixels(static_cast<std::size_t>(FrameBitmap::strideFor(frameWidth)) * frameHeight) {
        if (!handle) {
            throw std::runtime_error("tjInitDecompress failed");
        }
    }
    void run() {
        const auto& jpeg = roadFrame();
        if (tjDecompress2(handle.get(), jpeg.data(), static_cast<unsigned long>(jpeg.size()),
                          pixels.data(), frameWidth, FrameBitmap::strideFor(frameWidth),
                          frameHeight, TJPF_BGR, 0) != 0) {
            throw std::runtime_error("tjDecompress2 failed");
        }
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }

private:
    TurboHandle handle;
    std::vector<std::uint8_t> pixels;
};

void decodeJpegFrameIntoBitmap(benchmark::State& state) {
    OurDecoder decoder;
    for (auto _ : state) {
        decoder.run();
    }
}

void tjDecompress2ToBgr(benchmark::State& state) {
    TurboDecoder decoder;
    for (auto _ : state) {
        decoder.run();
    }
}

// Thread CPU time, so that other work on a shared machine does not land in one side only.
struct ThreadCpuClock {
    using duration = std::chrono::nanoseconds;
    using time_point = std::chrono::time_point<ThreadCpuClock>;
    static time_point now() {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return time_point(std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec));
    }
};

void oursAgainstTurbojpeg(benchmark::State& state) {
    using Clock = ThreadCpuClock;
    OurDecoder ours;
    TurboDecoder turbo;
    Clock::duration oursTime{};
    Clock::duration turboTime{};
    for (auto _ : state) {
        const auto start = Clock::now();
        ours.run();
        const auto middle = Clock::now();
        turbo.run();
        oursTime += middle - start;
        turboTime += Clock::now() - middle;
    }
    const auto micros = [&](Clock::duration total) {
        return std::chrono::duration<double, std::micro>(total).count() /
               static_cast<double>(state.iterations());
    };
    state.counters["ours_us"] = micros(oursTime);
    state.counters["turbo_us"] = micros(turboTime);
    state.counters["ratio"] = micros(oursTime) / micros(turboTime);
}

}  // namespace

BENCHMARK(decodeJpegFrameIntoBitmap)->Unit(benchmark::kMicrosecond);
BENCHMARK(tjDecompress2ToBgr)->Unit(benchmark::kMicrosecond);
BENCHMARK(oursAgainstTurbojpeg)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
