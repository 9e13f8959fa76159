#pragma once
// All twelve stages at a glance, without a window: the conversion results
// come from the converter view's stream (its loading, start, passes and
// stop), and beside them each stage's ambient and thresholds and the three
// status words are read straight from the chip. A round of those direct reads
// starts every half second and runs a few register blocks at a time in the
// passes that found no set waiting, in place of their pause, so the stream
// keeps every set. The stream holds its lease with the capture owner, so a
// capture ended elsewhere is armed again at the next pass. While another live
// view (a window opened over this one) holds a lease, the overview leaves the
// board to it and only waits, so the two never share or fight over the sets.
//
// A stage's limits belong to the set beside them: derived from that set's
// result and the thresholds as the chip derives its status bits (result
// beyond a threshold), so a touch of a single set shows. The chip's own
// status words, read in the rounds, are kept apart for the noise check.
// After any pause (another view held the board, a re-arm, a stall) a whole
// round of direct reads runs before the next set counts, so no delta is
// shown against a stale ambient, and the pass says the line has a gap.

#include "measure/AdcReading.h"
#include "measure/ConversionClock.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace cv {

// One stage as the overview shows it.
struct OverviewStage {
    int32_t cdc = 0;  // conversion result, from the stream
    int32_t amb = 0;  // SF_AMB
    int32_t high = 0; // high threshold
    int32_t low = 0;  // low threshold
    bool lowLimit = false, highLimit = false, proximity = false;

    int32_t delta() const { return cdc - amb; }
    // Past either threshold; proximity alone is a finger near, not a touch.
    bool touched() const { return highLimit || lowLimit; }
};
using OverviewStages = std::array<OverviewStage, kAdcStages>;

class SensorOverviewReading {
public:
    static constexpr int kRoundMs = 500;
    // Direct reads in a round: one block per stage, then the status words.
    static constexpr int kRoundSteps = kAdcStages + 1;
    static constexpr int kStepsPerPass = 4;

    struct Pass {
        bool fetched = false;    // a result set was read
        bool addsPoints = false; // ... and counts (not one of the first two)
        bool refreshed = false;  // a round of direct reads completed
        int nextIntervalMs = 0;
        bool rearmed = false;     // the capture, ended elsewhere, was armed again
        bool rearmFailed = false; // ... and the board did not take it up: stop
        bool yielded = false;     // another live view reads the board: nothing done
        bool resumed = false;     // first set after a pause: ambients read again, a gap
        ConversionStamp stamp;    // of the set fetched
    };
    // No set for this long is a stall: the board is read afresh after it.
    static constexpr int kStallMs = 1000;

    // The converter view's loading (converting flag, continuous reporting),
    // its start, then one full round of direct reads so every delta has its
    // ambient before the first set counts.
    AdcReading::Start start(const std::function<void()>& started = {});
    Pass pass();
    // Stop and the loop's end: the only reads of 0x017.
    void stop();

    bool reading() const { return stream_.reading(); }
    const OverviewStages& stages() const { return stages_; }
    std::array<int32_t, kAdcStages> deltas() const;
    int64_t rounds() const { return rounds_; }
    int64_t fetched() const { return fetched_; }
    int rearms() const { return stream_.lease().rearms(); }
    // Whether the firmware reports the limit status with each set (then the
    // stages' limit flags are those of the last set), and the chip's
    // interrupt line with it; nothing where it does not.
    bool statusWithSets() const { return statusWithSets_; }
    std::optional<bool> interruptLine() const
    {
        return statusWithSets_ ? std::optional<bool>(interruptLine_) : std::nullopt;
    }
    // Stage bits of the chip's limit status seen since the last call.
    uint32_t takeChipLimits();
    // Stage bits of the limits the present set shows.
    uint32_t setLimits() const;
    // Stage bits of the limits any set showed since the last call: a lamp
    // shown a few times a second misses no touch.
    uint32_t takeLimitsSeen();
    const StreamTimeBase& timeBase() const { return time_; }

private:
    void directStep();
    void fullRound();

    AdcReading stream_;
    OverviewStages stages_{};
    int step_ = 0;
    bool roundActive_ = false;
    int64_t nextRoundMs_ = 0;
    int64_t rounds_ = 0;
    int64_t fetched_ = 0;
    bool statusWithSets_ = false, interruptLine_ = false;
    int64_t lastSetMs_ = 0;
    bool away_ = false; // yielded, or stalled: a fresh round is due
    uint32_t chipLimits_ = 0, limitsSeen_ = 0;
    StreamTimeBase time_;
};

// The commands' loop: runs passes until `untilMs` of the services clock,
// handing each set that counts to `onSet`; pauses as the stream asks. False
// when the capture was ended elsewhere and the board did not take it up
// again (said, and stopped).
bool streamOverviewUntil(SensorOverviewReading& r, int64_t untilMs,
                         const std::function<void()>& onSet);

} // namespace cv
