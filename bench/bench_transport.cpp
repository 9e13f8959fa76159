// Cost of the register transport on the simulated board, without the
// mandated 5 ms pause before each read (virtual time skips it).
#include "link/UsbUtils.h"
#include "platform/CliServices.h"
#include "sim/SimBoard.h"

#include "BenchRig.h"
#include <QByteArray>
#include <QTemporaryFile>

#include <benchmark/benchmark.h>

using namespace cv;

namespace {
struct Rig : bench::BenchRig {};
Rig& rig()
{
    static Rig r;
    return r;
}
} // namespace

static void BM_ReadRegisters28(benchmark::State& state)
{
    rig();
    int32_t values[28];
    int16_t status = 0;
    for (auto _ : state) {
        ReadRegisters(0x0E0, 28, TargetChip, 0, status, values);
        benchmark::DoNotOptimize(values);
    }
}
BENCHMARK(BM_ReadRegisters28)->Unit(benchmark::kMicrosecond);

static void BM_WriteRegister(benchmark::State& state)
{
    rig();
    int32_t v = 0;
    for (auto _ : state)
        WriteRegister(0x083, (v++) & 0xFFFF, TargetChip);
}
BENCHMARK(BM_WriteRegister)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
