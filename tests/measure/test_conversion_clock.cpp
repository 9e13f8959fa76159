// Conversion times from bursty fetches: the chip converts one set per
// period, the board queues them and the program fetches them in bursts.
#include "measure/ConversionClock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace cv;

namespace {
// Sets converted every `periodUs` from `firstUs`, fetched by a poller that
// looks every `pollUs` and then drains the queue 5 ms a set. Returns the
// fetch time of each set.
std::vector<int64_t> fetchTimes(int sets, double periodUs, int64_t firstUs, int64_t pollUs)
{
    std::vector<int64_t> fetch;
    int64_t now = 0;
    for (int n = 0; n < sets; ++n) {
        const auto converted = int64_t(firstUs + n * periodUs);
        if (now < converted)
            now = converted + (pollUs - (converted % pollUs)); // next poll
        fetch.push_back(now);
        now += 5000;
    }
    return fetch;
}
} // namespace

TEST(ConversionClock, StampsFollowTheChipNotTheBursts)
{
    struct Case {
        double truePeriodUs; // the chip's, against 9216 configured
        int64_t pollUs;
    };
    for (const Case c : {Case{9216, 60000}, Case{9216, 20000}, Case{9216 * 1.004, 60000},
                         Case{9216 * 0.996, 60000}}) {
        SCOPED_TRACE(c.truePeriodUs);
        ConversionClock clock(9216e-6, 0);
        const auto fetch = fetchTimes(1500, c.truePeriodUs, 3000, c.pollUs);
        double last = 0;
        int offStep = 0;
        for (int n = 0; n < int(fetch.size()); ++n) {
            const ConversionStamp s = clock.stamp(fetch[size_t(n)]);
            EXPECT_EQ(s.index, n);
            EXPECT_LE(s.seconds, s.fetchSeconds);
            EXPECT_FALSE(s.gapBefore);
            // Within a few ms of when the chip converted it (plus what a
            // drifting chip gains before two windows show it), and after a
            // few windows one period after the one before.
            const double drift = std::abs(c.truePeriodUs / 9216 - 1) * 2 * ConversionClock::kWindowS;
            EXPECT_NEAR(s.seconds, (3000 + n * c.truePeriodUs) / 1e6, 0.004 + drift) << n;
            if (n > 700)
                offStep += std::abs(s.seconds - last - c.truePeriodUs / 1e6) > 0.01 * 9216e-6;
            last = s.seconds;
        }
        EXPECT_LE(offStep, 8);
        EXPECT_NEAR(clock.period(), c.truePeriodUs / 1e6, 0.0005 * 9216e-6);
        // The rate never claims more than the configured converter gives.
        EXPECT_LE(clock.rate(), 1 / 9216e-6);
        EXPECT_NEAR(clock.rate(), std::min(1e6 / c.truePeriodUs, 1 / 9216e-6), 0.0005 * 108.5);
    }
}

TEST(ConversionClock, DropsSkipTheirIndexPausesAndStallsBreakTheLine)
{
    const double p = 0.01;
    ConversionClock clock(p, 0);
    for (int n = 0; n < 10; ++n)
        clock.stamp(int64_t((n + 1) * p * 1e6));
    // Three sets dropped before this one: it was converted four periods on.
    ConversionStamp s = clock.stamp(int64_t(14 * p * 1e6), 3);
    EXPECT_EQ(s.index, 13);
    EXPECT_NEAR(s.seconds, 13 * p, 1e-9);
    EXPECT_FALSE(s.gapBefore);

    // Re-armed at 5 s: the next set starts a segment of its own.
    clock.pause(5'000'000);
    s = clock.stamp(5'030'000);
    EXPECT_TRUE(s.gapBefore);
    EXPECT_NEAR(s.seconds, 5.0, 1e-9);
    s = clock.stamp(5'040'000);
    EXPECT_FALSE(s.gapBefore);
    EXPECT_NEAR(s.seconds, 5.0 + p, 1e-9);

    // Nothing for two seconds and no word of a pause: a stall.
    s = clock.stamp(7'100'000);
    EXPECT_TRUE(s.gapBefore);
    EXPECT_NEAR(s.seconds, 7.1 - p, 1e-9);
}
