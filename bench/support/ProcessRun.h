#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <string>
#include <vector>

// One whole process: its wall time, the processor time of all its threads and its peak
// resident memory.
struct ProcessRun {
    double seconds = 0;
    double cpuSeconds = 0;
    long peakKilobytes = 0;
    bool succeeded = false;  // started and exited with status 0
};

// Runs `words` (the program's path first) with its output thrown away.
ProcessRun runProcess(const std::vector<std::string>& words);

// Runs our program and the reference program once an iteration, in alternating order so that a
// busy machine weighs on both alike; `before`, when given, runs untimed ahead of each process
// (to clear what the one before left). The iteration time is ours; the counters give the
// reference's mean seconds (ref_s), the ratio of the wall times and of the processor times and
// both peaks.
void compareProcesses(benchmark::State& state, const std::vector<std::string>& ours,
                      const std::vector<std::string>& reference,
                      const std::function<void()>& before = {});
