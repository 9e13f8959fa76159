// The strip chart's cost: painting twelve traces of 2000 points offscreen
// (paint_ms_per_frame), one append (append_ns), and the same frames painted
// by Qt Charts and QCustomPlot in the same run (our time / theirs; targets
// <= 0.05 and <= 0.33). Ends with one line of key=value pairs, then a line
// per target saying whether it held or was MISSED.
//
//   bench_chart [--frames N] [--width W --height H] [--png DIR] [--ours-only [--points N]]
//
// --png DIR also writes the pictures of the three charts the views show;
// --ours-only paints only our chart (for a profiler), N sets in view (2000).
#include "ChartPaintCompare.h"
#include "Targets.h"
#include "platform/Clock.h"
#include "widgets/StripChart.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <cmath>
#include <cstdio>

using namespace cv;

namespace {
// A stage's adaptive threshold values: the result, the ambient following it
// slowly, the averages and the thresholds beside them.
void writeStageChart(const QString& dir)
{
    StripChart c;
    c.setClock(&bench::setClock());
    c.resize(760, 300);
    c.setTitle(QStringLiteral("Adaptive Threshold"));
    c.setTraceCount(6);
    const char* names[] = {" CDC Value",   "Ambient Value ", "Max Average",
                           "MaxThreshold", "Min Average",    "Min Threshold"};
    const QColor colors[] = {Qt::blue,    Qt::darkGreen,       Qt::red,
                             Qt::magenta, QColor(255, 128, 0), Qt::darkCyan};
    for (int t = 0; t < 6; ++t) {
        c.setTraceName(t, QString::fromLatin1(names[t]));
        c.setTraceColor(t, colors[t]);
    }
    c.setLength(100);
    c.setBounds(30000, 34500);
    c.setOuterBounds(20000, 44500);
    double ambient = 31000, avg = 31000;
    for (int i = 0; i < 100; ++i) {
        const bool touched = i >= 40 && i < 70;
        const double cdc = 31000 + 6 * i + (touched ? 2200 : 0) + 15 * std::sin(i * 1.7);
        if (!touched)
            ambient += (cdc - ambient) * 0.05;
        avg += (cdc - avg) * 0.3;
        const double values[] = {
            cdc,           ambient, std::max(avg, ambient), ambient + 1600, std::min(avg, ambient),
            ambient - 1200};
        bench::setClock().advanceUs(50'000);
        for (int t = 0; t < 6; ++t)
            c.append(t, std::round(values[t]));
    }
    c.savePng(dir + QStringLiteral("/chart_stage.png"));
}

// The demo's slider: three plots with their own ranges.
void writeSliderChart(const QString& dir)
{
    StripChart c;
    c.setClock(&bench::setClock());
    c.resize(620, 420);
    c.setTraceCount(5);
    c.setPlotCount(3);
    const char* names[] = {"Mean Value", "Reverse Mean Value", "Unscaled Displacement",
                           "Positive Displacement", "Absolute Position"};
    const QColor colors[] = {Qt::blue, Qt::red, Qt::blue, Qt::red, Qt::blue};
    const int plots[] = {0, 0, 1, 1, 2};
    for (int t = 0; t < 5; ++t) {
        c.setTraceName(t, QString::fromLatin1(names[t]));
        c.setTraceColor(t, colors[t]);
        c.setTracePlot(t, plots[t]);
    }
    const double n = 128, w = 30, disp = 200;
    c.setBounds(0, w * 20, 0);
    c.setOuterBounds(0, w * 10, 0);
    c.setBounds(-2 * disp, 3 * disp, 1);
    c.setOuterBounds(-disp, 2 * disp, 1);
    c.setBounds(0, n + 10, 2);
    c.setOuterBounds(0, n + 25, 2);
    c.setLength(300);
    for (int i = 0; i < 300; ++i) {
        const bool touched = i > 60 && i < 220;
        const double pos = touched ? 10 + (i - 60) * 0.7 : 0;
        const double mean = touched ? 250 + 120 * std::sin(i / 25.0) : 5;
        bench::setClock().advanceUs(25'000);
        c.append(0, std::round(mean));
        c.append(1, std::round(touched ? 480 - mean : 5));
        c.append(2, touched ? std::round(40 * std::sin(i / 9.0)) : 0);
        c.append(3, touched ? std::round(std::abs(60 * std::sin(i / 9.0))) : 0);
        c.append(4, std::round(pos));
    }
    c.savePng(dir + QStringLiteral("/chart_slider.png"));
}

void writeResultsCharts(const QString& dir)
{
    StripChart c;
    c.resize(900, 380);
    bench::setUpResultsChart(c, 12, 2000);
    c.savePng(dir + QStringLiteral("/chart_adc.png"));
    c.resize(560, 330);
    c.savePng(dir + QStringLiteral("/chart_adc_narrow.png"));
    c.resize(900, 380);

    // Held and zoomed, with the cross-hair read-out.
    c.setHold(true);
    const QRect r = c.plotRect(0);
    c.zoomValueAxis(0, 30000, 0.4);
    c.show();
    const QPoint at(r.left() + r.width() * 2 / 3, r.top() + r.height() / 2);
    QMouseEvent move(QEvent::MouseMove, at, c.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&c, &move);
    c.grab().save(dir + QStringLiteral("/chart_adc_held.png"));
}

double appendNs()
{
    StripChart c;
    c.setClock(&bench::setClock());
    c.setTraceCount(12);
    c.setLength(2000);
    c.setBufferLength(2000);
    const int rounds = 200000;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < rounds; ++i)
        for (int t = 0; t < 12; ++t)
            c.append(t, double(i + t));
    return double(clock.nsecsElapsed()) / (rounds * 12.0);
}

double oursOnlyMs(int frames, QSize size, int points)
{
    StripChart c;
    bench::setUpResultsChart(c, 12, points);
    c.resize(size);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    QElapsedTimer clock;
    clock.start();
    for (int f = 0; f < frames; ++f) {
        bench::appendSet(c, 12, points + f);
        c.render(&image);
    }
    return double(clock.nsecsElapsed()) / 1e6 / frames;
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int frames = 200, width = 1000, height = 400, points = 2000;
    QString png;
    bool oursOnly = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--ours-only"))
            oursOnly = true;
        else if (i + 1 == args.size())
            break;
        else if (args[i] == QLatin1String("--frames"))
            frames = args[++i].toInt();
        else if (args[i] == QLatin1String("--width"))
            width = args[++i].toInt();
        else if (args[i] == QLatin1String("--height"))
            height = args[++i].toInt();
        else if (args[i] == QLatin1String("--points"))
            points = args[++i].toInt();
        else if (args[i] == QLatin1String("--png"))
            png = args[++i];
    }
    if (!png.isEmpty()) {
        QDir().mkpath(png);
        writeResultsCharts(png);
        writeStageChart(png);
        writeSliderChart(png);
    }
    if (oursOnly) {
        std::printf("paint_ms_per_frame=%.3f\n", oursOnlyMs(frames, QSize(width, height), points));
        return 0;
    }
    const double append = appendNs();
    const auto f = bench::compareChartPaint(12, 2000, std::max(1, frames), QSize(width, height));
    std::printf("paint_ms_per_frame=%.3f append_ns=%.1f qtcharts_ms_per_frame=%.3f "
                "qcustomplot_ms_per_frame=%.3f qtcharts_paint_ratio=%.3f "
                "qcustomplot_paint_ratio=%.3f\n",
                f.oursMs, append, f.qtChartsMs, f.qcpMs, f.oursMs / f.qtChartsMs,
                f.oursMs / f.qcpMs);
    bench::reportTargets({{"qtcharts_paint_ratio", f.oursMs / f.qtChartsMs, "<=", 0.05},
                          {"qcustomplot_paint_ratio", f.oursMs / f.qcpMs, "<=", 0.33}});
    return 0;
}
