#pragma once

#include <chrono>
#include <ostream>
#include <string>

#include "ExportProgress.h"

// The progress of an export as one line on standard error, rewritten in place, only when
// standard error is a terminal; silent otherwise (pipes, logs, tests).
class ProgressLine final : public ExportProgress {
public:
    ProgressLine(std::ostream& err, std::string what);
    ~ProgressLine() override;
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void advance(std::uint64_t done, std::uint64_t total) override;

private:
    std::ostream* terminal = nullptr;
    std::string what;
    int shownPercent = -1;
};
