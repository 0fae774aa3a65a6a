#include "PlaybackPace.h"

namespace {

// 4 = 2^-slowestLevel: credit counts quarter milliseconds scaled by the speed, so every
// speed's share of a unit is a whole number.
constexpr std::uint64_t creditScale = 4;

}  // namespace

PlaybackPace::PlaybackPace(std::uint32_t framePeriodMs) : framePeriodMs_(framePeriodMs) {}

double PlaybackPace::factor() const {
    return level_ >= 0 ? static_cast<double>(1 << level_) : 1.0 / static_cast<double>(1 << -level_);
}

bool PlaybackPace::faster() {
    return setLevel(level_ + 1);
}

bool PlaybackPace::slower() {
    return setLevel(level_ - 1);
}

bool PlaybackPace::setLevel(int level) {
    if (level < slowestLevel || level > fastestLevel || level == level_) {
        return false;
    }
    level_ = level;
    restart();
    return true;
}

std::uint32_t PlaybackPace::periodMs() const {
    if (level_ <= 0) {
        return framePeriodMs_ << -level_;
    }
    return finePeriodMs < framePeriodMs_ ? finePeriodMs : framePeriodMs_;
}

// An event stands for periodMs() of real time, which at speed s is periodMs() * s of
// recorded time; a unit is framePeriodMs of recorded time.
std::uint64_t PlaybackPace::creditPerEvent() const {
    const std::uint64_t period = periodMs();
    return level_ >= 0 ? (period * creditScale) << level_ : (period * creditScale) >> -level_;
}

std::uint64_t PlaybackPace::creditPerUnit() const {
    return static_cast<std::uint64_t>(framePeriodMs_) * creditScale;
}

void PlaybackPace::restart() {
    const std::uint64_t perEvent = creditPerEvent();
    const std::uint64_t perUnit = creditPerUnit();
    credit_ = perUnit > perEvent ? perUnit - perEvent : 0;
}

bool PlaybackPace::eventSteps() {
    credit_ += creditPerEvent();
    if (credit_ < creditPerUnit()) {
        return false;
    }
    credit_ -= creditPerUnit();
    // A period that stands for more than a unit (a system that cannot run the fine period)
    // still steps once per event, as at the recorded pace.
    if (credit_ >= creditPerUnit()) {
        credit_ = 0;
    }
    return true;
}

std::string PlaybackPace::factorText(int level) {
    if (level >= 0) {
        return "×" + std::to_string(1 << level);
    }
    return "×1/" + std::to_string(1 << -level);
}
