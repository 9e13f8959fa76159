#pragma once
// What the strip chart computes without a widget: the trace ring, the
// column min/max reduction, the statistics over the shown span, the value
// zoom and the axis ticks. The chart widget draws what these produce.

#include "widgets/StripChart.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace cv::chart {

// A fixed-size ring of one trace's values. Capacity changes allocate (and
// empty the ring); push never does.
class TraceRing {
public:
    explicit TraceRing(int capacity = 1) { setCapacity(capacity); }

    // Empties the ring.
    void setCapacity(int capacity);
    // Keeps the newest values that fit.
    void resize(int capacity);
    int capacity() const { return int(values_.size()); }
    int size() const { return count_; }
    void clear()
    {
        head_ = 0;
        count_ = 0;
    }
    void push(double v)
    {
        values_[size_t(head_)] = v;
        if (++head_ == int(values_.size()))
            head_ = 0;
        if (count_ < int(values_.size()))
            ++count_;
        ++pushed_;
    }
    // age 0 = newest; age must be below size().
    double at(int age) const
    {
        int i = head_ - 1 - age;
        if (i < 0)
            i += int(values_.size());
        return values_[size_t(i)];
    }
    // Values pushed since construction (a clock for freezing a held view).
    int64_t pushed() const { return pushed_; }

    // The `count` values that end `skip` values before the newest, oldest
    // first, as at most two contiguous runs (the second may be empty).
    struct Runs {
        const double* a = nullptr;
        int na = 0;
        const double* b = nullptr;
        int nb = 0;
    };
    Runs runs(int skip, int count) const;

private:
    std::vector<double> values_;
    int head_ = 0, count_ = 0;
    int64_t pushed_ = 0;
};

// Statistics over the `span` newest values, `skip` values back from the newest.
TraceStats spanStats(const TraceRing& ring, int span, int skip = 0);

// One pixel column: the extremes of the samples it covers, and whether the
// first of them lies below the last (so the line enters and leaves the
// column at the right ends).
struct ColumnExtent {
    float lo = 0, hi = 0;
    bool rising = true;
};

// Slot k of a span of `span` slots (0 = oldest, span-1 = newest) falls into
// column k * columns / span. The newest value sits in the last slot; a ring
// holding fewer values than the span leaves the first slots empty.
inline int columnOfSlot(int64_t slot, int span, int columns)
{
    return int(slot * columns / span);
}

// Reduces the span to `columns` columns. out[c] is valid where has[c] is
// true (columns with no sample stay false). Reuses the vectors' storage.
void reduceColumns(const TraceRing& ring, int span, int skip, int columns,
                   std::vector<ColumnExtent>& out, std::vector<uint8_t>& has);

// A value range of one plot.
struct ValueRange {
    double lower = 0, upper = 1;
    double span() const { return upper - lower; }
    bool operator==(const ValueRange&) const = default;
};

// The range the wheel may reach: the outer bounds, widened to take in the
// set bounds where the windows set outer bounds inside them.
ValueRange zoomLimit(const ValueRange& set, const ValueRange& outer);

// `factor` < 1 zooms in, > 1 out, keeping the value at `anchor` in place;
// the result stays inside `limit` and never collapses below a millionth of it.
ValueRange zoomRange(const ValueRange& current, double anchor, double factor,
                     const ValueRange& limit);

// Round tick values (1, 2 or 5 times a power of ten apart) inside
// [lower, upper], at most about `maxTicks` of them.
struct Ticks {
    double step = 1;
    std::vector<double> values;
};
Ticks niceTicks(double lower, double upper, int maxTicks);
// A tick's text: as many decimals as the step needs, never "-0".
QString tickText(double value, double step);

// A legend or read-out value: integers as they are, others with one to
// three decimals (fewer the larger the value).
QString valueText(double value);

// The shown span as CSV text: a header of names, then one row per slot,
// oldest first; a trace with fewer values than the longest leaves its first
// cells empty. Lines end in CR LF.
QString visibleCsv(const std::vector<QString>& names, const std::vector<const TraceRing*>& rings,
                   const std::vector<int>& skips, int span);

} // namespace cv::chart
