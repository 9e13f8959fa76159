// Conversion times from bursty fetches: the chip converts one set per
// period, the board queues them and the program fetches them in bursts.
#include "measure/ConversionClock.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace cv;

TEST(ConversionClock, StampsFollowTheChipNotTheBursts)
{
    const double nominal = 9216;
    for (const double truePeriod : {nominal, nominal * 1.004, nominal * 0.996}) {
        for (const int64_t pollUs : {60000, 20000}) {
            SCOPED_TRACE(truePeriod + pollUs);
            ConversionClock clock(nominal / 1e6, 0);
            // A poller looks every `pollUs`, then drains the queue 5 ms a set.
            int64_t now = 0;
            int offStep = 0;
            double last = 0;
            // What a drifting chip gains before two windows show it.
            const double drift = std::abs(truePeriod / nominal - 1) * 2 * ConversionClock::kWindowS;
            for (int n = 0; n < 1500; ++n, now += 5000) {
                const auto converted = int64_t(3000 + n * truePeriod);
                if (now < converted)
                    now = converted + pollUs - converted % pollUs;
                const ConversionStamp s = clock.stamp(now);
                ASSERT_EQ(s.index, n);
                EXPECT_LE(s.seconds, s.fetchSeconds);
                EXPECT_FALSE(s.gapBefore);
                EXPECT_NEAR(s.seconds, converted / 1e6, 0.005 + drift) << n;
                if (n > 700)
                    offStep += std::abs(s.seconds - last - truePeriod / 1e6) > 0.01 * nominal / 1e6;
                last = s.seconds;
            }
            EXPECT_LE(offStep, 8);
            EXPECT_NEAR(clock.period(), truePeriod / 1e6, 0.0005 * nominal / 1e6);
            // The rate never claims more than the configured converter gives.
            EXPECT_NEAR(clock.rate(), std::min(1e6 / truePeriod, 1e6 / nominal), 0.05);
            EXPECT_LE(clock.rate(), 1e6 / nominal);
        }
    }
}

TEST(ConversionClock, DropsSkipTheirIndexPausesAndStallsBreakTheLine)
{
    // Twelve stages at decimation 64; in low power mode plus its 200-800 ms delay.
    for (const auto& [pwr, seconds] :
         {std::pair{0x02B0, 0.009216}, {0x00B0, 0.036864}, {0x02B2, 0.209216}, {0x02BE, 0.809216}})
        EXPECT_NEAR(setPeriodSeconds(pwr), seconds, 1e-12) << pwr;

    const double p = 0.01;
    ConversionClock clock(p, 0);
    for (int n = 0; n < 10; ++n)
        clock.stamp(int64_t((n + 1) * p * 1e6));
    // Three sets dropped before this one: it was converted four periods on.
    ConversionStamp s = clock.stamp(int64_t(14 * p * 1e6), 3);
    EXPECT_EQ(s.index, 13);
    EXPECT_NEAR(s.seconds, 13 * p, 1e-9);
    EXPECT_FALSE(s.gapBefore);
    // Re-armed at 5 s: the next set starts a stretch of its own.
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
