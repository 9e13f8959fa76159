#pragma once
// The live readout of one stage, one pass per timer tick: which block to
// read, the pass counter and its first-two-passes rule, the quiet-pass
// offset estimate and the chart's range. The window and the command line
// drive the same passes; each pass makes the register traffic of one turn of
// the readout and tells its caller what to show.

#include "link/CaptureOwner.h"
#include "measure/StreamStats.h"

#include <array>
#include <cstdint>
#include <optional>

namespace cv {

// The tab shown decides the capture mode: "Initial Setup" streams the
// nine-word summary, "RAM Data" the stage's whole block and the status words.
enum class StageTab { InitialSetup = 0, RamData = 1 };

// BoardStageSelect word for the stage and tab.
int32_t stageCaptureWord(int stage, StageTab tab);

// Pauses while the firmware has no new block.
constexpr int kSummaryPollMs = 5;
constexpr int kRamPollMs = 20;

struct OffsetEstimate {
    int32_t offsetLow = 0;  // ambient - minimum average
    int32_t offsetHigh = 0; // maximum average - ambient
    int32_t ambient = 0;
};

// Offsets estimated from quiet passes: refreshed on every sixteenth quiet
// pass, and at once on the first quiet pass after any stage's status bit.
class QuietPassEstimator {
public:
    void reset() { count_ = 0; }
    std::optional<OffsetEstimate> pass(const std::array<int32_t, 3>& status, int32_t ambient,
                                       int32_t maxAverage, int32_t minAverage);
    int count() const { return count_; }

private:
    int count_ = 0; // 0..15
};

struct ChartRange {
    double upper = 65535, outerUpper = 65535, lower = 0, outerLower = 0;
};

// The chart's levels follow the averages with a margin of the offset (at
// least 500) and move only when an average leaves a 1000-count band.
class ChartRangeTracker {
public:
    // Returns the new bounds when they change. Pass counter 1 sets them up;
    // 0 does nothing.
    std::optional<ChartRange> pass(int passCounter, int32_t maxAverage, int32_t minAverage,
                                   int32_t offsetHigh, int32_t offsetLow);
    int64_t upperLevel() const { return upper_; }
    int64_t lowerLevel() const { return lower_; }

private:
    ChartRange range() const;
    int64_t upper_ = 65535, lower_ = 0;
};

// One block as the passes read it.
struct StageSample {
    // CDC value, ambient, max average, max threshold, min average, min threshold.
    std::array<int32_t, 6> graph{};
    int32_t ambient = 0;
    std::array<int32_t, 3> status{}; // low limit, high limit, proximity
    std::array<int32_t, 39> block{}; // RAM mode: 36 result words, then the status words
};

enum class Indicator { Keep, Red, White };

struct StagePassResult {
    int nextIntervalMs = 0;
    Indicator indicator = Indicator::Keep;
    std::optional<StageSample> sample; // a block was read on this pass
    bool showBlock = false;            // RAM mode, third pass on: the 36 words
    bool append = false;               // third pass on: chart, value boxes, file line
    bool refreshThresholds = false;    // the threshold refresh runs now
    std::optional<OffsetEstimate> estimate;
    std::optional<ChartRange> range;
    bool rearmed = false;     // the capture had been ended elsewhere and was armed again
    bool rearmFailed = false; // ... and the board did not take it up: stop now
};

class StagePassLoop {
public:
    // Reading starts or restarts (also after a tab change): the counters
    // and the status go back to 0.
    void start();
    // The capture in `word` that the caller just selected is this loop's
    // while it reads. One ended or switched elsewhere is armed again at the
    // next pass, the word written and read back; the counters go on, so no
    // set after the gap is dropped.
    void claimCapture(int32_t word);
    void releaseCapture();
    const CaptureLease& lease() const { return lease_; }

    StagePassLoop() = default;
    StagePassLoop(const StagePassLoop&) = delete;
    StagePassLoop& operator=(const StagePassLoop&) = delete;

    // One pass. The offsets are those of the window's boxes, for the chart's
    // margins.
    StagePassResult pass(StageTab tab, int32_t offsetHigh, int32_t offsetLow);

    int passCounter() const { return passCounter_; }
    int16_t status() const { return status_; }
    int64_t fetched() const { return fetched_; }
    const ChartRangeTracker& chartRange() const { return range_; }
    const QuietPassEstimator& estimator() const { return estimator_; }

private:
    int passCounter_ = 0; // 0..3
    int16_t status_ = 0;
    int64_t fetched_ = 0;
    QuietPassEstimator estimator_;
    ChartRangeTracker range_;
    CaptureLease lease_;
    int32_t word_ = 0;
};

// The read of the part identifier that ends the firmware's capture.
void EndCapture();

} // namespace cv
