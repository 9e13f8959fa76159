#pragma once
// When the chip converted each set, from when the program fetched it. The
// board queues sets and the program fetches them in bursts, so a fetch time
// says only "converted at or before this". The chip converts one set every
// sequence period, so set n was converted at anchor + n x period: the anchor
// starts at the earliest a segment's first set can have been converted (the
// stream's start, or its re-arm after a pause) and is moved earlier whenever
// a fetch shows it too late (the lower envelope of fetch time minus
// n x period); the period is corrected for the chip's clock drift
// from how that envelope moves over the run. Sets the board dropped skip
// their index; a pause (another window held the board, a re-arm, a stall)
// starts a new segment anchored afresh, and the set after it says so, so
// charts and statistics do not join across it.

#include "measure/StreamStats.h"

#include <algorithm>
#include <cstdint>

namespace cv {

struct ConversionStamp {
    double seconds = 0;      // conversion time since the stream started
    double fetchSeconds = 0; // fetch time on the same origin
    int64_t us = 0;          // conversion time on the program's clock
    int64_t index = 0;       // sets converted since the first, dropped ones included
    bool gapBefore = false;  // first set after a pause: do not join it to the one before
};

// The spacing of the sets the chip converts with this PWR_CONTROL: the
// sequence period, and in low power mode the conversion delay after each
// sequence as well.
double setPeriodSeconds(int32_t pwrControl);

class ConversionClock {
public:
    // `periodS`: the configured sequence period (sequencePeriodSeconds);
    // times count from `originUs` of the program's clock, the stream's start,
    // before which none of its sets was converted.
    ConversionClock(double periodS, int64_t originUs);

    // The set fetched at `fetchUs` of the program's clock, after the board
    // dropped `dropped` sets since the one before.
    ConversionStamp stamp(int64_t fetchUs, int64_t dropped = 0);
    // Something held the stream up and it was armed again at `atUs`: the
    // next set starts a new segment, converted after that.
    void pause(int64_t atUs);

    double nominalPeriod() const { return nominal_; }
    // The period as the fetches show it, drift-corrected.
    double period() const { return period_; }
    // Sets per second: never above the configured converter's rate.
    double rate() const;
    int64_t sets() const { return sets_; }

    // A set fetched this long (or three periods, if longer) after the
    // conversion time its index gives cannot have waited in the board's
    // queue: the stream stalled and sets were lost without a tally.
    static constexpr double kStallS = 1.0;
    double stallSeconds() const { return std::max(kStallS, 3 * nominal_); }
    // Drift is looked at over windows of this length; the correction is
    // bounded to what a crystal-less oscillator can be off.
    static constexpr double kWindowS = 2.0;
    static constexpr double kMaxDrift = 0.02;

private:
    double nominal_, period_;
    int64_t originUs_;
    int64_t sets_ = 0, index_ = -1;
    bool pausePending_ = false;
    // Set `anchorIndex_` was converted at `anchorS_`; the stamps follow it
    // at period_ until a fetch shows it later than that fetch allows.
    int64_t anchorIndex_ = 0;
    double anchorS_ = 0;
    // No set of the next segment was converted before this (none known: -1).
    double floorS_ = 0;
    // The lower envelope of fetch - index x nominal in this segment: its
    // lowest point in the first window and in the current one.
    struct Point {
        int64_t index = 0;
        double offset = 0;
        bool set = false;
    } first_, window_;
    int64_t segmentIndex_ = 0;
    double windowEndS_ = 0;
};

// A live view's time base: the conversion clock, fed with the sets the
// board dropped since the view started. Start it once the board has
// answered a request of this start (a board catches up its tally then), so
// what it dropped while nobody read is not counted.
class StreamTimeBase {
public:
    // `armedUs`: when the capture was asked for (its sets come after it).
    void start(double periodS, int64_t armedUs);
    bool started() const { return started_; }
    // A set was just fetched.
    ConversionStamp fetched();
    void pause();
    // Sets the board dropped since the start.
    int64_t dropped() const { return started_ ? counts_.overflowSoFar() : 0; }
    const ConversionClock& clock() const { return clock_; }

private:
    bool started_ = false;
    ConversionClock clock_{1, 0};
    BoardCountsSince counts_;
    int64_t droppedSeen_ = 0;
};

} // namespace cv
