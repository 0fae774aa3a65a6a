#include "InterruptSignal.h"

#include <csignal>

namespace {

std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void onSignal(int) {
    interrupted.store(true);
}

}  // namespace

namespace interruptSignal {

void catchRequests() {
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // Restarted reads and writes: the work itself notices the flag at its next step.
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signalNumber, &action, nullptr);
    }
}

const std::atomic<bool>& flag() {
    return interrupted;
}

}  // namespace interruptSignal
