#include "SteppedTimer.h"

#include <utility>

SteppedTimer::SteppedTimer() {
    install(this);
}

SteppedTimer::~SteppedTimer() {
    if (&current() == this) {
        install(nullptr);
    }
}

std::uint32_t SteppedTimer::setEvent(std::uint32_t periodMs, Callback callback) {
    const auto id = static_cast<std::uint32_t>(events.size() + 1);
    events.push_back({id, periodMs, std::move(callback), true});
    return id;
}

void SteppedTimer::killEvent(std::uint32_t timerId) {
    for (Event& event : events) {
        if (event.id == timerId) {
            event.running = false;
        }
    }
}

bool SteppedTimer::step() {
    for (std::size_t i = events.size(); i-- > 0;) {
        if (events[i].running) {
            clock += events[i].periodMs;
            // A copy: the callback may start another timer, which grows the list.
            const Callback callback = events[i].callback;
            callback(events[i].id);
            return true;
        }
    }
    return false;
}
