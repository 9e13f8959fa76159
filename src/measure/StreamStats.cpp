#include "measure/StreamStats.h"

#include "link/UsbUtils.h"

#include <algorithm>
#include <cmath>

namespace cv {

void RunningStats::add(double x)
{
    // Welford's update: stable for long streams of large, close values.
    ++n_;
    if (n_ == 1) {
        mean_ = min_ = max_ = x;
        m2_ = 0;
        return;
    }
    const double delta = x - mean_;
    mean_ += delta / double(n_);
    m2_ += delta * (x - mean_);
    min_ = std::min(min_, x);
    max_ = std::max(max_, x);
}

double RunningStats::stddev() const
{
    return n_ > 1 ? std::sqrt(m2_ / double(n_)) : 0.0;
}

namespace {
std::optional<BoardBlockCounts> boardCounts()
{
    UsbAccess* access = usbLink().access;
    return access ? access->blockCounts() : std::nullopt;
}
} // namespace

BoardCountsSince::BoardCountsSince() : before_(boardCounts()) {}

StreamCounters BoardCountsSince::finish(int64_t fetched) const
{
    StreamCounters c;
    c.fetched = fetched;
    c.produced = fetched;
    const auto after = boardCounts();
    if (before_ && after) {
        c.produced = after->produced - before_->produced;
        c.overflow = after->overflow - before_->overflow;
    }
    return c;
}

int64_t BoardCountsSince::overflowSoFar() const
{
    const auto now = boardCounts();
    return before_ && now ? now->overflow - before_->overflow : 0;
}

QString droppedSetsText(int64_t overflow)
{
    return overflow > 0 ? QStringLiteral("board dropped %1 set%2")
                              .arg(overflow)
                              .arg(overflow == 1 ? "" : "s")
                        : QString();
}

QStringList streamSummary(const StreamCounters& counters, const QStringList& names,
                          const std::vector<RunningStats>& stats)
{
    QStringList lines;
    lines << QStringLiteral("produced %1 fetched %2 overflow %3")
                 .arg(counters.produced)
                 .arg(counters.fetched)
                 .arg(counters.overflow);
    for (size_t i = 0; i < stats.size(); ++i) {
        const RunningStats& s = stats[i];
        const QString name = int(i) < names.size() ? names[int(i)] : QString::number(i);
        lines << QStringLiteral("%1 count %2 mean %3 min %4 max %5 p2p %6 stddev %7")
                     .arg(name)
                     .arg(s.count())
                     .arg(s.mean(), 0, 'f', 2)
                     .arg(s.min(), 0, 'g', 10)
                     .arg(s.max(), 0, 'g', 10)
                     .arg(s.peakToPeak(), 0, 'g', 10)
                     .arg(s.stddev(), 0, 'f', 2);
    }
    return lines;
}

} // namespace cv
