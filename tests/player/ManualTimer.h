#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "MultimediaTimer.h"

// A playback timer that a test steps by hand: each fire() is one period of the running
// timer, and the millisecond clock moves only when the test moves it.
class ManualTimer final : public MultimediaTimer {
public:
    struct Event {
        std::uint32_t id = 0;
        std::uint32_t periodMs = 0;
        Callback callback;
        bool running = true;
    };

    ManualTimer();
    ~ManualTimer() override;
    ManualTimer(const ManualTimer&) = delete;
    ManualTimer& operator=(const ManualTimer&) = delete;

    std::optional<Capabilities> capabilities() override { return caps; }
    std::uint32_t setEvent(std::uint32_t periodMs, Callback callback) override;
    void killEvent(std::uint32_t timerId) override;
    std::uint32_t time() override { return clock; }

    // Runs one period of the running timer (the clock moves by its period first); false when
    // none runs.
    bool fire();
    // Fires `count` periods; stops early when the timer is gone. The number fired.
    int fireTimes(int count);
    // Calls the callback of an event by id, even one killed earlier, as a late system timer
    // event would.
    void fireId(std::uint32_t timerId);
    int runningCount() const;
    const Event* last() const { return events.empty() ? nullptr : &events.back(); }

    std::optional<Capabilities> caps = Capabilities{1, 1000000};
    bool refuseStart = false;
    std::uint32_t clock = 5000;
    std::vector<Event> events;
    std::vector<std::uint32_t> killed;
};
