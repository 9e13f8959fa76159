// The noise figures of a stream, and how the stage stream stops.
#include "link/RegMap.h"
#include "measure/StageStreamCommand.h"
#include "measure/StreamStats.h"
#include "support/SimRig.h"

#include <gtest/gtest.h>

using namespace cv;
using namespace cv::test;

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
        EXPECT_EQ(s.count(), int64_t(c.series.size()));
        EXPECT_DOUBLE_EQ(s.mean(), c.mean);
        EXPECT_EQ(s.min(), c.min);
        EXPECT_EQ(s.max(), c.max);
        EXPECT_EQ(s.peakToPeak(), c.max - c.min);
        EXPECT_NEAR(s.stddev(), c.stddev, 1e-6);
    }
    RunningStats s;
    for (double x : {1, 2, 3, 4})
        s.add(x);
    StreamCounters counters;
    counters.produced = 7;
    counters.fetched = 6;
    EXPECT_EQ(streamSummary(counters, {"CDC-Val"}, {s}),
              QStringList({"produced 7 fetched 6 overflow 0",
                           "CDC-Val count 4 mean 2.50 min 1 max 4 p2p 3 stddev 1.12"}));
}

TEST(StreamFigures, StageStreamStopsWithTwoChipIdReads20msApart)
{
    SimRig rig;
    bool ok = false;
    StageStreamOptions options;
    options.stage = 2;
    options.seconds = 0.2;
    const QStringList summary = RunStageStream(options, &ok);
    ASSERT_TRUE(ok) << rig.services.lastMessage().toStdString();
    EXPECT_EQ(summary.size(), 7);
    const auto ops = rig.registerOps();
    ASSERT_GE(ops.size(), 2u);
    const RegisterOp partId{false, TargetChip, reg::PART_ID, 1, 0, 0};
    EXPECT_EQ(ops[ops.size() - 2], partId);
    EXPECT_EQ(ops.back(), partId);
    // Each read pauses 5 ms before it; the stop adds 20 ms between them.
    const auto& sleeps = rig.services.sleeps;
    ASSERT_GE(sleeps.size(), 3u);
    EXPECT_EQ(std::vector<int>(sleeps.end() - 3, sleeps.end()), (std::vector<int>{5, 20, 5}));
}
