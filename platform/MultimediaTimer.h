#pragma once

#include <cstdint>
#include <functional>
#include <optional>

// The periodic timer that drives playback and the millisecond clock it is paced by. The
// program installs the Qt implementation; tests install one they step by hand, so they can
// fire stale ids, refuse the capabilities or move the clock.
class MultimediaTimer {
public:
    struct Capabilities {
        std::uint32_t periodMin = 0;
        std::uint32_t periodMax = 0;
    };
    // Called with the id of the timer that fired.
    using Callback = std::function<void(std::uint32_t timerId)>;

    virtual ~MultimediaTimer() = default;

    // Shortest and longest supported period in milliseconds; nothing when they cannot be read.
    virtual std::optional<Capabilities> capabilities() = 0;
    // Starts a periodic timer; its id, never 0, or 0 when it could not be started.
    virtual std::uint32_t setEvent(std::uint32_t periodMs, Callback callback) = 0;
    virtual void killEvent(std::uint32_t timerId) = 0;
    // Milliseconds of a steady clock, wrapping at 2^32.
    virtual std::uint32_t time() = 0;

    // The timer in use. Until one is installed, capabilities cannot be read and no timer
    // starts.
    static MultimediaTimer& current();
    // Installs `timer` (not owned; nullptr restores the default).
    static void install(MultimediaTimer* timer);
};

// Milliseconds of the steady clock, wrapping at 2^32: what time() gives unless a test moves it.
std::uint32_t steadyClockMilliseconds();
