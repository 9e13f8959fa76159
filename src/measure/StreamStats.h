#pragma once
// The noise figures an engineer reads off a stream: per trace the count,
// mean, minimum, maximum, peak-to-peak and standard deviation, kept without
// storing the samples; and the closing lines the command line prints.

#include "link/BoardCounts.h"
#include "link/UsbAccess.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

namespace cv {

// Population figures (the divisor is n). Each value may come with its time:
// the spread about the straight line through them (detrended) is the noise
// without the slow drift of ambient and temperature.
class RunningStats {
public:
    void add(double x) { add(x, double(n_)); }
    void add(double x, double t);
    int64_t count() const { return n_; }
    double mean() const { return n_ ? mean_ : 0.0; }
    double min() const { return n_ ? min_ : 0.0; }
    double max() const { return n_ ? max_ : 0.0; }
    double peakToPeak() const { return max() - min(); }
    // Population standard deviation (0 for fewer than two samples).
    double stddev() const;
    // About the least-squares line in time (0 for fewer than three samples).
    double detrendedStddev() const;
    // Slope of that line, per unit of time.
    double slope() const;

private:
    int64_t n_ = 0;
    double mean_ = 0, m2_ = 0, min_ = 0, max_ = 0;
    double meanT_ = 0, m2t_ = 0, cxt_ = 0;
};

// Blocks the board made, the program read and the board dropped.
using StreamCounters = BoardBlockCounts;

// "produced P fetched F overflow O", then one line per trace:
// "<name> count N mean M min A max B p2p P stddev S detrended_sd D" (mean
// and the spreads with two decimals), or "<name> count 0 no sets".
QStringList streamSummary(const StreamCounters& counters, const QStringList& names,
                          const std::vector<RunningStats>& stats);

} // namespace cv
