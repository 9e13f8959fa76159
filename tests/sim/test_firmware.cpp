// The simulated firmware: capture blocks and their status, easy set-up, the
// demo words, and the finger scenarios.
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "support/SimRig.h"

#include <gtest/gtest.h>
#include <vector>

using namespace cv;
using namespace cv::sim;
using cv::test::noFinger;
using cv::test::SimRig;

namespace {

int16_t boardStatus()
{
    int32_t v[2] = {};
    int16_t status = 0;
    ReadRegisters(2, 1, TargetBoard, 0, status, v);
    return status;
}

// Fetches every waiting block of `count` words; returns the newest, with the
// bits of words 0 and 1 of all of them ORed in `ored` (step commands go out
// in one block only).
std::vector<int32_t> drainBlocks(int count, int32_t* ored = nullptr)
{
    std::vector<int32_t> w(static_cast<size_t>(count));
    int16_t status = 1;
    while (status == 1) {
        ReadRegisters(11, count, TargetBoard, 1, status, w.data());
        if (ored) {
            ored[0] |= w[0];
            ored[1] |= w[1];
        }
    }
    return w;
}

// Threshold reporting on a board that calibrated untouched, then `mode`.
void enterMode(SimRig& rig, int mode)
{
    rig.services.sleepMs(100);
    UpdateRegister(reg::board::BoardControlWord, 0xFFFD, 2, TargetBoard);
    WriteRegister(reg::board::BoardStageSelect, mode, TargetBoard);
}

} // namespace

TEST(FirmwareCapture, SummaryInThresholdReporting)
{
    // Summary of stage 0 in threshold mode: no block while nothing changes,
    // one when the key is touched. (Streamed sets are the queue's tests.)
    SimRig rig(noFinger());
    enterMode(rig, 0x8001);
    rig.services.sleepMs(500);
    EXPECT_NE(boardStatus(), 1);
    rig.board->sensors().setManualTouch(0, true); // "up" on stage 0
    rig.services.sleepMs(400);
    EXPECT_EQ(boardStatus(), 1);
    const auto sum = drainBlocks(9);
    EXPECT_EQ(sum[8] & 1, 1);  // high limit status
    EXPECT_GT(sum[0], sum[3]); // above the high threshold
}

TEST(FirmwareSetup, EasySetupRestoresTheStandardConfiguration)
{
    SimRig rig(noFinger(70));
    WriteRegister(reg::PWR_CONTROL, 0x0400, TargetChip); // software reset
    EXPECT_EQ(ReadRegister(reg::bank2(3, 0)), 0);
    UpdateRegister(reg::board::BoardControlWord, 0xFFFE, 1, TargetBoard);
    EXPECT_EQ(ReadRegister(reg::board::BoardControlWord, TargetBoard) & 1, 0);
    // The standard configuration's words are pinned by the windows and
    // programs that run on it (the converter's, the calibration's).
    // Board 70 has its slider segment 3 on CIN3, stage 3: "+" input.
    EXPECT_EQ(ReadRegister(reg::bank2(3, 0)), 0xFFFF & ~(1 << 6));
}

TEST(FirmwareDemo, ModeEntryQueuesThePresentStateAndUpStepsBack)
{
    // The boards differ in their pads and slider, which the gestures below
    // take on each board.
    for (int mode : {0x0D00, 0x0B00, 0x0A00}) {
        SCOPED_TRACE(mode);
        // Before any conversion: as many idle blocks as a host drops after a start.
        SimRig rig(noFinger(58));
        enterMode(rig, mode);
        EXPECT_GE(rig.board->firmware().blocksWaiting(), FirmwareModel::kEntryBlocks);
        EXPECT_EQ(boardStatus(), 1);
        int32_t ored[2] = {};
        drainBlocks(6, ored);
        if (mode != 0x0B00) // no key, no finger (the gauges show noise)
            EXPECT_EQ(ored[0] | ored[1], 0);
    }
    // "up" steps the list back (the window's tests press "down", once only).
    SimRig rig(noFinger(58));
    enterMode(rig, 0x0D00);
    rig.board->sensors().setManualTouch(*rig.board->sensors().board().target("up"), true);
    rig.services.sleepMs(300);
    int32_t ored[2] = {};
    EXPECT_EQ(drainBlocks(6, ored)[0] & 0x1F, 0x02);
    EXPECT_TRUE(ored[0] & 0x40);
}

TEST(FirmwareDemo, SlidesTapsAndAHeldFingerOnEachBoard)
{
    // Word 1 of every Demo-tab block while the finger does `gesture`, then
    // 400 ms after it lifted. Put down again elsewhere before the flags have
    // cleared, it stays where it lifted.
    enum Gesture { Slide, Tap, Hold, Relift };
    for (int id : {1, 58, 70})
        for (Gesture g : {Slide, Tap, Hold, Relift}) {
            SCOPED_TRACE(testing::Message() << id << " gesture " << g);
            SimRig rig(noFinger(id));
            enterMode(rig, 0x0D00);
            auto& sensors = rig.board->sensors();
            const int seg3 = sensors.board().slider[3];
            int forward = 0, back = 0, taps = 0, lo = 255, hi = 0, last = -1;
            const int duration = g == Slide ? 1500 : g == Tap ? 200 : g == Hold ? 2000 : 1000;
            const int64_t t0 = rig.services.nowMs();
            for (int64_t t = 0; t <= duration + 400; t = rig.services.nowMs() - t0) {
                if (g == Slide)
                    sensors.setManualSlider(t <= duration ? 255.0 * t / duration : -1);
                else if (g == Hold)
                    sensors.setManualSlider(t <= duration ? 128 : -1);
                else if (g == Relift)
                    sensors.setManualSlider(t < 500 ? 64 : t < 530 || t > duration ? -1 : 192);
                else
                    sensors.setManualTouch(seg3, t <= duration);
                rig.services.sleepMs(10);
                int16_t status = boardStatus();
                int32_t w[6] = {};
                while (status == 1) {
                    ReadRegisters(11, 6, TargetBoard, 1, status, w);
                    const int32_t v = w[1];
                    forward += (v & 0x1000) != 0;
                    back += (v & 0x2000) != 0;
                    taps += (v & 0x4000) != 0;
                    if (v & 0x8000) {
                        lo = std::min(lo, v & 0xFF);
                        hi = std::max(hi, v & 0xFF);
                        if (g == Slide)
                            EXPECT_GE(v & 0xFF, last - 2); // forward, through the lift
                        last = v & 0xFF;
                    }
                }
            }
            EXPECT_EQ(back, 0);
            EXPECT_EQ(taps, g == Tap ? 1 : 0);
            if (g == Slide) {
                EXPECT_GE(forward, 12); // 16 positions per item
                EXPECT_GE(last, 240);
            } else {
                EXPECT_EQ(forward, 0);
                EXPECT_LE(hi - lo, 4); // still: within +-2
                EXPECT_NEAR(lo, g == Hold ? 128 : g == Tap ? 109 : 64, 6);
            }
        }
}

TEST(Scenarios, ReplayIsDeterministicForASeed)
{
    auto trace = [](uint64_t seed) {
        SimConfig cfg;
        cfg.seed = seed; // the default scenario runs
        SimRig rig(cfg);
        std::vector<int32_t> out;
        for (int i = 0; i < 200; ++i) {
            int32_t v[12] = {};
            int16_t status = 0;
            ReadRegisters(reg::convResult(0), 12, TargetChip, 0, status, v);
            out.insert(out.end(), v, v + 12);
            rig.services.sleepMs(40);
        }
        return out;
    };
    const auto a = trace(3);
    EXPECT_EQ(a, trace(3));
    EXPECT_NE(a, trace(4));
}
