#include "InterruptSignal.h"

#include <windows.h>

namespace {

std::atomic<bool> interrupted{false};

BOOL WINAPI onConsoleEvent(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
            interrupted.store(true);
            // Windows ends the process a few seconds after a close event once this returns, so
            // the close case gives the work that long to stop and clean up.
            if (event == CTRL_CLOSE_EVENT) {
                Sleep(4000);
            }
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

namespace interruptSignal {

void catchRequests() {
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

const std::atomic<bool>& flag() {
    return interrupted;
}

}  // namespace interruptSignal
