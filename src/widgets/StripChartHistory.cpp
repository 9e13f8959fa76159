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
    capacity_ = std::max<int64_t>(kBlock, (capacity + kBlock - 1) / kBlock * kBlock);
    times_.assign(size_t(capacity_), 0);
    values_.assign(size_t(traces_) * size_t(capacity_), kNone);
    blocks_.assign(size_t(traces_) * size_t(capacity_ / kBlock), Block{});
    refs_.assign(size_t(traces_), kNone);
    inSet_.assign(size_t(traces_), 0);
    clear();
}

void History::clear()
{
    count_ = 0;
    end_ = 0;
    originUs_ = 0;
    std::fill(refs_.begin(), refs_.end(), kNone);
    std::fill(inSet_.begin(), inSet_.end(), 0);
}

void History::openSet(int64_t nowUs)
{
    if (end_ == 0)
        originUs_ = nowUs;
    const int64_t set = end_++;
    count_ = std::min(count_ + 1, capacity_);
    const size_t slot = size_t(set % capacity_);
    // A clock that steps back must not unsort the times the search relies on.
    times_[slot] = set > 0 ? std::max(nowUs, timeUs(set - 1)) : nowUs;
    for (int t = 0; t < traces_; ++t) {
        values_[size_t(t) * size_t(capacity_) + slot] = kNone;
        if (set % kBlock == 0)
            block(t, set) = Block{};
    }
    std::fill(inSet_.begin(), inSet_.end(), 0);
}

void History::append(int trace, double value, int64_t nowUs)
{
    if (trace < 0 || trace >= traces_)
        return;
    if (end_ == 0 || inSet_[size_t(trace)])
        openSet(nowUs);
    inSet_[size_t(trace)] = 1;
    const int64_t set = end_ - 1;
    values_[size_t(trace) * size_t(capacity_) + size_t(set % capacity_)] = value;
    if (std::isnan(value))
        return;
    double& ref = refs_[size_t(trace)];
    if (std::isnan(ref))
        ref = value;
    Block& b = block(trace, set);
    const double d = value - ref;
    if (b.count++ == 0) {
        b.min = b.max = value;
    } else {
        b.min = std::min(b.min, value);
        b.max = std::max(b.max, value);
    }
    b.sum += d;
    b.sumSq += d * d;
}

int64_t History::lowerBound(int64_t tUs) const
{
    int64_t lo = firstSet(), hi = end_;
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
    const int64_t a = std::min(lowerBound(newest - 2'000'000), end_ - 2);
    const int64_t span = newest - timeUs(a);
    return span > 0 ? double(end_ - 1 - a) * 1e6 / double(span) : 0;
}

void History::reduceRaw(int trace, int64_t a, int64_t b, Reduction& r) const
{
    const double* v = values_.data() + size_t(trace) * size_t(capacity_);
    for (int64_t s = a; s < b;) {
        // One contiguous run of the ring at a time.
        const int64_t slot = s % capacity_;
        const int64_t n = std::min(b - s, capacity_ - slot);
        for (const double* p = v + slot; p != v + slot + n; ++p) {
            const double x = *p;
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
        s += n;
    }
}

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
    // Whole blocks inside [a, b) come from the summary, the ends raw.
    const int64_t k0 = (a + kBlock - 1) / kBlock, k1 = b / kBlock;
    if (k1 - k0 < 2) {
        reduceRaw(trace, a, b, r);
        return r;
    }
    reduceRaw(trace, a, k0 * kBlock, r);
    const bool haveFirst = r.count > 0;
    int64_t firstBlock = -1, lastBlock = -1;
    const Block* blocks = blocks_.data() + size_t(trace) * size_t(capacity_ / kBlock);
    const int64_t nBlocks = capacity_ / kBlock;
    for (int64_t k = k0; k < k1; ++k) {
        const Block& blk = blocks[size_t(k % nBlocks)];
        if (blk.count == 0)
            continue;
        if (firstBlock < 0)
            firstBlock = k;
        lastBlock = k;
        if (r.count == 0) {
            r.min = blk.min;
            r.max = blk.max;
        } else {
            r.min = std::min(r.min, blk.min);
            r.max = std::max(r.max, blk.max);
        }
        r.count += blk.count;
        r.sum += blk.sum;
        r.sumSq += blk.sumSq;
    }
    // The first and last values in time lie in the outermost non-empty blocks.
    if (!haveFirst && firstBlock >= 0) {
        Reduction f;
        reduceRaw(trace, firstBlock * kBlock, (firstBlock + 1) * kBlock, f);
        r.first = f.first;
    }
    if (lastBlock >= 0) {
        Reduction l;
        reduceRaw(trace, lastBlock * kBlock, (lastBlock + 1) * kBlock, l);
        r.last = l.last;
    }
    Reduction tail;
    tail.ref = r.ref;
    reduceRaw(trace, k1 * kBlock, b, tail);
    if (tail.count) {
        if (r.count == 0) {
            r.first = tail.first;
            r.min = tail.min;
            r.max = tail.max;
        } else {
            r.min = std::min(r.min, tail.min);
            r.max = std::max(r.max, tail.max);
        }
        r.last = tail.last;
        r.count += tail.count;
        r.sum += tail.sum;
        r.sumSq += tail.sumSq;
    }
    return r;
}

} // namespace cv::chart
