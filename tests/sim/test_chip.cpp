// The simulated chip: conversion timing, results and offsets, the ambient
// engine and thresholds. The calibration searches against it are tested on
// the simulated board.
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
};

} // namespace

TEST(ChipTiming, ConversionAndSequenceFollowPowerControl)
{
    // Power control word: conversion time, sequence period (3 x decimation / 250 kHz).
    const std::tuple<uint16_t, int64_t, int64_t> cases[] = {
        {0x0000, 3072, 3072},      {0x0100, 1536, 1536},
        {0x0200, 768, 768},        {0x0300, 768, 768},
        {0x00B0, 3072, 12 * 3072}, {0x00F0, 3072, 12 * 3072},          // 15 counts as twelve
        {0x0030, 3072, 4 * 3072},  {0x00B6, 3072, 12 * 3072 + 400000}, // low power, 400 ms
        {0x00B1, 3072, 0},         {0x00B3, 3072, 0},                  // shutdown
    };
    for (const auto& [word, conversion, sequence] : cases) {
        EXPECT_EQ(ChipModel::conversionUs(word), conversion) << word;
        EXPECT_EQ(ChipModel::sequencePeriodUs(word), sequence) << word;
    }
    // The sequences at that period are the firmware queue's, the streams'
    // and the spectrum's; in shutdown none run (the windows' shutdown tests).
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
    b.connect(4, 1); // on the negative input, the swapped field acts there
    b.write(0x82, 0x8000 | 37 << 8);
    b.pause(40);
    EXPECT_NEAR(b.result(), 32768 - 0.16 * 4096, 20);
    b.write(0x82, 37); // the negative field acts there unswapped, and on the other side swapped
    b.pause(40);
    EXPECT_NEAR(b.result(), 32768 - 0.16 * 4096, 20);
    b.write(0x82, 0x0080 | 37);
    b.pause(40);
    EXPECT_EQ(b.result(), 0);
    b.connect(4, 0); // floating: the reading wanders
    int lo = 65535, hi = 0;
    for (int i = 0; i < 30; ++i) {
        b.pause(40);
        lo = std::min(lo, b.result());
        hi = std::max(hi, b.result());
    }
    EXPECT_GT(hi - lo, 5000);
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

TEST(ChipCommands, ThresholdsStatusClearingAndSoftwareReset)
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

    // Status read clears it; a software reset clears the registers.
    b.write(reg::STAGE_HIGH_INT_EN, 0x0FFF);
    b.pause(100);
    EXPECT_EQ(b.chip.read(reg::STAGE_COMPLETE_INT_STATUS) & 0x0FFF, 0x0FFF);
    EXPECT_EQ(b.chip.read(reg::STAGE_COMPLETE_INT_STATUS) & 0x0FFF, 0); // cleared by the read
    b.write(reg::PWR_CONTROL, 0x00B0 | 0x0400);
    EXPECT_EQ(b.chip.read(reg::PWR_CONTROL), 0);
    EXPECT_EQ(b.chip.read(reg::STAGE_HIGH_INT_EN), 0);
}
