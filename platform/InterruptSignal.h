#pragma once

#include <atomic>

// A console program's interruption (Ctrl+C, a termination request, the console closing) as a
// flag that long work polls, so that it stops at its next step and cleans up after itself
// instead of dying with half-written files around it.
namespace interruptSignal {

// From now on an interruption sets the flag instead of ending the process. Safe to call again.
void catchRequests();

// Set once an interruption came after catchRequests().
const std::atomic<bool>& flag();

inline bool requested() {
    return flag().load();
}

}  // namespace interruptSignal
