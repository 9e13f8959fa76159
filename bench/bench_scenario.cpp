// Looking the finger up in a long generated scenario: the chip asks for it
// at every conversion, so the lookup must not grow with the script.
// Counter lookups_per_s for 200 and 200,000 lines (target: above 10 million
// per second for the long script; a lookup is a binary search, not a scan).
#include "sim/SensorBoard.h"

#include <benchmark/benchmark.h>

using namespace cv::sim;

static void BM_FingerLookup(benchmark::State& state)
{
    const int lines = static_cast<int>(state.range(0));
    const BoardLayout& board = BoardLayout::forBoard(58);
    QString text;
    for (int i = 0; i < lines; ++i)
        text += i % 3 ? QStringLiteral("%1 tap %2\n").arg(i * 50).arg(board.electrodes[i % 12].name)
                      : QStringLiteral("%1 slide 0 255 40\n").arg(i * 50);
    text += QStringLiteral("loop %1\n").arg(lines * 50 + 1000);
    const auto s = Scenario::parse(text, board, nullptr);
    int64_t ms = 0;
    uint32_t sink = 0;
    for (auto _ : state) {
        sink ^= s->at(ms).touched;
        ms += 7;
    }
    benchmark::DoNotOptimize(sink);
    state.counters["lookups_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FingerLookup)->Arg(200)->Arg(200000);

BENCHMARK_MAIN();
