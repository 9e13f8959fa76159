// The live readout's passes against a scripted board: what each pass reads
// and in which order, the first-two-passes rule, the quiet-pass estimate and
// the chart's range.
#include "ScriptedBoard.h"
#include "link/RegMap.h"
#include "measure/StageStream.h"
#include "measure/StageStreamCommand.h"
#include "measure/StreamStats.h"
#include "support/FakeServices.h"
#include "support/SimRig.h"

#include <gtest/gtest.h>

using namespace cv;
using namespace cv::test;

namespace {
struct Passes : ::testing::Test {
    FakeServices services;
    ScriptedBoard board;
    StagePassLoop loop;
};
} // namespace

TEST_F(Passes, AProbeThenSummaryBlocksAndTheFirstTwoPassesRule)
{
    loop.start();
    for (int i = 0; i < 4; ++i)
        board.queue(
            summaryBlock(30100 + i, 30000, 30600, 30388, 29500, 29650, 0x0004, 0x0001, 0x0002));
    // Nothing waits yet: a probe sees the status, the next pass 5 ms on.
    const StagePassResult probe = loop.pass(StageTab::InitialSetup, 800, 800);
    EXPECT_EQ(board.ops, std::vector<RegisterOp>{boardRead(11, 1, 0)});
    EXPECT_EQ(probe.nextIntervalMs, 5);
    EXPECT_EQ(probe.indicator, Indicator::Keep); // nothing fetched yet: stays as it was
    EXPECT_FALSE(probe.sample);
    board.ops.clear();

    std::vector<StagePassResult> r;
    for (int i = 0; i < 4; ++i)
        r.push_back(loop.pass(StageTab::InitialSetup, 800, 800));
    // One nine-word fetch per pass, each taking the status of its reply.
    EXPECT_EQ(board.ops, std::vector<RegisterOp>(4, boardRead(11, 9, 1)));
    // Kept from the third pass on; the thresholds refresh on the third only.
    for (size_t i = 0; i < r.size(); ++i) {
        ASSERT_TRUE(r[i].sample) << i;
        EXPECT_EQ(r[i].indicator, Indicator::Red);
        EXPECT_EQ(r[i].nextIntervalMs, 0);
        EXPECT_EQ(r[i].append, i >= 2) << i;
        EXPECT_EQ(r[i].refreshThresholds, i == 2) << i;
    }

    const StageSample& s = *r[2].sample;
    EXPECT_EQ(s.graph, (std::array<int32_t, 6>{30102, 30000, 30600, 30388, 29500, 29650}));
    EXPECT_EQ(s.ambient, 30000);
    // Words 7, 8 and 6: low limit, high limit, proximity.
    EXPECT_EQ(s.status, (std::array<int32_t, 3>{0x0001, 0x0002, 0x0004}));
    // The queue ran dry: the next pass waits again, and the white lamp shows it.
    const StagePassResult idle = loop.pass(StageTab::InitialSetup, 800, 800);
    EXPECT_FALSE(idle.sample);
    EXPECT_EQ(idle.indicator, Indicator::White);
}

TEST_F(Passes, RamBlocksComeInThreeReadsOfOneBlock)
{
    std::vector<uint16_t> block(39);
    for (int k = 0; k < 39; ++k)
        block[size_t(k)] = uint16_t(1000 + k);
    for (int i = 0; i < 3; ++i)
        board.queue(block);
    loop.start();
    EXPECT_EQ(loop.pass(StageTab::RamData, 800, 800).nextIntervalMs, 20); // a probe
    board.ops.clear();

    loop.pass(StageTab::RamData, 800, 800);
    EXPECT_EQ(board.ops, (std::vector<RegisterOp>{boardRead(11, 15, 1), boardRead(26, 15, 1),
                                                  boardRead(41, 9, 1)}));
    // The lamp turns red and the words show only from the third pass on.
    const StagePassResult second = loop.pass(StageTab::RamData, 800, 800);
    EXPECT_EQ(second.indicator, Indicator::Keep);
    EXPECT_FALSE(second.showBlock);
    const StagePassResult third = loop.pass(StageTab::RamData, 800, 800);
    EXPECT_EQ(third.indicator, Indicator::Red);
    EXPECT_TRUE(third.showBlock);
    const StageSample& s = *third.sample;
    // Graph from words 0, 17, 25, 26, 32, 33; status words 36, 37, 38.
    EXPECT_EQ(s.graph, (std::array<int32_t, 6>{1000, 1017, 1025, 1026, 1032, 1033}));
    EXPECT_EQ(s.ambient, 1017);
    EXPECT_EQ(s.status, (std::array<int32_t, 3>{1036, 1037, 1038}));
    // RAM mode makes no offset estimate.
    EXPECT_FALSE(third.estimate);
}

TEST_F(Passes, QuietPassEstimateOnTheSixteenthQuietPassAndAfterAStatusBit)
{
    loop.start();
    // Two passes that do not count, then sixteen quiet ones.
    for (int i = 0; i < 2 + 16; ++i)
        board.queue(summaryBlock(30000, 30000, 30600, 30388, 29500, 29650));
    loop.pass(StageTab::InitialSetup, 800, 800);
    int estimates = 0;
    for (int i = 0; i < 2 + 15; ++i)
        estimates += loop.pass(StageTab::InitialSetup, 800, 800).estimate ? 1 : 0;
    EXPECT_EQ(estimates, 0);
    const StagePassResult sixteenth = loop.pass(StageTab::InitialSetup, 800, 800);
    ASSERT_TRUE(sixteenth.estimate);
    const OffsetEstimate& e = *sixteenth.estimate;
    EXPECT_EQ((std::array{e.offsetLow, e.offsetHigh, e.ambient}), (std::array{500, 600, 30000}));

    // A stage's status bit, then a quiet pass: the estimate comes at once.
    board.queue(summaryBlock(31000, 30010, 30700, 30388, 29600, 29650, 0, 0, 0x0800));
    board.queue(summaryBlock(30000, 30010, 30700, 30388, 29600, 29650));
    EXPECT_FALSE(loop.pass(StageTab::InitialSetup, 800, 800).sample); // sees the status
    EXPECT_FALSE(loop.pass(StageTab::InitialSetup, 800, 800).estimate);
    const StagePassResult quiet = loop.pass(StageTab::InitialSetup, 800, 800);
    ASSERT_TRUE(quiet.estimate);
    EXPECT_EQ((std::array{quiet.estimate->offsetLow, quiet.estimate->offsetHigh}),
              (std::array{410, 690}));
}

TEST(QuietPasses, OnlyTheTwelveStageBitsCount)
{
    QuietPassEstimator e;
    const std::array<int32_t, 3> quiet{0, 0, 0};
    // Bits above stage 11 are not a touch.
    for (int i = 0; i < 15; ++i)
        EXPECT_FALSE(e.pass({0x1000, 0x8000, 0xF000}, 100, 200, 50));
    EXPECT_TRUE(e.pass(quiet, 100, 200, 50));
    // Any of the three words with a stage bit restarts the wait at 15: the
    // next quiet pass estimates.
    for (const auto& touched : {std::array<int32_t, 3>{1, 0, 0}, std::array<int32_t, 3>{0, 1, 0},
                                std::array<int32_t, 3>{0, 0, 0x0400}}) {
        e.reset();
        EXPECT_FALSE(e.pass(touched, 100, 200, 50));
        EXPECT_TRUE(e.pass(quiet, 100, 200, 50));
    }
}

TEST(ChartRange, SetUpOnTheSecondPassThenMovedOnlyOutsideItsBand)
{
    // Applied in order; a moved range reports both levels and the outer bounds 10000 beyond.
    const struct {
        int pass;
        int32_t maxAvg, minAvg, offHigh, offLow;
        bool moves;
        int64_t upper = 0, lower = 0;
    } steps[] = {
        {0, 40000, 30000, 800, 300, false},
        {1, 40000, 30000, 800, 300, true, 40800, 29500}, // an offset low under 500: a margin of 500
        {2, 40800, 30000, 800, 300, false},              // inside the bands nothing moves
        {3, 39800, 30500, 800, 300, false},
        {3, 40801, 30000, 900, 300, true, 41701, 29500}, // the maximum rises above the upper level
        {3, 40700, 30000, 900, 300, true, 41600, 29500}, // ... or falls more than 1000 below it
        {3, 40700, 29499, 900, 700, true, 41600, 28799}, // the minimum falls below the lower level
        {3, 40700, 29800, 900, 700, true, 41600, 29100}, // ... or rises more than 1000 above it
    };
    ChartRangeTracker t;
    for (size_t i = 0; i < std::size(steps); ++i) {
        const auto& s = steps[i];
        const auto r = t.pass(s.pass, s.maxAvg, s.minAvg, s.offHigh, s.offLow);
        ASSERT_EQ(r.has_value(), s.moves) << i;
        if (!r)
            continue;
        EXPECT_EQ(r->upper, s.upper) << i;
        EXPECT_EQ(r->lower, s.lower) << i;
        EXPECT_EQ(r->outerUpper, s.upper + 10000) << i;
        EXPECT_EQ(r->outerLower, s.lower - 10000) << i;
    }
}

// The noise figures of a stream, and how the stage stream stops.
TEST(StreamFigures, KnownSeriesGiveTheirPopulationFigures)
{
    struct Case {
        std::vector<double> series;
        double mean, min, max, stddev;
    };
    const Case cases[] = {
        {{}, 0, 0, 0, 0},
        {{5}, 5, 5, 5, 0},
        {{1, 2, 3, 4}, 2.5, 1, 4, 1.1180340},
        {{2, 4, 4, 4, 5, 5, 7, 9}, 5, 2, 9, 2},
        // Large close values, as a converter gives them.
        {{1e9 + 1, 1e9 + 2, 1e9 + 3, 1e9 + 4}, 1e9 + 2.5, 1e9 + 1, 1e9 + 4, 1.1180340},
    };
    for (const auto& c : cases) {
        RunningStats s;
        for (double x : c.series)
            s.add(x);
        SCOPED_TRACE(c.series.size());
        EXPECT_DOUBLE_EQ(s.mean(), c.mean);
        EXPECT_EQ(s.min(), c.min);
        EXPECT_EQ(s.max(), c.max);
        EXPECT_NEAR(s.stddev(), c.stddev, 1e-6);
    }
    // A steady rise is drift, not noise: the detrended spread leaves it out.
    RunningStats s, rising;
    for (double x : {1, 2, 3, 4})
        s.add(x);
    for (int i = 0; i < 100; ++i)
        rising.add(8.0 * i * 0.01 + (i % 2 ? 1 : -1), i * 0.01);
    EXPECT_NEAR(rising.detrendedStddev(), 1.0, 0.01);
    EXPECT_NEAR(rising.slope(), 8.0, 0.1);
    EXPECT_EQ(
        streamSummary(StreamCounters{7, 6, 0}, {"CDC-Val", "none"}, {s, RunningStats{}}),
        QStringList({"produced 7 fetched 6 overflow 0",
                     "CDC-Val count 4 mean 2.50 min 1 max 4 p2p 3 stddev 1.12 detrended_sd 0.00",
                     "none count 0 no sets"}));
}

TEST(StreamFigures, StageStreamStopsWithTwoChipIdReads20msApart)
{
    SimRig rig;
    bool ok = false;
    const QStringList summary = RunStageStream({.stage = 2, .seconds = 0.2}, &ok);
    ASSERT_TRUE(ok) << rig.services.lastMessage().toStdString();
    EXPECT_EQ(summary.size(), 7);
    const auto ops = rig.registerOps();
    ASSERT_GE(ops.size(), 2u);
    EXPECT_EQ(ops[ops.size() - 2], chipRead(reg::PART_ID));
    EXPECT_EQ(ops.back(), chipRead(reg::PART_ID));
    // Each read pauses 5 ms before it; the stop adds 20 ms between them.
    const auto& sleeps = rig.services.sleeps;
    ASSERT_GE(sleeps.size(), 3u);
    EXPECT_EQ(std::vector<int>(sleeps.end() - 3, sleeps.end()), (std::vector<int>{5, 20, 5}));
}
