#pragma once

#include <cstdint>
#include <string>

// The playback speed, from a quarter to four times the recorded pace, and how many
// frame-number units the playback clock moves on each event of the playback timer.
//
// At the recorded pace the timer runs at the frame period and every event is one step, late
// or not, exactly as playback has always run. At any other speed the time that has really
// passed since the previous event is added up, at s times the rate, and the clock moves one
// unit for every frame period of recorded time it makes: a late event is made up, by at most
// maxStepsPerEvent units. Slower speeds run the timer at a whole multiple of the frame period
// (one step per punctual event), faster ones at a fine period.
class PlaybackPace {
public:
    static constexpr int slowestLevel = -2;  // 1/4
    static constexpr int fastestLevel = 2;   // 4
    static constexpr std::uint32_t finePeriodMs = 8;
    static constexpr int maxStepsPerEvent = 4;

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
    // Called as the timer starts at `now` (milliseconds of the playback clock): the first
    // punctual event steps.
    void restart(std::uint32_t now);
    // Called on each timer event: how many units the clock moves now.
    int stepsAt(std::uint32_t now);

    // "×1/4" ... "×4".
    std::string factorText() const { return factorText(level_); }
    static std::string factorText(int level);

private:
    // Recorded time for `ms` of real time at this speed, in the credit's unit.
    std::uint64_t recordedCredit(std::uint64_t ms) const;
    std::uint64_t creditPerUnit() const;

    std::uint32_t framePeriodMs_;
    int level_ = 0;
    std::uint64_t credit_ = 0;
    std::uint32_t lastEvent_ = 0;
};
