// Simulated chip time against wall time: twelve stages at decimation 64,
// the default finger scenario, and the converter results view's streaming
// loop on virtual time. Target: at least 200x real time (an hour of
// streaming in under 18 s).
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "platform/CliServices.h"
#include "sim/SimBoard.h"

#include "BenchRig.h"
#include <QTemporaryFile>

#include <benchmark/benchmark.h>

using namespace cv;

namespace {
struct Rig : bench::BenchRig {
    Rig()
    {
        WriteRegister(reg::PWR_CONTROL, 0x02B0, TargetChip); // twelve stages, decimation 64
        WriteRegister(reg::board::BoardControlWord, 0, TargetBoard);
        WriteRegister(reg::board::BoardStageSelect, reg::board::StreamResults, TargetBoard);
    }
};
} // namespace

static void BM_StreamOneMinute(benchmark::State& state)
{
    static Rig rig;
    int32_t values[12];
    int16_t status = 0;
    int64_t simulatedUs = 0;
    for (auto _ : state) {
        const int64_t start = rig.services.nowUs();
        const int64_t end = start + 60'000'000;
        while (rig.services.nowUs() < end) {
            if (status == 1) {
                ReadRegisters(11, 12, TargetBoard, 1, status, values);
            } else {
                ReadRegisters(11, 1, TargetBoard, 0, status, values);
                rig.services.sleepMs(1);
            }
        }
        simulatedUs += rig.services.nowUs() - start;
    }
    state.counters["sim_s_per_wall_s"] =
        benchmark::Counter(static_cast<double>(simulatedUs) / 1e6, benchmark::Counter::kIsRate);
    state.counters["dropped"] = static_cast<double>(rig.board.firmware().blocksProduced() -
                                                    rig.board.firmware().blocksFetched());
}
BENCHMARK(BM_StreamOneMinute)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
