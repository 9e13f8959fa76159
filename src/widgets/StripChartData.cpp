#include "widgets/StripChartData.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace cv::chart {

void TraceRing::setCapacity(int capacity)
{
    values_.assign(size_t(std::max(1, capacity)), 0.0);
    head_ = 0;
    count_ = 0;
}

void TraceRing::resize(int capacity)
{
    capacity = std::max(1, capacity);
    if (capacity == int(values_.size()))
        return;
    std::vector<double> kept(size_t(capacity), 0.0);
    const int n = std::min(count_, capacity);
    for (int age = 0; age < n; ++age)
        kept[size_t(n - 1 - age)] = at(age);
    values_.swap(kept);
    count_ = n;
    head_ = n == capacity ? 0 : n;
}

TraceRing::Runs TraceRing::runs(int skip, int count) const
{
    Runs r;
    skip = std::clamp(skip, 0, count_);
    count = std::clamp(count, 0, count_ - skip);
    if (count == 0)
        return r;
    const int cap = int(values_.size());
    // Index just past the newest wanted value, and of the oldest one.
    int end = head_ - skip;
    if (end <= 0)
        end += cap;
    int begin = end - count;
    if (begin >= 0) {
        r.a = values_.data() + begin;
        r.na = count;
    } else {
        r.a = values_.data() + begin + cap;
        r.na = -begin;
        r.b = values_.data();
        r.nb = end;
    }
    return r;
}

TraceStats spanStats(const TraceRing& ring, int span, int skip)
{
    TraceStats s;
    const auto r = ring.runs(skip, span);
    s.count = r.na + r.nb;
    if (s.count == 0)
        return s;
    double sum = 0, lo = r.a[0], hi = r.a[0];
    auto take = [&](const double* p, int n) {
        for (int i = 0; i < n; ++i) {
            const double v = p[i];
            sum += v;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    };
    take(r.a, r.na);
    take(r.b, r.nb);
    s.latest = r.nb ? r.b[r.nb - 1] : r.a[r.na - 1];
    s.mean = sum / s.count;
    s.min = lo;
    s.max = hi;
    return s;
}

void reduceColumns(const TraceRing& ring, int span, int skip, int columns,
                   std::vector<ColumnExtent>& out, std::vector<uint8_t>& has)
{
    columns = std::max(1, columns);
    span = std::max(1, span);
    out.resize(size_t(columns));
    has.assign(size_t(columns), 0);
    const auto r = ring.runs(skip, span);
    const int n = r.na + r.nb;
    if (n == 0)
        return;

    // Walk the samples oldest first; a column closes when the slot passes
    // the first slot of the next column.
    int64_t slot = span - n;
    int col = -1;
    int64_t nextStart = 0;
    float first = 0, last = 0, lo = 0, hi = 0;
    auto close = [&] {
        if (col >= 0) {
            out[size_t(col)] = ColumnExtent{lo, hi, first <= last};
            has[size_t(col)] = 1;
        }
    };
    auto walk = [&](const double* p, int count) {
        for (int i = 0; i < count; ++i, ++slot) {
            const float v = float(p[i]);
            if (slot >= nextStart) {
                close();
                col = columnOfSlot(slot, span, columns);
                nextStart = (int64_t(col + 1) * span + columns - 1) / columns;
                first = lo = hi = v;
            }
            lo = std::min(lo, v);
            hi = std::max(hi, v);
            last = v;
        }
    };
    walk(r.a, r.na);
    walk(r.b, r.nb);
    close();
}

ValueRange zoomLimit(const ValueRange& set, const ValueRange& outer)
{
    ValueRange l{std::min({set.lower, set.upper, outer.lower, outer.upper}),
                 std::max({set.lower, set.upper, outer.lower, outer.upper})};
    if (l.span() <= 0)
        l.upper = l.lower + 1;
    return l;
}

ValueRange zoomRange(const ValueRange& current, double anchor, double factor,
                     const ValueRange& limit)
{
    const double minSpan = limit.span() * 1e-6;
    anchor = std::clamp(anchor, current.lower, current.upper);
    double span = std::clamp(current.span() * factor, minSpan, limit.span());
    // Keep the anchor at the same fraction of the range.
    const double frac = current.span() > 0 ? (anchor - current.lower) / current.span() : 0.5;
    ValueRange z{anchor - frac * span, anchor - frac * span + span};
    if (z.lower < limit.lower) {
        z.lower = limit.lower;
        z.upper = limit.lower + span;
    }
    if (z.upper > limit.upper) {
        z.upper = limit.upper;
        z.lower = limit.upper - span;
    }
    return z;
}

Ticks niceTicks(double lower, double upper, int maxTicks)
{
    Ticks t;
    if (!(upper > lower) || !std::isfinite(lower) || !std::isfinite(upper))
        return t;
    maxTicks = std::max(2, maxTicks);
    const double raw = (upper - lower) / maxTicks;
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        t.step = m * mag;
        if (t.step >= raw)
            break;
    }
    const double first = std::ceil(lower / t.step - 1e-9);
    for (double k = first;; ++k) {
        const double v = k * t.step;
        if (v > upper + t.step * 1e-9)
            break;
        t.values.push_back(std::abs(v) < t.step * 1e-9 ? 0.0 : v);
    }
    return t;
}

QString tickText(double value, double step)
{
    const int decimals = step >= 1 ? 0 : std::min(12, int(std::ceil(-std::log10(step) - 1e-9)));
    QString s = QString::number(value, 'f', decimals);
    if (s.startsWith(u'-') && s.count(u'0') + s.count(u'.') == s.size() - 1)
        s.remove(0, 1);
    return s;
}

QString valueText(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("-");
    if (value == std::round(value) && std::abs(value) < 1e12)
        return QString::number(qint64(value));
    const double a = std::abs(value);
    const int decimals = a >= 1000 ? 1 : a >= 100 ? 2 : 3;
    return QString::number(value, 'f', decimals);
}

namespace {
QString csvCell(QString s)
{
    if (s.contains(u',') || s.contains(u'"') || s.contains(u'\n')) {
        s.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        s = u'"' + s + u'"';
    }
    return s;
}
} // namespace

QString visibleCsv(const std::vector<QString>& names, const std::vector<const TraceRing*>& rings,
                   const std::vector<int>& skips, int span)
{
    QString out;
    QStringList header;
    for (const auto& n : names)
        header << csvCell(n);
    out += header.join(u',') + QStringLiteral("\r\n");

    std::vector<TraceRing::Runs> runs;
    int rows = 0;
    for (size_t i = 0; i < rings.size(); ++i) {
        runs.push_back(rings[i]->runs(skips[i], span));
        rows = std::max(rows, runs.back().na + runs.back().nb);
    }
    for (int row = 0; row < rows; ++row) {
        for (size_t i = 0; i < runs.size(); ++i) {
            if (i)
                out += u',';
            const auto& r = runs[i];
            // Rows line up at the newest value.
            const int k = row - (rows - (r.na + r.nb));
            if (k >= 0)
                out += QString::number(k < r.na ? r.a[k] : r.b[k - r.na], 'g', 15);
        }
        out += QStringLiteral("\r\n");
    }
    return out;
}

} // namespace cv::chart
