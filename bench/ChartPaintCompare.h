#pragma once
// Paint time of our strip chart against Qt Charts and QCustomPlot on the same
// data at the same size, measured in one run. Each frame every trace gains one
// value and the chart is painted offscreen into an image, the way a live
// view scrolls. Needs a QApplication (offscreen platform is fine).

#include <QSize>
#include <cstdint>

class QWidget;

namespace cv {
class StripChart;
class VirtualClock;
} // namespace cv

namespace cv::bench {

struct ChartPaintFigures {
    double oursMs, qtChartsMs, qcpMs; // milliseconds per frame
};

ChartPaintFigures compareChartPaint(int traces, int points, int frames, QSize size);

// Converter-like results: twelve stages at their own levels with a little
// noise, a slow drift and now and then a finger on one of them.
double sampleValue(int trace, int64_t index);

// The converter's fastest rate: a set every 9.225 ms (108.4 sets/s).
constexpr int64_t kSetIntervalUs = 9225;
// The clock the benchmark charts stamp their sets with.
VirtualClock& setClock();
// One set of converter-like results, `kSetIntervalUs` after the last.
void appendSet(StripChart& chart, int traces, int64_t index);

// A chart set up as the converter results view shows it, on setClock(),
// filled with `points` sets.
void setUpResultsChart(StripChart& chart, int traces, int points);

} // namespace cv::bench
