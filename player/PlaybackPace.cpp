#include "PlaybackPace.h"

#include <algorithm>

namespace {

// Credit counts recorded time in quarter milliseconds, so that a quarter of a millisecond
// of real time at the slowest speed is a whole number.
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
    return true;
}

std::uint32_t PlaybackPace::periodMs() const {
    if (level_ <= 0) {
        return framePeriodMs_ << -level_;
    }
    return std::min(finePeriodMs, framePeriodMs_);
}

std::uint64_t PlaybackPace::recordedCredit(std::uint64_t ms) const {
    return level_ >= 0 ? (ms * creditScale) << level_ : (ms * creditScale) >> -level_;
}

std::uint64_t PlaybackPace::creditPerUnit() const {
    return static_cast<std::uint64_t>(framePeriodMs_) * creditScale;
}

void PlaybackPace::restart(std::uint32_t now) {
    lastEvent_ = now;
    const std::uint64_t perEvent = recordedCredit(periodMs());
    credit_ = creditPerUnit() > perEvent ? creditPerUnit() - perEvent : 0;
}

int PlaybackPace::stepsAt(std::uint32_t now) {
    if (isRecordedPace()) {
        return 1;
    }
    // Unsigned: the millisecond clock may wrap between two events.
    const std::uint32_t elapsed = now - lastEvent_;
    lastEvent_ = now;
    credit_ += recordedCredit(elapsed);
    const std::uint64_t unit = creditPerUnit();
    const auto steps = static_cast<int>(std::min<std::uint64_t>(credit_ / unit, maxStepsPerEvent));
    credit_ -= static_cast<std::uint64_t>(steps) * unit;
    // What a long stall owes beyond that is dropped, not played as a burst later.
    credit_ %= unit;
    return steps;
}

std::string PlaybackPace::factorText(int level) {
    if (level >= 0) {
        return "×" + std::to_string(1 << level);
    }
    return "×1/" + std::to_string(1 << -level);
}
