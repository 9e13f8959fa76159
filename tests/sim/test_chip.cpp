// The simulated chip: conversion timing, offsets against the calibration
// searches, the ambient engine and thresholds.
#include "link/RegMap.h"
#include "platform/NumText.h"
#include "sim/ChipModel.h"

#include <gtest/gtest.h>

using namespace cv;
using namespace cv::sim;

namespace {

struct Bench {
    VirtualClock clock;
    ChipModel chip{clock, 7};
    std::array<double, 13> pF{};
    Bench()
    {
        pF.fill(12.0);
        chip.setSensorSource([this](int64_t, std::array<double, 13>& out) { out = pF; });
        chip.write(reg::PWR_CONTROL, 0x00B0); // twelve stages, decimation 256
        for (int s = 0; s < 12; ++s) {
            chip.write(reg::bank2(s, 0), 0xFFFF);
            chip.write(reg::bank2(s, 1), 0x3FFF);
        }
    }
    // Puts CIN `in` of stage 0 on a connection code.
    void connect(int in, int code)
    {
        const int k = in < 7 ? 0 : 1;
        const int shift = 2 * (in < 7 ? in : in - 7);
        const uint16_t w = chip.peek(reg::bank2(0, k));
        chip.write(reg::bank2(0, k), static_cast<uint16_t>((w & ~(3 << shift)) | (code << shift)));
    }
    int result() { return chip.read(reg::convResult(0)); }
    void write(int a, int v) { chip.write(a, static_cast<uint16_t>(v)); }
    void pause(int ms) { clock.advanceMs(ms); }
    int afe() { return chip.read(reg::bank2(0, reg::AFE_OFFSET)); }

    // The input window's searches, as the program runs them.
    int searchNeg(bool stopAtSwap)
    {
        int n = 0, m = 0, image = 0, r = result();
        for (;;) {
            if (r >= 30000 && r <= 35000)
                break;
            if (n < 63) {
                if (n == 0) {
                    write(0x82, 0), pause(80), image = 0;
                } else
                    n += (r > 17000 && r < 40000) ? 1 : (n < 59 ? 3 : 1);
                image = (image & 0xFF80) | std::min(n, 63);
                write(0x82, image), pause(40), r = result();
                if (n == 0)
                    n = 1;
            } else {
                if (m >= 63) {
                    r = result();
                    break;
                }
                if (stopAtSwap)
                    break;
                if (m > 0)
                    m += (r > 17000 && r < 45000) ? 1 : (m < 59 ? 3 : 1);
                image = (image & 0x00FF) | std::min(m, 63) * 256 | 0x8000;
                write(0x82, image), pause(40), r = result();
                if (m == 0)
                    m = 1;
            }
            if (r > 30000 && r < 50000)
                break;
        }
        return n;
    }
    int searchPos(bool stopAtSwap)
    {
        int p = 0, q = 0, image = 0, r = result();
        for (;;) {
            if (r >= 30000 && r <= 35000)
                break;
            if (p < 63) {
                if (p == 0)
                    write(0x82, 0), pause(40), image = 0;
                else
                    p += (r > 17000 && r < 45000) ? 1 : (p < 59 ? 3 : 1);
                image = (image & 0x80FF) | std::min(p, 63) * 256;
                write(0x82, image), pause(40), r = result();
                if (p == 0)
                    p = 1;
            } else {
                if (q >= 63 || stopAtSwap)
                    break;
                if (q > 0)
                    q += (r > 17000 && r < 45000) ? 1 : (q < 59 ? 3 : 1);
                image = (image & 0xFF80) | std::min(q, 63);
                write(0x82, image), pause(40), r = result();
                if (q == 0)
                    q = 1;
            }
            if (r > 20000 && r < 36000)
                break;
        }
        return p;
    }
};

} // namespace

TEST(ChipTiming, ConversionAndSequenceFollowPowerControl)
{
    EXPECT_EQ(ChipModel::conversionUs(0x0000), 3072); // 3 x 256 / 250 kHz
    EXPECT_EQ(ChipModel::conversionUs(0x0100), 1536);
    EXPECT_EQ(ChipModel::conversionUs(0x0200), 768);
    EXPECT_EQ(ChipModel::conversionUs(0x0300), 768);
    EXPECT_EQ(ChipModel::sequencePeriodUs(0x00B0), 12 * 3072);
    EXPECT_EQ(ChipModel::sequencePeriodUs(0x00F0), 12 * 3072); // 15 counts as twelve stages
    EXPECT_EQ(ChipModel::sequencePeriodUs(0x0030), 4 * 3072);
    EXPECT_EQ(ChipModel::sequencePeriodUs(0x00B6), 12 * 3072 + 400000); // low power, 400 ms delay
    EXPECT_EQ(ChipModel::sequencePeriodUs(0x00B1), 0);
    EXPECT_EQ(ChipModel::sequencePeriodUs(0x00B3), 0);

    VirtualClock clock;
    ChipModel chip(clock, 1);
    chip.write(reg::PWR_CONTROL, 0x02B0); // decimation 64: 9216 us a sequence
    clock.advanceMs(1000);
    chip.catchUp();
    EXPECT_EQ(chip.sequencesRun(), 1000000 / 9216);
    chip.write(reg::PWR_CONTROL, 0x02B1); // shutdown: nothing more
    const int64_t before = chip.sequencesRun();
    clock.advanceMs(1000);
    chip.catchUp();
    EXPECT_EQ(chip.sequencesRun(), before);
}

TEST(ChipResults, BiasFloatingAndConnectedInputs)
{
    Bench b;
    b.pause(100);
    EXPECT_NEAR(b.result(), 32768, 20); // all on bias
    b.connect(8, 2);                    // an input of the second connection word
    b.pause(40);
    EXPECT_EQ(b.result(), 65535);
    b.connect(8, 3);
    b.connect(4, 2); // 12 pF on the positive input: far above range
    b.pause(40);
    EXPECT_EQ(b.result(), 65535);
    b.write(0x82, 37 << 8); // 11.84 pF of positive offset
    b.pause(40);
    EXPECT_NEAR(b.result(), 32768 + 0.16 * 4096, 20);
    b.connect(4, 0); // floating: the reading wanders
    int lo = 65535, hi = 0;
    for (int i = 0; i < 30; ++i) {
        b.pause(40);
        lo = std::min(lo, b.result());
        hi = std::max(hi, b.result());
    }
    EXPECT_GT(hi - lo, 5000);
}

TEST(ChipOffsets, SingleEndedSearchesLandNearMidScale)
{
    for (double c : {10.0, 14.5, 19.0}) {
        Bench neg;
        neg.pF[6] = c;
        neg.connect(6, 1);
        neg.searchNeg(false);
        neg.pause(40);
        EXPECT_GE(neg.result(), 30000) << c;
        EXPECT_LE(neg.result(), 50000) << c;

        Bench pos;
        pos.pF[9] = c;
        pos.connect(9, 2);
        pos.searchPos(false);
        pos.pause(40);
        EXPECT_GE(pos.result(), 20000) << c;
        EXPECT_LE(pos.result(), 36000) << c;
    }
    // Two large sensors on one side need the swapped second phase.
    Bench two;
    two.pF[1] = two.pF[2] = 14.0;
    two.connect(1, 1);
    two.connect(2, 1);
    two.searchNeg(false);
    EXPECT_TRUE(two.afe() & 0x8000);
    EXPECT_GE(two.result(), 15000);
}

TEST(ChipOffsets, DifferentialCalibrationTrimsIntoWindow)
{
    Bench b;
    b.pF[3] = 13.0;
    b.pF[5] = 17.5;
    b.connect(3, 2);
    b.connect(5, 1);
    const int w0 = b.chip.read(0x80), w1 = b.chip.read(0x81);
    b.write(0x80, w0 | 0x1555), b.write(0x81, w1 | 0x1555); // negative side alone
    b.pause(100);
    const int n = b.searchNeg(true);
    b.write(0x80, w0 | 0x2AAA), b.write(0x81, w1 | 0x2AAA); // positive side alone
    b.pause(100);
    const int p = b.searchPos(true);
    b.write(0x80, w0), b.write(0x81, w1), b.write(0x82, p * 256 | n);
    b.pause(40);
    EXPECT_GE(b.result(), 20000);
    EXPECT_LE(b.result(), 45000);
    EXPECT_NEAR(n, 55, 2);
    EXPECT_NEAR(p, 41, 2);
}

TEST(ChipAmbient, TracksOnlyEnabledUntouchedStages)
{
    Bench b;
    b.connect(4, 2);
    b.write(0x82, 37 << 8);
    b.write(reg::bank2(0, reg::OFFSET_HIGH), 1600);
    b.write(reg::bank2(0, reg::OFFSET_LOW), 1600);
    b.write(reg::bank2(0, reg::SENSITIVITY), 0x0606);
    b.write(reg::AMB_COMP_CTRL0, 0x4000); // force calibration at the next sequence
    b.pause(100);
    EXPECT_EQ(b.chip.read(reg::AMB_COMP_CTRL0) & 0x4000, 0);
    const int amb0 = b.chip.read(reg::bank3(0, reg::SF_AMB));
    EXPECT_NEAR(amb0, 33423, 30);

    // A slow drift of 0.05 pF (about 200 counts) without calibration enable: ambient stays.
    b.pF[4] += 0.05;
    b.pause(5000);
    EXPECT_NEAR(b.chip.read(reg::bank3(0, reg::SF_AMB)), amb0, 5);
    // With calibration enabled it follows.
    b.write(reg::STAGE_CAL_EN, 0x0001);
    b.pause(5000);
    EXPECT_NEAR(b.chip.read(reg::bank3(0, reg::SF_AMB)), amb0 + 205, 25);
    // A touch (0.8 pF) lights the high limit status and does not move the ambient.
    const int amb1 = b.chip.read(reg::bank3(0, reg::SF_AMB));
    b.pF[4] += 0.8;
    b.pause(1000);
    EXPECT_EQ(b.chip.read(reg::STAGE_HIGH_INT_STATUS) & 1, 1);
    EXPECT_EQ(b.chip.read(reg::bank3(0, reg::SF_AMB)), amb1);
    EXPECT_GT(b.chip.read(reg::bank3(0, reg::MAX_TEMP)), amb1 + 3000);
    b.pF[4] -= 0.8;
    b.pause(1000);
    EXPECT_EQ(b.chip.read(reg::STAGE_HIGH_INT_STATUS) & 1, 0);
    EXPECT_GT(b.chip.read(reg::bank3(0, reg::MAX_AVG)), amb1 + 1600); // the peak entered the FIFO
}

TEST(ChipThresholds, FollowTheStageResultsFormula)
{
    Bench b;
    b.write(reg::bank2(0, reg::OFFSET_HIGH), 800);
    b.write(reg::bank2(0, reg::OFFSET_LOW), 800);
    b.write(reg::bank2(0, reg::SENSITIVITY), 0x0504);
    b.write(reg::AMB_COMP_CTRL0, 0x4000);
    b.pause(200);
    const double amb = b.chip.read(reg::bank3(0, reg::SF_AMB));
    EXPECT_EQ(b.chip.read(reg::bank3(0, reg::HIGH_THRESHOLD)), roundHalfEven(amb + 200 + 37.5 * 5));
    EXPECT_EQ(b.chip.read(reg::bank3(0, reg::LOW_THRESHOLD)), static_cast<int>(amb - 200 - 150));
}

TEST(ChipCommands, SoftwareResetAndStatusClearing)
{
    Bench b;
    b.write(reg::STAGE_HIGH_INT_EN, 0x0FFF);
    b.pause(100);
    EXPECT_EQ(b.chip.read(reg::STAGE_COMPLETE_INT_STATUS) & 0x0FFF, 0x0FFF);
    EXPECT_EQ(b.chip.read(reg::STAGE_COMPLETE_INT_STATUS) & 0x0FFF, 0); // cleared by the read
    b.write(reg::PWR_CONTROL, 0x00B0 | 0x0400);
    EXPECT_EQ(b.chip.read(reg::PWR_CONTROL), 0);
    EXPECT_EQ(b.chip.read(reg::STAGE_HIGH_INT_EN), 0);
    EXPECT_EQ(b.chip.read(reg::PART_ID), 0x5322);
}
