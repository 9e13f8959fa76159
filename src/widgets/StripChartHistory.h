#pragma once
// The strip chart's memory: a ring of sets, each with its arrival time and
// one value per trace (NaN where a trace got none), plus a summary per block
// of sets at two sizes so that the extremes and the statistics of a long
// stretch cost a few dozen steps, not its length. Sized once; appending never
// allocates.
//
// A set is what one pass of a window appends: an append to a trace that
// already has a value in the newest set opens the next set, stamped with
// the time of that append.
//
// A gap (the stream paused: another window held the board, a stall) is
// marked on the first set after it; lines and statistics do not cross it.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace cv::chart {

// What a stretch of one trace holds: its extremes, its first and last value
// in time, and sums for the mean and the standard deviation.
struct Reduction {
    int64_t count = 0;
    double min = 0, max = 0, first = 0, last = 0;
    double mean() const { return count ? ref + sum / double(count) : 0; }
    double stddev() const;
    // Sums of (value - ref): shifted so that the square sums keep their digits.
    double ref = 0, sum = 0, sumSq = 0;
};

class History {
public:
    // Sets per block of the summary, and per block of its coarser level.
    static constexpr int kBlock = 16, kBigBlock = 256;

    // Allocates room for at least `capacity` sets of `traces` values (a
    // power of two, so a set's slot is a mask away); empties.
    void reset(int traces, int64_t capacity);
    void clear();
    void append(int trace, double value, int64_t nowUs);
    // The next set opened starts after a gap.
    void markGap() { gapPending_ = true; }
    // The first set after a gap in [a, b), or -1.
    int64_t firstGapIn(int64_t a, int64_t b) const;
    // Where the last stretch without a gap in [a, b) starts (a when none).
    int64_t segmentStart(int64_t a, int64_t b) const;
    const std::deque<int64_t>& gaps() const { return gaps_; }
    // Counts every change of what is kept: equal counts, equal contents.
    uint64_t changes() const { return changes_; }

    int traces() const { return traces_; }
    int64_t capacity() const { return capacity_; }
    // Sets are numbered from 0 since the last clear; the ring keeps
    // [firstSet(), endSet()).
    int64_t firstSet() const { return end_ - count_; }
    int64_t endSet() const { return end_; }
    int64_t size() const { return count_; }
    int64_t timeUs(int64_t set) const { return times_[size_t(set & mask_)]; }
    // Seconds since set 0 arrived.
    double seconds(int64_t set) const { return double(timeUs(set) - originUs_) / 1e6; }
    int64_t originUs() const { return originUs_; }
    double value(int trace, int64_t set) const
    {
        return values_[size_t(trace) * size_t(capacity_) + size_t(set & mask_)];
    }
    // The first kept set that arrived at or after `tUs` (endSet() if none),
    // searched from `from` on: a walk of ascending times stays near it.
    int64_t lowerBound(int64_t tUs, int64_t from = 0) const;
    // Sets per second over the last two seconds of arrivals; 0 when fewer
    // than two sets arrived or none in the last second before `nowUs`.
    double rate(int64_t nowUs) const;

    // The values of `trace` in sets [a, b), clipped to what is kept.
    Reduction reduce(int trace, int64_t a, int64_t b) const;
    // Its last value there, NaN when none: a frame needs no more of it.
    double lastIn(int trace, int64_t a, int64_t b) const;
    // Only the extremes and the first and last value, from a compact copy
    // of the summary kept for drawing (float: a fraction of a pixel).
    struct Extent {
        bool any = false;
        float min = 0, max = 0, first = 0, last = 0;
    };
    Extent extent(int trace, int64_t a, int64_t b) const;

private:
    struct Block {
        int32_t count = 0;
        double min = 0, max = 0, first = 0, last = 0, sum = 0, sumSq = 0;
    };
    void openSet(int64_t nowUs);
    template <int Size>
    static Block& block(std::vector<Block>& blocks, int64_t capacity, int trace, int64_t slot)
    {
        return blocks[size_t(trace) * size_t(capacity / Size) + size_t(slot / Size)];
    }
    void reduceRaw(int trace, int64_t a, int64_t b, Reduction& r) const;
    void reduceBlocks(const std::vector<Block>& blocks, int size, int trace, int64_t k0, int64_t k1,
                      Reduction& r) const;
    void extentRaw(int trace, int64_t a, int64_t b, Extent& e) const;

    int traces_ = 0;
    int64_t capacity_ = kBlock, mask_ = kBlock - 1, count_ = 0, end_ = 0, originUs_ = 0;
    std::vector<int64_t> times_;
    std::vector<double> values_; // trace-major: one run of `capacity_` per trace
    std::vector<Block> blocks_, bigBlocks_;
    struct BlockExtent {
        float min, max, first, last;
    };
    std::vector<BlockExtent> extents_; // per small block; min NaN: no value
    std::vector<double> refs_;         // per trace: its first value since the clear
    std::vector<uint8_t> inSet_;       // per trace: has a value in the newest set
    std::deque<int64_t> gaps_;         // first sets after gaps, oldest first
    bool gapPending_ = false;
    uint64_t changes_ = 0;
};

} // namespace cv::chart
