#pragma once

#include <cstdint>
#include <vector>

#include "MultimediaTimer.h"

// A playback timer stepped by the caller instead of the clock, so that a picture of the
// window playing shows the same frame on every run and every machine.
class SteppedTimer final : public MultimediaTimer {
public:
    // Installs itself in place of the program's timer until destroyed.
    SteppedTimer();
    ~SteppedTimer() override;
    SteppedTimer(const SteppedTimer&) = delete;
    SteppedTimer& operator=(const SteppedTimer&) = delete;

    std::optional<Capabilities> capabilities() override { return Capabilities{1, 1000000}; }
    std::uint32_t setEvent(std::uint32_t periodMs, Callback callback) override;
    void killEvent(std::uint32_t timerId) override;
    std::uint32_t time() override { return clock; }

    // One period of the running timer: the clock moves on, then its callback runs. False when
    // no timer runs.
    bool step();

private:
    struct Event {
        std::uint32_t id = 0;
        std::uint32_t periodMs = 0;
        Callback callback;
        bool running = true;
    };

    std::vector<Event> events;
    std::uint32_t clock = 0;
};
