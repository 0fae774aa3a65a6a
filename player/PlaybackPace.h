#pragma once

#include <cstdint>
#include <string>

// The playback speed, from a quarter to four times the recorded pace, and which events of the
// playback timer advance the clock by one frame-number unit.
//
// At the recorded pace the timer runs at the frame period and every event is a step. Slower,
// the period is a whole multiple of it and every event still is one step. Faster, the timer
// runs at a fine period and an event steps when the time it stands for has added up to a
// unit at that speed, so the clock never moves more than one unit per event.
class PlaybackPace {
public:
    static constexpr int slowestLevel = -2;  // 1/4
    static constexpr int fastestLevel = 2;   // 4
    static constexpr std::uint32_t finePeriodMs = 8;

    explicit PlaybackPace(std::uint32_t framePeriodMs);

    // Speed 2^level.
    int level() const { return level_; }
    double factor() const;
    bool isRecordedPace() const { return level_ == 0; }
    // False at the limit.
    bool faster();
    bool slower();
    bool setLevel(int level);
    void reset() { setLevel(0); }

    // The timer period that this speed asks for.
    std::uint32_t periodMs() const;
    // Called before the timer starts: the first event steps.
    void restart();
    // Called on each timer event: true when the clock is to move one unit now.
    bool eventSteps();

    // "×1/4" ... "×4".
    std::string factorText() const { return factorText(level_); }
    static std::string factorText(int level);

private:
    std::uint32_t framePeriodMs_;
    int level_ = 0;
    // Time added up so far, in units of 1 / 2^-slowestLevel ms.
    std::uint64_t credit_ = 0;
    std::uint64_t creditPerEvent() const;
    std::uint64_t creditPerUnit() const;
};
