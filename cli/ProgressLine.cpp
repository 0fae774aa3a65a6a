#include "ProgressLine.h"

#include <iostream>

#include "Console.h"
#include "InterruptSignal.h"

ProgressLine::ProgressLine(std::ostream& err, std::string label) : what(std::move(label)) {
    // Ctrl+C or a termination request cancels the export like the window's キャンセル: it
    // stops at its next step and leaves nothing it wrote behind.
    interruptSignal::catchRequests();
    if (&err == &std::cerr && console::errorIsTerminal()) {
        terminal = &err;
    }
}

ProgressLine::~ProgressLine() {
    if (terminal != nullptr && shownPercent >= 0) {
        // Clear the line so that a message after it starts clean.
        *terminal << "\r\033[K" << std::flush;
    }
}

void ProgressLine::advance(std::uint64_t done, std::uint64_t total) {
    if (interruptSignal::requested()) {
        cancel();
    }
    if (terminal == nullptr || total == 0) {
        return;
    }
    const int percent = static_cast<int>(std::min<std::uint64_t>(done, total) * 100 / total);
    if (percent == shownPercent) {
        return;
    }
    shownPercent = percent;
    *terminal << "\r" << what << ": " << percent << "%" << std::flush;
}
