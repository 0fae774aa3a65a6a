#include "ProcessRun.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

extern char** environ;

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

void compareProcesses(benchmark::State& state, const std::vector<std::string>& ours,
                      const std::vector<std::string>& reference,
                      const std::function<void()>& before) {
    double oursTotal = 0;
    double referenceTotal = 0;
    double oursCpu = 0;
    double referenceCpu = 0;
    long oursPeak = 0;
    long referencePeak = 0;
    bool oursFirst = true;
    const auto run = [&before](const std::vector<std::string>& words) {
        if (before) {
            before();
        }
        return runProcess(words);
    };
    for (auto _ : state) {
        ProcessRun a;
        ProcessRun b;
        if (oursFirst) {
            a = run(ours);
            b = run(reference);
        } else {
            b = run(reference);
            a = run(ours);
        }
        oursFirst = !oursFirst;
        if (!a.succeeded || !b.succeeded) {
            state.SkipWithError(a.succeeded ? "the reference program failed"
                                            : "our program failed");
            return;
        }
        state.SetIterationTime(a.seconds);
        oursTotal += a.seconds;
        referenceTotal += b.seconds;
        oursCpu += a.cpuSeconds;
        referenceCpu += b.cpuSeconds;
        oursPeak = std::max(oursPeak, a.peakKilobytes);
        referencePeak = std::max(referencePeak, b.peakKilobytes);
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["ref_s"] = referenceTotal / runs;
    state.counters["ratio"] = oursTotal / referenceTotal;
    if (referenceCpu > 0) {
        state.counters["cpu_ratio"] = oursCpu / referenceCpu;
    }
    state.counters["peak_MB"] = static_cast<double>(oursPeak) / 1024.0;
    state.counters["ref_peak_MB"] = static_cast<double>(referencePeak) / 1024.0;
}
