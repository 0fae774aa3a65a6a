#include "ManualTimer.h"

ManualTimer::ManualTimer() {
    install(this);
}

ManualTimer::~ManualTimer() {
    if (&current() == this) {
        install(nullptr);
    }
}

std::uint32_t ManualTimer::setEvent(std::uint32_t periodMs, Callback callback) {
    if (refuseStart) {
        return 0;
    }
    const auto id = static_cast<std::uint32_t>(100 + events.size());
    events.push_back({id, periodMs, std::move(callback), true});
    return id;
}

void ManualTimer::killEvent(std::uint32_t timerId) {
    killed.push_back(timerId);
    for (Event& event : events) {
        if (event.id == timerId) {
            event.running = false;
        }
    }
}

bool ManualTimer::fire() {
    for (std::size_t i = events.size(); i-- > 0;) {
        if (events[i].running) {
            clock += events[i].periodMs;
            // Copied: the callback may start another timer and grow the list.
            const Callback callback = events[i].callback;
            callback(events[i].id);
            return true;
        }
    }
    return false;
}

int ManualTimer::fireTimes(int count) {
    int fired = 0;
    while (fired < count && fire()) {
        ++fired;
    }
    return fired;
}

void ManualTimer::fireId(std::uint32_t timerId) {
    for (const Event& event : events) {
        if (event.id == timerId) {
            const Callback callback = event.callback;
            callback(timerId);
            return;
        }
    }
}

int ManualTimer::runningCount() const {
    int count = 0;
    for (const Event& event : events) {
        count += event.running ? 1 : 0;
    }
    return count;
}
