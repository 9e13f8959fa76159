// The sensor overview window streaming in real time on the simulated board at
// the fastest rate: decimation 64, twelve stages, every stage in the chart,
// the direct reads of ambient, thresholds and status running. Prints one
// line of key=value, then a line per target saying whether it held or was
// MISSED:
//   fetched_ratio   sets fetched / sets the board made (target 1.000, overflow 0)
//   overflow        sets the board dropped for want of room
//   refresh_hz      completed rounds of direct reads per second (target >= 1)
//   cpu_ms_per_set  process CPU per set, window, chart and board included (target <= 0.30)
// and, on a line of its own, with the spectrum and the status lanes shown
// all the while:
//   spectrum_cpu_ms_per_refresh  CPU of one refresh of the spectrum panel
//                                (every shown stage over its 10 s window)
// Usage: bench_overview [SECONDS]   (default 30)
#include "BenchRig.h"
#include "RealTime.h"
#include "Targets.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "measure/ui/SensorOverviewFrm.h"
#include "measure/ui/SpectrumPanel.h"
#include "sim/SimBoard.h"

#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QTemporaryFile>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace cv;

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(2.0, std::atof(argv[1])) : 30.0;

    static bench::RealTimeServices services;
    setServices(&services);
    sim::SimBoard board(services.clock());
    QTemporaryFile hex;
    bench::bringUpBoard(board, hex);
    WriteRegister(reg::PWR_CONTROL, 0x02B0, TargetChip); // twelve stages, decimation 64

    SensorOverviewFrm w;
    for (QCheckBox* c : w.ChartChk)
        c->setChecked(true);
    w.show();
    const auto& fw = board.firmware();
    const int64_t producedStart = fw.blocksProduced(), fetchedStart = fw.blocksFetched();
    const int64_t overflowStart = fw.blocksOverflowed();
    const double cpuStart = bench::cpuMs();
    w.Form_Load();
    const int64_t roundsStart = w.overview().rounds();
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    const double cpu = bench::cpuMs() - cpuStart;
    const int64_t rounds = w.overview().rounds() - roundsStart;
    // Sets still waiting at the end were made, not lost: the stop takes them.
    const int64_t produced = fw.blocksProduced() - producedStart - fw.blocksWaiting();
    const int64_t fetched = fw.blocksFetched() - fetchedStart;
    const int64_t overflow = fw.blocksOverflowed() - overflowStart;
    w.Form_Unload();
    constexpr int kRefreshes = 50;
    const double spectrumStart = bench::cpuMs();
    for (int i = 0; i < kRefreshes; ++i)
        w.Spectrum->RefreshTimer_Timer();
    const double spectrumMs = (bench::cpuMs() - spectrumStart) / kRefreshes;

    const double ratio = produced > 0 ? double(fetched) / double(produced) : 0.0;
    const double cpuPerSet = fetched > 0 ? cpu / double(fetched) : 0.0;
    std::printf("fetched_ratio=%.3f overflow=%lld refresh_hz=%.2f cpu_ms_per_set=%.3f\n", ratio,
                static_cast<long long>(overflow), double(rounds) / seconds, cpuPerSet);
    std::printf("spectrum_cpu_ms_per_refresh=%.3f\n", spectrumMs);
    std::fprintf(stderr, "%.0f s, %lld sets, %lld rounds, spectrum of %d sets\n", seconds,
                 static_cast<long long>(fetched), static_cast<long long>(rounds),
                 w.Spectrum->feed().sets());
    bench::reportTargets({{"fetched_ratio", std::round(ratio * 1000) / 1000, "==", 1.0},
                          {"overflow", double(overflow), "==", 0},
                          {"refresh_hz", double(rounds) / seconds, ">=", 1},
                          {"cpu_ms_per_set", cpuPerSet, "<=", 0.30}});
    return 0;
}
