#pragma once
// What the strip chart computes without a widget besides its history: the
// time window, the value zoom, the axis ticks, the number texts and the CSV
// export. The chart widget draws what these produce.

#include "widgets/StripChartHistory.h"

#include <QPointF>
#include <QRect>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace cv::chart {

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

// The legend's and read-out's numbers: one number of decimals for a plot,
// from the span of values it shows (at least one, more for narrow spans).
int valueDecimals(double span);
QString valueText(double value, int decimals);

// What the time axis spans: the last `sets` sets, or `seconds` when above 0.
struct TimeSpan {
    int sets = 200;
    double seconds = 0;
    bool operator==(const TimeSpan&) const = default;
};
// The span choice's text: "2 s", "1 min", "200 sets".
QString spanText(const TimeSpan& span);

// The stretch of time a chart shows, in the clock's microseconds.
struct TimeWindow {
    int64_t startUs = 0, endUs = 1;
    double seconds() const { return double(endUs - startUs) / 1e6; }
};
// The window of `span` that ends at `heldEndUs`, or at the newest set when
// live. A span of sets shorter than the history extends at the rate so far,
// so a young trace starts at the right and moves left as before.
TimeWindow timeWindow(const History& history, const TimeSpan& span,
                      std::optional<int64_t> heldEndUs);

// Drops, in place, the points of a line (x never falling) that lie within
// `tolerance` (vertically) of the straight line between the points kept
// around them: a flat or straight run costs one segment to draw, not one
// per set. The ends and every turn beyond the tolerance stay.
void simplifyLine(std::vector<QPointF>& points, double tolerance);

// Sets [a, b) as CSV: "t_s,set," then the names; one row per set with its
// time in seconds since set 0 (3 decimals), its number and each trace's
// value (empty where it has none). Lines end in CR LF.
QString historyCsv(const std::vector<QString>& names, const History& history, int64_t a, int64_t b);

// Boxes `height` high and of the given widths stacked in a corner of `pane`:
// the top right one going down (`top`), else the bottom right one going up;
// a column that would pass the pane's middle starts another to its left.
// None overlaps another, and none leaves the pane where it has room.
std::vector<QRect> stackedBoxes(const QRect& pane, const std::vector<int>& widths, int height,
                                bool top);

} // namespace cv::chart
