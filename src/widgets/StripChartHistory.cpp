#include "widgets/StripChartHistory.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace cv::chart {

namespace {
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
} // namespace

double Reduction::stddev() const
{
    if (count < 2)
        return 0;
    const double m = sum / double(count);
    return std::sqrt(std::max(0.0, sumSq / double(count) - m * m));
}

void History::reset(int traces, int64_t capacity)
{
    traces_ = std::max(0, traces);
    capacity_ = kBigBlock;
    while (capacity_ < capacity)
        capacity_ *= 2;
    mask_ = capacity_ - 1;
    times_.assign(size_t(capacity_), 0);
    values_.assign(size_t(traces_) * size_t(capacity_), kNone);
    blocks_.assign(size_t(traces_) * size_t(capacity_ / kBlock), Block{});
    bigBlocks_.assign(size_t(traces_) * size_t(capacity_ / kBigBlock), Block{});
    extents_.assign(blocks_.size(), BlockExtent{});
    refs_.assign(size_t(traces_), kNone);
    inSet_.assign(size_t(traces_), 0);
    clear();
}

void History::clear()
{
    ++changes_;
    count_ = 0;
    end_ = 0;
    originUs_ = 0;
    gaps_.clear();
    gapPending_ = false;
    std::fill(refs_.begin(), refs_.end(), kNone);
    std::fill(inSet_.begin(), inSet_.end(), 0);
}

void History::openSet(int64_t nowUs)
{
    if (end_ == 0)
        originUs_ = nowUs;
    const int64_t set = end_++;
    count_ = std::min(count_ + 1, capacity_);
    if (gapPending_ && set > 0)
        gaps_.push_back(set);
    gapPending_ = false;
    while (!gaps_.empty() && gaps_.front() < firstSet())
        gaps_.pop_front();
    const size_t slot = size_t(set & mask_);
    // A clock that steps back must not unsort the times the search relies on.
    times_[slot] = set > 0 ? std::max(nowUs, timeUs(set - 1)) : nowUs;
    for (int t = 0; t < traces_; ++t) {
        values_[size_t(t) * size_t(capacity_) + slot] = kNone;
        if (set % kBlock == 0) {
            block<kBlock>(blocks_, capacity_, t, int64_t(slot)) = Block{};
            extents_[size_t(t) * size_t(capacity_ / kBlock) + slot / kBlock] = {float(kNone), 0, 0,
                                                                                0};
        }
        if (set % kBigBlock == 0)
            block<kBigBlock>(bigBlocks_, capacity_, t, int64_t(slot)) = Block{};
    }
    std::fill(inSet_.begin(), inSet_.end(), 0);
}

void History::append(int trace, double value, int64_t nowUs)
{
    if (trace < 0 || trace >= traces_)
        return;
    ++changes_;
    if (end_ == 0 || inSet_[size_t(trace)])
        openSet(nowUs);
    inSet_[size_t(trace)] = 1;
    const int64_t set = end_ - 1;
    values_[size_t(trace) * size_t(capacity_) + size_t(set & mask_)] = value;
    if (std::isnan(value))
        return;
    double& ref = refs_[size_t(trace)];
    if (std::isnan(ref))
        ref = value;
    const double d = value - ref;
    for (Block* b : {&block<kBlock>(blocks_, capacity_, trace, set & mask_),
                     &block<kBigBlock>(bigBlocks_, capacity_, trace, set & mask_)}) {
        if (b->count++ == 0) {
            b->min = b->max = b->first = value;
        } else {
            b->min = std::min(b->min, value);
            b->max = std::max(b->max, value);
        }
        b->last = value;
        b->sum += d;
        b->sumSq += d * d;
    }
    const size_t k = size_t(trace) * size_t(capacity_ / kBlock) + size_t((set & mask_) / kBlock);
    const Block& b = blocks_[k];
    extents_[k] = {float(b.min), float(b.max), float(b.first), float(b.last)};
}

int64_t History::firstGapIn(int64_t a, int64_t b) const
{
    const auto it = std::lower_bound(gaps_.begin(), gaps_.end(), a);
    return it != gaps_.end() && *it < b ? *it : -1;
}

int64_t History::segmentStart(int64_t a, int64_t b) const
{
    const auto it = std::lower_bound(gaps_.begin(), gaps_.end(), b);
    return it != gaps_.begin() && *std::prev(it) > a ? *std::prev(it) : a;
}

int64_t History::lowerBound(int64_t tUs, int64_t from) const
{
    int64_t lo = std::clamp(from, firstSet(), end_), hi = end_;
    // Gallop from `from`, then halve what is left.
    for (int64_t step = 1; lo + step < hi; step *= 2) {
        if (timeUs(lo + step) >= tUs) {
            hi = lo + step;
            break;
        }
        lo += step;
    }
    while (lo < hi) {
        const int64_t mid = lo + (hi - lo) / 2;
        if (timeUs(mid) < tUs)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

double History::rate(int64_t nowUs) const
{
    if (count_ < 2)
        return 0;
    const int64_t newest = timeUs(end_ - 1);
    if (nowUs - newest > 1'000'000)
        return 0;
    const int64_t a = segmentStart(std::min(lowerBound(newest - 2'000'000), end_ - 2), end_);
    if (a >= end_ - 1)
        return 0; // one set since the gap: no rate yet
    const int64_t span = newest - timeUs(a);
    return span > 0 ? double(end_ - 1 - a) * 1e6 / double(span) : 0;
}

void History::reduceRaw(int trace, int64_t a, int64_t b, Reduction& r) const
{
    for (int64_t s = a; s < b; ++s) {
        const double x = value(trace, s);
        if (std::isnan(x))
            continue;
        if (r.count++ == 0) {
            r.min = r.max = r.first = x;
        } else {
            r.min = std::min(r.min, x);
            r.max = std::max(r.max, x);
        }
        r.last = x;
        const double d = x - r.ref;
        r.sum += d;
        r.sumSq += d * d;
    }
}

void History::reduceBlocks(const std::vector<Block>& blocks, int size, int trace, int64_t k0,
                           int64_t k1, Reduction& r) const
{
    const int64_t nBlocks = capacity_ / size;
    const Block* own = blocks.data() + size_t(trace) * size_t(nBlocks);
    for (int64_t k = k0; k < k1; ++k) {
        const Block& blk = own[size_t(k & (nBlocks - 1))];
        if (blk.count == 0)
            continue;
        if (r.count == 0) {
            r.min = blk.min;
            r.max = blk.max;
            r.first = blk.first;
        } else {
            r.min = std::min(r.min, blk.min);
            r.max = std::max(r.max, blk.max);
        }
        r.last = blk.last;
        r.count += blk.count;
        r.sum += blk.sum;
        r.sumSq += blk.sumSq;
    }
}

// Whole blocks inside [a, b) come from the summary (the big ones where they
// fit), the ends raw, all in order of time.
Reduction History::reduce(int trace, int64_t a, int64_t b) const
{
    Reduction r;
    if (trace < 0 || trace >= traces_)
        return r;
    a = std::max(a, firstSet());
    b = std::min(b, end_);
    if (a >= b)
        return r;
    r.ref = std::isnan(refs_[size_t(trace)]) ? 0 : refs_[size_t(trace)];
    const int64_t a1 = (a + kBlock - 1) / kBlock * kBlock, b1 = b / kBlock * kBlock;
    if (a1 >= b1) {
        reduceRaw(trace, a, b, r);
        return r;
    }
    reduceRaw(trace, a, a1, r);
    const int64_t a2 = (a1 + kBigBlock - 1) / kBigBlock * kBigBlock,
                  b2 = b1 / kBigBlock * kBigBlock;
    if (a2 >= b2) {
        reduceBlocks(blocks_, kBlock, trace, a1 / kBlock, b1 / kBlock, r);
    } else {
        reduceBlocks(blocks_, kBlock, trace, a1 / kBlock, a2 / kBlock, r);
        reduceBlocks(bigBlocks_, kBigBlock, trace, a2 / kBigBlock, b2 / kBigBlock, r);
        reduceBlocks(blocks_, kBlock, trace, b2 / kBlock, b1 / kBlock, r);
    }
    reduceRaw(trace, b1, b, r);
    return r;
}

double History::lastIn(int trace, int64_t a, int64_t b) const
{
    if (trace < 0 || trace >= traces_)
        return kNone;
    a = std::max(a, firstSet());
    const Block* own = blocks_.data() + size_t(trace) * size_t(capacity_ / kBlock);
    // Back to the newest block boundary, then block by block past empty ones.
    for (int64_t s = std::min(b, end_); s > a;) {
        if (s % kBlock == 0 && s - kBlock >= a) {
            const Block& blk = own[size_t(((s - 1) & mask_) / kBlock)];
            if (blk.count)
                return blk.last;
            s -= kBlock;
            continue;
        }
        const double x = value(trace, --s);
        if (!std::isnan(x))
            return x;
    }
    return kNone;
}

void History::extentRaw(int trace, int64_t a, int64_t b, Extent& e) const
{
    for (int64_t s = a; s < b; ++s) {
        const double x = value(trace, s);
        if (std::isnan(x))
            continue;
        const float f = float(x);
        if (!e.any) {
            e = {true, f, f, f, f};
        } else {
            e.min = std::min(e.min, f);
            e.max = std::max(e.max, f);
            e.last = f;
        }
    }
}

History::Extent History::extent(int trace, int64_t a, int64_t b) const
{
    Extent e;
    if (trace < 0 || trace >= traces_)
        return e;
    a = std::max(a, firstSet());
    b = std::min(b, end_);
    const int64_t k0 = (a + kBlock - 1) / kBlock, k1 = b / kBlock;
    if (k0 >= k1) {
        extentRaw(trace, a, b, e);
        return e;
    }
    extentRaw(trace, a, k0 * kBlock, e);
    const int64_t nBlocks = capacity_ / kBlock;
    const size_t base = size_t(trace) * size_t(nBlocks);
    for (int64_t k = k0; k < k1; ++k) {
        const BlockExtent& x = extents_[base + size_t(k & (nBlocks - 1))];
        if (std::isnan(x.min)) // no value in the block
            continue;
        if (!e.any) {
            e = {true, x.min, x.max, x.first, x.last};
        } else {
            e.min = std::min(e.min, x.min);
            e.max = std::max(e.max, x.max);
            e.last = x.last;
        }
    }
    extentRaw(trace, k1 * kBlock, b, e);
    return e;
}

} // namespace cv::chart
