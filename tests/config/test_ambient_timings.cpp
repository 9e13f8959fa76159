#include "config/AmbientCompensation.h"

#include <gtest/gtest.h>

using namespace cv;

namespace {
// Registers 0..4 from the fields the timings read.
struct Regs {
    int32_t r[5] = {0, 0, 0, 0, 0};
    Regs& set(const RegField& f, int32_t v)
    {
        r[f.address] = f.with(r[f.address], v);
        return *this;
    }
    AmbientTimings timings() const { return ambientTimings(r); }
};

std::vector<QString> all(const AmbientTimings& t)
{
    return {t.NMFastUp, t.NMSlowUp, t.NMProxTim, t.NMRecalTim, t.NMPowDown,
            t.LPFastUp, t.LPSlowUp, t.LPProxTim, t.LPRecalTim};
}
} // namespace

TEST(AmbientTimings, TwelveStagesAtFullDecimation)
{
    // 12 × 3 × 256 / 250000 s = 36.864 ms per sequence.
    const auto t = Regs{}.set(field::SEQUENCE_STAGE_NUM, 11).timings();
    EXPECT_EQ(t.NMFastUp, "36.86ms");
    EXPECT_EQ(t.NMSlowUp, "110.59ms");
    EXPECT_EQ(t.NMProxTim, "0.5898s");  // 16 × 1 × 0.036864
    EXPECT_EQ(t.NMRecalTim, "0.5530s"); // recalibration counts as 15
    EXPECT_EQ(t.NMPowDown, "0.7373s");  // 1.25 × 0.5898
    EXPECT_EQ(t.LPFastUp, "236.86ms");  // 36.864 ms + 200 ms
    EXPECT_EQ(t.LPSlowUp, "236.86ms");
    EXPECT_EQ(t.LPProxTim, "1.1475s"); // 4 × 0.236864 + 0.2
    EXPECT_EQ(t.LPRecalTim, "0.9475s");
}

TEST(AmbientTimings, PowerDownTimeBuildsOnTheShownProximityTimeout)
{
    // One stage: the proximity timeout is 0.049152 s, shown as 0.0492s.
    // 1.25 × 0.0492 = 0.0615, where the unrounded time would give 0.0614.
    EXPECT_EQ(Regs{}.timings().NMProxTim, "0.0492s");
    EXPECT_EQ(Regs{}.timings().NMPowDown, "0.0615s");
    EXPECT_EQ(Regs{}.set(field::PWR_DOWN_TIMEOUT, 3).timings().NMPowDown, "0.0984s");
    EXPECT_EQ(Regs{}.set(field::PWR_DOWN_TIMEOUT, 1).timings().NMPowDown, "0.0738s");
}

TEST(AmbientTimings, FieldValuesThatCountAsOthers)
{
    auto same = [](const Regs& a, const Regs& b) { return all(a.timings()) == all(b.timings()); };
    // Decimation 3 is 64 like 2; 1 is 128.
    EXPECT_TRUE(same(Regs{}.set(field::DECIMATION, 3), Regs{}.set(field::DECIMATION, 2)));
    EXPECT_FALSE(same(Regs{}.set(field::DECIMATION, 1), Regs{}.set(field::DECIMATION, 2)));
    for (int v = 12; v <= 15; ++v) {
        EXPECT_TRUE(same(Regs{}.set(field::SEQUENCE_STAGE_NUM, v),
                         Regs{}.set(field::SEQUENCE_STAGE_NUM, 11)));
        EXPECT_TRUE(same(Regs{}.set(field::FF_SKIP_CNT, v), Regs{}.set(field::FF_SKIP_CNT, 11)));
    }
    EXPECT_FALSE(same(Regs{}.set(field::FF_SKIP_CNT, 10), Regs{}.set(field::FF_SKIP_CNT, 11)));
    EXPECT_TRUE(
        same(Regs{}.set(field::FP_PROXIMITY_CNT, 0), Regs{}.set(field::FP_PROXIMITY_CNT, 1)));
    EXPECT_TRUE(
        same(Regs{}.set(field::LP_PROXIMITY_CNT, 0), Regs{}.set(field::LP_PROXIMITY_CNT, 1)));
    EXPECT_TRUE(
        same(Regs{}.set(field::LP_PROXIMITY_RECAL, 0), Regs{}.set(field::LP_PROXIMITY_RECAL, 1)));
    for (int v = 0; v < 15; ++v)
        EXPECT_TRUE(same(Regs{}.set(field::FP_PROXIMITY_RECAL, v),
                         Regs{}.set(field::FP_PROXIMITY_RECAL, 15)));
    EXPECT_FALSE(
        same(Regs{}.set(field::FP_PROXIMITY_RECAL, 16), Regs{}.set(field::FP_PROXIMITY_RECAL, 15)));
}

TEST(AmbientTimings, EachSettingReachesItsFields)
{
    // Low-power conversion delay 800 ms, low-power skip 3, largest counts.
    const auto t = Regs{}
                       .set(field::LP_CONV_DELAY, 3)
                       .set(field::AVG_LP_SKIP, 3)
                       .set(field::LP_PROXIMITY_CNT, 15)
                       .set(field::LP_PROXIMITY_RECAL, 63)
                       .timings();
    EXPECT_EQ(t.LPFastUp, "803.07ms");
    EXPECT_EQ(t.LPSlowUp, "3212.29ms");   // 4 × 803.072
    EXPECT_EQ(t.LPProxTim, "48.9843s");   // 60 × 0.803072 + 0.8
    EXPECT_EQ(t.LPRecalTim, "202.3741s"); // 252 × 0.803072
    EXPECT_EQ(t.NMFastUp, "3.07ms");      // full power ignores the low-power fields

    // Largest full-power numbers: the masks grow without padding.
    const auto big = Regs{}
                         .set(field::SEQUENCE_STAGE_NUM, 11)
                         .set(field::FF_SKIP_CNT, 11)
                         .set(field::AVG_FP_SKIP, 3)
                         .set(field::FP_PROXIMITY_RECAL, 1023)
                         .timings();
    EXPECT_EQ(big.NMFastUp, "442.37ms");
    EXPECT_EQ(big.NMSlowUp, "13713.41ms");
    EXPECT_EQ(big.NMRecalTim, "452.5425s");
}

TEST(NumberFieldRules, NearestIntegerWithinTheRangeIsAccepted)
{
    // The messages say "under 255" and "under 63"; those values still pass.
    EXPECT_EQ(acceptedNumber(fastRateRule(), QStringLiteral("255")), 255);
    EXPECT_FALSE(acceptedNumber(fastRateRule(), QStringLiteral("256")));
    EXPECT_EQ(acceptedNumber(filtCompRule(), QStringLiteral("63")), 63);
    EXPECT_FALSE(acceptedNumber(lowPowCtrlRule(), QStringLiteral("64")));
    EXPECT_EQ(acceptedNumber(fullPowCtrlRule(), QStringLiteral("1023")), 1023);
    EXPECT_FALSE(acceptedNumber(fullPowCtrlRule(), QStringLiteral("1024")));
    EXPECT_FALSE(acceptedNumber(fullPowCtrlRule(), QStringLiteral("-1")));
    // Halves to even, then the range.
    EXPECT_EQ(acceptedNumber(fastRateRule(), QStringLiteral("12.5")), 12);
    EXPECT_EQ(acceptedNumber(fastRateRule(), QStringLiteral("13.5")), 14);
    EXPECT_EQ(acceptedNumber(fastRateRule(), QStringLiteral("255.4")), 255);
    EXPECT_FALSE(acceptedNumber(fastRateRule(), QStringLiteral("255.5")));
    EXPECT_EQ(acceptedNumber(filtCompRule(), QStringLiteral("-0.4")), 0);
    EXPECT_EQ(acceptedNumber(filtCompRule(), QStringLiteral("abc")), 0);
}
