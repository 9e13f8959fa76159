// The converter window streaming in real time on the simulated board at its
// fastest rate: decimation 64, twelve stages, all twelve traces shown, the
// results file on. Prints one line of key=value, then a line per target
// saying whether it held or was MISSED:
//   fetched_ratio       sets fetched / sets the board made (target 1.000, overflow 0)
//   overflow            sets the board dropped for want of room
//   cpu_ms_per_set      process CPU per set, chart and board included (target <= 0.25)
//   paint_ms_per_frame  one frame of the chart at 12 traces x 2000 points
//   qtcharts_paint_ratio, qcustomplot_paint_ratio
//                       our paint time / theirs on the same data and size
//                       (targets <= 0.05 and <= 0.33)
//   rss_growth_kib      resident memory growth from the 10th second to the end (< 1024)
//   history_paint_ratio one frame with ten minutes of twelve traces in view (65,040 sets)
//                       / one frame at 2000 sets, same size (target <= 1.5)
//   history_rss_growth_kib  resident memory growth over a further 65,536 sets once the
//                       history is full (< 1024)
// Usage: bench_stream [SECONDS]   (default 30, at least 11)
#include "BenchRig.h"
#include "ChartPaintCompare.h"
#include "RealTime.h"
#include "Targets.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "measure/ui/AdcFrm.h"
#include "platform/Services.h"
#include "sim/SimBoard.h"
#include "widgets/StripChart.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace cv;

namespace {

struct HistoryFigures {
    double paintRatio;
    long rssGrowthKib;
};

// The chart's history at its fullest: ten minutes at the fastest rate, all
// in view, painted against the 2000-set chart frame by frame in turns.
HistoryFigures historyCase(QSize size)
{
    constexpr int kTenMinutes = 65040; // 600 s at 108.4 sets/s
    // Both on one clock: the short chart last, so its sets lie close together.
    StripChart recent, history;
    bench::setUpResultsChart(history, 12, kTenMinutes);
    bench::setUpResultsChart(recent, 12, 2000);
    history.setTimeSpan(600);
    recent.resize(size);
    history.resize(size);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    auto frame = [&](StripChart& c, int64_t index) {
        QElapsedTimer t;
        t.start();
        bench::appendSet(c, 12, index);
        image.fill(Qt::white);
        c.render(&image);
        return double(t.nsecsElapsed());
    };
    double recentNs = 0, historyNs = 0;
    constexpr int kWarmUp = 3, kFrames = 400;
    for (int f = 0; f < kWarmUp + kFrames; ++f) {
        const double r = frame(recent, 2000 + f), h = frame(history, kTenMinutes + f);
        if (f >= kWarmUp) {
            recentNs += r;
            historyNs += h;
        }
    }
    // Fill the rings, then turn them over once more, painting as a view would.
    int64_t next = kTenMinutes + kWarmUp + kFrames;
    for (; next < StripChart::kHistorySets + 1000; ++next)
        bench::appendSet(history, 12, next);
    frame(history, next++);
    const long before = bench::rssKib();
    for (int i = 0; i < StripChart::kHistorySets; ++i, ++next) {
        if (i % 2000 == 0)
            frame(history, next);
        else
            bench::appendSet(history, 12, next);
    }
    return {historyNs / recentNs, bench::rssKib() - before};
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(11.0, std::atof(argv[1])) : 30.0;

    QTemporaryDir dir;
    static bench::RealTimeServices services;
    services.savePath = dir.filePath(QStringLiteral("results.txt"));
    setServices(&services);

    sim::SimBoard board(services.clock());
    QTemporaryFile hex;
    bench::bringUpBoard(board, hex);
    WriteRegister(reg::PWR_CONTROL, 0x02B0, TargetChip); // twelve stages, decimation 64

    AdcFrm w;
    w.Form_Load();
    w.Timer1_Timer();
    w.show();
    w.ChkSaveResults->setChecked(true);
    w.ChkSaveResults_Click();
    if (!w.resultsFileOpen())
        return 1;

    const auto& fw = board.firmware();
    long rssAt10 = 0;
    QEventLoop loop;
    QTimer::singleShot(10'000, &loop, [&] { rssAt10 = bench::rssKib(); });
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    const double cpuStart = bench::cpuMs();
    const int64_t producedStart = fw.blocksProduced(), fetchedStart = fw.blocksFetched();
    const int64_t overflowStart = fw.blocksOverflowed();
    w.ReadContCV5310Cmd_Click();
    loop.exec();
    const double cpu = bench::cpuMs() - cpuStart;
    const long rssEnd = bench::rssKib();
    // Sets still waiting at the end were made, not lost: the stop takes them.
    const int64_t produced = fw.blocksProduced() - producedStart - fw.blocksWaiting();
    const int64_t fetched = fw.blocksFetched() - fetchedStart;
    const int64_t overflow = fw.blocksOverflowed() - overflowStart;
    w.ReadContCV5310Cmd_Click();

    // The window's chart against Qt Charts and QCustomPlot at the same size,
    // twelve traces of 2000 points, scrolling one value per frame.
    const bench::ChartPaintFigures paint =
        bench::compareChartPaint(12, 2000, 100, w.plot()->size());
    const HistoryFigures history = historyCase(w.plot()->size());
    const double ratio = produced > 0 ? double(fetched) / double(produced) : 0.0;
    const double cpuPerSet = fetched > 0 ? cpu / double(fetched) : 0.0;
    std::printf("fetched_ratio=%.3f overflow=%lld cpu_ms_per_set=%.3f paint_ms_per_frame=%.2f "
                "rss_growth_kib=%ld qtcharts_paint_ratio=%.2f qcustomplot_paint_ratio=%.2f "
                "history_paint_ratio=%.2f history_rss_growth_kib=%ld\n",
                ratio, static_cast<long long>(overflow), cpuPerSet, paint.oursMs, rssEnd - rssAt10,
                paint.oursMs / paint.qtChartsMs, paint.oursMs / paint.qcpMs, history.paintRatio,
                history.rssGrowthKib);
    std::fprintf(stderr, "%.0f s, %lld sets\n", seconds, static_cast<long long>(fetched));
    bench::reportTargets({{"fetched_ratio", std::round(ratio * 1000) / 1000, "==", 1.0},
                          {"overflow", double(overflow), "==", 0},
                          {"cpu_ms_per_set", cpuPerSet, "<=", 0.25},
                          {"qtcharts_paint_ratio", paint.oursMs / paint.qtChartsMs, "<=", 0.05},
                          {"qcustomplot_paint_ratio", paint.oursMs / paint.qcpMs, "<=", 0.33},
                          {"rss_growth_kib", double(rssEnd - rssAt10), "<", 1024},
                          {"history_paint_ratio", history.paintRatio, "<=", 1.5},
                          {"history_rss_growth_kib", double(history.rssGrowthKib), "<", 1024}});
    return 0;
}
