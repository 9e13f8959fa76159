#include "measure/StreamStats.h"

#include "link/UsbUtils.h"

#include <algorithm>
#include <cmath>

namespace cv {

void RunningStats::add(double x, double t)
{
    // Welford's update: stable for long streams of large, close values.
    ++n_;
    if (n_ == 1) {
        mean_ = min_ = max_ = x;
        meanT_ = t;
        m2_ = m2t_ = cxt_ = 0;
        return;
    }
    const double delta = x - mean_;
    const double deltaT = t - meanT_;
    mean_ += delta / double(n_);
    meanT_ += deltaT / double(n_);
    m2_ += delta * (x - mean_);
    m2t_ += deltaT * (t - meanT_);
    cxt_ += delta * (t - meanT_);
    min_ = std::min(min_, x);
    max_ = std::max(max_, x);
}

double RunningStats::stddev() const
{
    return n_ > 1 ? std::sqrt(m2_ / double(n_)) : 0.0;
}

double RunningStats::slope() const
{
    return m2t_ > 0 ? cxt_ / m2t_ : 0.0;
}

double RunningStats::detrendedStddev() const
{
    if (n_ < 3)
        return 0.0;
    const double residual = m2t_ > 0 ? m2_ - cxt_ * cxt_ / m2t_ : m2_;
    return std::sqrt(std::max(0.0, residual) / double(n_));
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
        if (s.count() == 0) {
            lines << QStringLiteral("%1 count 0 %2").arg(name, QStringLiteral("no sets"));
            continue;
        }
        lines << QStringLiteral(
                     "%1 count %2 mean %3 min %4 max %5 p2p %6 stddev %7 detrended_sd %8")
                     .arg(name)
                     .arg(s.count())
                     .arg(s.mean(), 0, 'f', 2)
                     .arg(s.min(), 0, 'g', 10)
                     .arg(s.max(), 0, 'g', 10)
                     .arg(s.peakToPeak(), 0, 'g', 10)
                     .arg(s.stddev(), 0, 'f', 2)
                     .arg(s.detrendedStddev(), 0, 'f', 2);
    }
    return lines;
}

} // namespace cv
