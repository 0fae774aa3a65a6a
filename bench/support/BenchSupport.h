#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Prompts.h"
#include "StandInOwner.h"

// Prompts for a benchmark run: no message is expected, so each is printed; no file or folder
// is chosen.
class SilentPrompts final : public Prompts {
public:
    Answer message(const std::string& text, Buttons, Icon) override {
        std::fprintf(stderr, "unexpected message: %s\n", text.c_str());
        return Answer::Ok;
    }
    std::optional<std::string> chooseOpenFile(const OpenFileRequest&) override { return {}; }
    std::optional<std::string> chooseFolder(const std::string&, const std::string&) override {
        return {};
    }
};

// Prints the usual table and keeps each benchmark's time per iteration, so that the measured
// benchmarks can be printed as ratios against the reference run in the same process.
class RatioReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                times[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatios(const std::string& reference,
                     std::initializer_list<const char*> measured) const {
        const auto base = times.find(reference);
        if (base == times.end() || base->second <= 0) {
            return;
        }
        for (const char* name : measured) {
            if (const auto found = times.find(name); found != times.end()) {
                std::printf("%s / %s = %.4g\n", name, reference.c_str(),
                            found->second / base->second);
            }
        }
    }

private:
    std::map<std::string, double> times;
};
