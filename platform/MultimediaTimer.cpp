#include "MultimediaTimer.h"

#include <chrono>

namespace {

class NoMultimediaTimer final : public MultimediaTimer {
public:
    std::optional<Capabilities> capabilities() override { return std::nullopt; }
    std::uint32_t setEvent(std::uint32_t, Callback) override { return 0; }
    void killEvent(std::uint32_t) override {}
    std::uint32_t time() override { return steadyClockMilliseconds(); }
};

NoMultimediaTimer fallbackTimer;
MultimediaTimer* installedTimer = nullptr;

}  // namespace

MultimediaTimer& MultimediaTimer::current() {
    return installedTimer != nullptr ? *installedTimer : fallbackTimer;
}

void MultimediaTimer::install(MultimediaTimer* timer) {
    installedTimer = timer;
}

std::uint32_t steadyClockMilliseconds() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}
