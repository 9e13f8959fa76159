// The block diagram's offset sweep over twelve stages on the simulated board
// 58, on virtual time: the pauses the sweep must make (the 40 to 80 ms after
// each offset write and the 5 ms before each read) pass on a clock of our
// own, so the wall time measured is the program's work, with the simulated
// chip's conversions counted in as well.
//
// Counters: work_fraction = wall time / required pauses (target under 0.01),
// pause_ms = required pauses of one sweep, steps_per_stage = offset writes of
// the searches per stage.
#include "config/DiagramOps.h"
#include "config/OffsetCalibration.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "platform/CliServices.h"
#include "sim/SimBoard.h"

#include "BenchRig.h"
#include <QTemporaryFile>

#include <benchmark/benchmark.h>
#include <chrono>

using namespace cv;

namespace {
struct Rig : bench::BenchRig {
    Rig()
        : BenchRig([] {
              sim::SimConfig c;
              c.boardId = 58;
              c.scenario = QStringLiteral("none");
              return c;
          }())
    {
        RequestEasySetup();
        services.sleepMs(200);
    }
};
Rig& rig()
{
    static Rig r;
    return r;
}

// Every stage's offsets back to 0, so each sweep searches from the start.
void clearOffsets()
{
    for (int s = 0; s < reg::kStages; ++s)
        WriteRegister(reg::bank2(s, reg::AFE_OFFSET), 0, TargetChip);
}
} // namespace

static void BM_OffsetSweep(benchmark::State& state)
{
    Rig& r = rig();
    double workUs = 0, pauseUs = 0;
    int64_t steps = 0, sweeps = 0;
    for (auto _ : state) {
        state.PauseTiming();
        clearOffsets();
        // Let a conversion sequence see the cleared offsets: the searches
        // trust their first reading.
        r.services.sleepMs(100);
        state.ResumeTiming();
        const int64_t virtualStart = r.services.nowUs();
        const auto wallStart = std::chrono::steady_clock::now();
        const auto reports = CalibrateAllStages();
        workUs +=
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - wallStart)
                .count();
        pauseUs += static_cast<double>(r.services.nowUs() - virtualStart);
        for (const auto& rep : reports)
            steps += rep.SearchSteps;
        ++sweeps;
        benchmark::DoNotOptimize(reports);
    }
    state.counters["work_fraction"] = pauseUs > 0 ? workUs / pauseUs : 0;
    state.counters["pause_ms"] = sweeps ? pauseUs / 1000.0 / static_cast<double>(sweeps) : 0;
    state.counters["steps_per_stage"] =
        sweeps ? static_cast<double>(steps) / static_cast<double>(sweeps * reg::kStages) : 0;
}
BENCHMARK(BM_OffsetSweep)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
