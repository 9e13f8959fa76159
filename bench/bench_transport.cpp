// Cost of the register transport on the simulated board, without the
// mandated 5 ms pause before each read (virtual time skips it).
#include "link/UsbUtils.h"
#include "platform/CliServices.h"
#include "sim/SimBoard.h"

#include <QByteArray>
#include <QTemporaryFile>
#include <benchmark/benchmark.h>

using namespace cv;

namespace {
struct Rig {
    CliServices services{true};
    sim::SimBoard board{services.clock()};
    QTemporaryFile hex;
    Rig()
    {
        setServices(&services);
        hex.open();
        hex.write(":030000000200807B\r\n:00000001FF\r\n");
        hex.flush();
        int32_t count = 0, handle = 0;
        uint8_t list[128] = {};
        board.Search_For_Boards(BoardVendorId, BoardProductId, count, list);
        board.Connect(BoardVendorId, BoardProductId, list[0], handle);
        board.Download_Firmware(handle, hex.fileName().toLocal8Bit().constData());
        attachLink(&board, handle);
    }
};
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
