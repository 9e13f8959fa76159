#include "ChartPaintCompare.h"

#include "platform/Clock.h"
#include "widgets/StripChart.h"

#include <QChart>
#include <QChartView>
#include <QElapsedTimer>
#include <QImage>
#include <QLineSeries>
#include <QValueAxis>
#include <qcustomplot.h>

#include <cmath>
#include <memory>
#include <vector>

namespace cv::bench {

namespace {
// Deterministic noise in [-1, 1].
double noise(int trace, int64_t i)
{
    uint64_t x = uint64_t(i) * 0x9E3779B97F4A7C15ull ^ uint64_t(trace + 1) * 0xC2B2AE3D27D4EB4Full;
    x ^= x >> 31;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 29;
    return double(x % 20001) / 10000.0 - 1.0;
}

QColor traceColor(int trace)
{
    static const QColor colors[] = {Qt::blue,     Qt::red,        Qt::darkGreen,
                                    Qt::magenta,  Qt::darkCyan,   Qt::darkRed,
                                    Qt::darkBlue, Qt::darkYellow, Qt::darkMagenta,
                                    Qt::black,    Qt::gray,       QColor(255, 128, 0)};
    return colors[trace % 12];
}

constexpr double kLower = 20000, kUpper = 45000;
} // namespace

double sampleValue(int trace, int64_t i)
{
    const double level = 24000 + 1500 * (trace % 12);
    const double drift = 40 * std::sin(double(i) / 900.0 + trace);
    // Every 400 samples a finger rests on the next stage for 150 samples.
    const int64_t phase = i % 400;
    const bool touched = (i / 400) % 12 == trace % 12 && phase < 150;
    const double edge = touched ? std::min(1.0, std::min(phase, 150 - phase) / 12.0) : 0.0;
    return std::round(level + drift + 2500 * edge + 8 * noise(trace, i));
}

VirtualClock& setClock()
{
    static VirtualClock clock;
    return clock;
}

void appendSet(StripChart& chart, int traces, int64_t index)
{
    setClock().advanceUs(kSetIntervalUs);
    for (int t = 0; t < traces; ++t)
        chart.append(t, sampleValue(t, index));
}

void setUpResultsChart(StripChart& chart, int traces, int points)
{
    chart.setClock(&setClock());
    chart.setTitle(QStringLiteral("ADC Values"));
    chart.setTraceCount(traces);
    chart.setLength(points);
    chart.setBufferLength(points);
    chart.setBounds(kLower, kUpper);
    chart.setOuterBounds(0, 65535);
    for (int t = 0; t < traces; ++t) {
        chart.setTraceName(t, QStringLiteral("Stage %1").arg(t));
        chart.setTraceColor(t, traceColor(t));
    }
    for (int i = 0; i < points; ++i)
        appendSet(chart, traces, i);
}

ChartPaintFigures compareChartPaint(int traces, int points, int frames, QSize size)
{
    // Ours.
    StripChart ours;
    setUpResultsChart(ours, traces, points);
    ours.resize(size);

    // Qt Charts: one line series per trace; a frame replaces each series'
    // points with the shifted window, its fast path for a scrolling chart.
    auto* chart = new QChart;
    chart->setTitle(QStringLiteral("ADC Values"));
    auto* xAxis = new QValueAxis;
    auto* yAxis = new QValueAxis;
    xAxis->setRange(0, points - 1);
    yAxis->setRange(kLower, kUpper);
    chart->addAxis(xAxis, Qt::AlignBottom);
    chart->addAxis(yAxis, Qt::AlignLeft);
    std::vector<QLineSeries*> series;
    std::vector<QList<QPointF>> window(static_cast<size_t>(traces));
    for (int t = 0; t < traces; ++t) {
        auto* s = new QLineSeries;
        s->setName(QStringLiteral("Stage %1").arg(t));
        s->setPen(QPen(traceColor(t), 1));
        for (int i = 0; i < points; ++i)
            window[size_t(t)].append(QPointF(i, sampleValue(t, i)));
        s->replace(window[size_t(t)]);
        chart->addSeries(s);
        s->attachAxis(xAxis);
        s->attachAxis(yAxis);
        series.push_back(s);
    }
    QChartView view(chart);
    view.resize(size);

    // QCustomPlot: one graph per trace; a frame drops the oldest key, adds
    // the new one and moves the key axis.
    QCustomPlot qcp;
    qcp.resize(size);
    qcp.plotLayout()->insertRow(0);
    qcp.plotLayout()->addElement(0, 0, new QCPTextElement(&qcp, QStringLiteral("ADC Values")));
    qcp.legend->setVisible(true);
    qcp.yAxis->setRange(kLower, kUpper);
    qcp.xAxis->setRange(0, points - 1);
    for (int t = 0; t < traces; ++t) {
        auto* g = qcp.addGraph();
        g->setName(QStringLiteral("Stage %1").arg(t));
        g->setPen(QPen(traceColor(t), 1));
        for (int i = 0; i < points; ++i)
            g->addData(i, sampleValue(t, i));
    }

    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    auto paint = [&](QWidget& w) {
        image.fill(Qt::white);
        w.render(&image);
    };

    // Frames interleave the three so a busy machine slows all of them alike.
    double oursNs = 0, qtNs = 0, qcpNs = 0;
    QElapsedTimer clock;
    const int warmUp = 3;
    for (int f = 0; f < warmUp + frames; ++f) {
        const int64_t i = points + f; // the new sample's index
        const bool counted = f >= warmUp;

        clock.start();
        appendSet(ours, traces, i);
        paint(ours);
        if (counted)
            oursNs += double(clock.nsecsElapsed());

        clock.start();
        for (int t = 0; t < traces; ++t) {
            auto& w = window[size_t(t)];
            w.removeFirst();
            for (auto& pt : w)
                pt.rx() -= 1;
            w.append(QPointF(points - 1, sampleValue(t, i)));
            series[size_t(t)]->replace(w);
        }
        paint(view);
        if (counted)
            qtNs += double(clock.nsecsElapsed());

        clock.start();
        for (int t = 0; t < traces; ++t) {
            auto* g = qcp.graph(t);
            g->data()->removeBefore(double(i - points + 1));
            g->addData(double(i), sampleValue(t, i));
        }
        qcp.xAxis->setRange(double(i - points + 1), double(i));
        qcp.replot(QCustomPlot::rpQueuedRefresh);
        paint(qcp);
        if (counted)
            qcpNs += double(clock.nsecsElapsed());
    }
    return {oursNs / frames / 1e6, qtNs / frames / 1e6, qcpNs / frames / 1e6};
}

} // namespace cv::bench
