#include "config/DiagramOps.h"
#include "demo/DemoCommand.h"
#include "demo/DemoLoop.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "support/SimRig.h"
#include "support/StubbornBoard.h"

#include <gtest/gtest.h>

using namespace cv;
using namespace cv::test;

namespace {
// A read of `count` words, and a write (its request's index is its length).
RegisterOp rd(int16_t target, int address, int count, uint16_t index = 0)
{
    return {false, target, address, count, 0, index};
}
RegisterOp wr(int address, int value)
{
    return {true, TargetBoard, address, 0, value, 64};
}
using Ops = std::vector<RegisterOp>;

// Passes until the first shown block; the number of blocks dropped before it.
int droppedBeforeFirstShown(SimRig& rig, DemoLoop& loop)
{
    int dropped = 0;
    for (int i = 0; i < 2000; ++i) {
        const DemoLoop::Pass p = loop.pass();
        if (p.kind == DemoLoop::Pass::Shown)
            return dropped;
        if (p.kind == DemoLoop::Pass::Settling)
            ++dropped;
        rig.services.sleepMs(p.pauseMs);
    }
    ADD_FAILURE() << "no block shown";
    return -1;
}
} // namespace

TEST(DemoLoop, SettlingDropsTheFirstBlocksPerBoardAndTab)
{
    struct Case {
        int board;
        DemoTab tab;
        int dropped;
    };
    const Case cases[] = {
        {58, DemoTab::Demo, 2}, {58, DemoTab::Slider, 1}, {58, DemoTab::JoyPad, 3},
        {70, DemoTab::Demo, 2}, {70, DemoTab::Slider, 1}, {70, DemoTab::JoyPad, 3},
        {1, DemoTab::Demo, 1},  {1, DemoTab::Slider, 1},  {1, DemoTab::JoyPad, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.board << " tab " << int(c.tab));
        SimRig rig(noFinger(c.board));
        // Continuous reporting: a block for every conversion sequence.
        WriteRegister(reg::board::BoardControlWord, 0, TargetBoard);
        const DemoVariant* v = demoVariantFor(c.board);
        DemoLoop loop(*v);
        ASSERT_EQ(loop.start(c.tab, true), DemoLoop::Start::Running);
        EXPECT_EQ(droppedBeforeFirstShown(rig, loop), c.dropped);
        // The counter stops at its ceiling and every later block is shown.
        for (int i = 0; i < 10; ++i) {
            const DemoLoop::Pass p = loop.pass();
            EXPECT_NE(p.kind, DemoLoop::Pass::Settling);
            rig.services.sleepMs(p.pauseMs);
        }
        const int slot = c.tab == DemoTab::Demo ? 0 : c.tab == DemoTab::Slider ? 1 : 2;
        EXPECT_EQ(loop.blockCounter(), v->ceiling[slot]);
    }
}

TEST(DemoLoop, TrafficOfAStartTheTurnsAndTheEnd)
{
    SimRig rig(noFinger(58));
    WriteRegister(reg::board::BoardControlWord, 0, TargetBoard);
    rig.clearRecords();
    DemoLoop loop(*demoVariantFor(58));
    rig.services.sleeps.clear();
    ASSERT_EQ(loop.start(DemoTab::Slider, true), DemoLoop::Start::Running);
    EXPECT_EQ(rig.registerOps(),
              (Ops{rd(TargetChip, 0x017, 1), wr(0x00A, 0x0B00), rd(TargetBoard, 0x00A, 1)}));
    // Each read's own wait, the pause after the 0x017 read, the handshake's.
    EXPECT_EQ(rig.services.sleeps, (std::vector<int>{5, 50, 50, 5}));

    // Without data the Slider tab probes one word from 0x00B with Index 0
    // and pauses 50 ms; with data it reads fifteen words with Index 1.
    rig.clearRecords();
    DemoLoop::Pass p = loop.pass();
    EXPECT_EQ(p.kind, DemoLoop::Pass::Idle);
    EXPECT_EQ(p.pauseMs, 50);
    EXPECT_EQ(rig.registerOps().back(), rd(TargetBoard, 0x00B, 1));
    for (int i = 0; i < 50 && p.kind == DemoLoop::Pass::Idle; ++i) {
        rig.services.sleepMs(p.pauseMs);
        p = loop.pass();
    }
    EXPECT_EQ(rig.registerOps().back(), rd(TargetBoard, 0x00B, 15, 1));
    for (const auto& op : rig.registerOps())
        EXPECT_FALSE(op.write); // the loop never writes

    rig.clearRecords();
    loop.stop();
    EXPECT_EQ(loop.pass().kind, DemoLoop::Pass::Ended);
    EXPECT_EQ(rig.registerOps(), Ops{rd(TargetChip, 0x017, 1)});
    EXPECT_FALSE(loop.active());

    // JoyPad: two words from 0x002 and no pause when idle.
    ASSERT_EQ(loop.start(DemoTab::JoyPad, true), DemoLoop::Start::Running);
    rig.clearRecords();
    p = loop.pass();
    EXPECT_EQ(p.pauseMs, 0);
    EXPECT_EQ(rig.registerOps().back(), rd(TargetBoard, 0x002, 2));
}

TEST(DemoLoop, StartupWritesOfEachBoard)
{
    for (int board : {1, 58, 70}) {
        SimRig rig(noFinger(board));
        WriteRegister(reg::board::BoardControlWord, 0x0004, TargetBoard);
        rig.clearRecords();
        DemoStartupWrites(*demoVariantFor(board));
        Ops expected = {wr(0x007, 0x0006)};
        if (board == 1)
            expected.insert(expected.end(), {wr(0x00B, 0), wr(0x00C, 0)});
        EXPECT_EQ(rig.writes(), expected) << board;
        // Already in threshold mode: the control word stays as it is.
        rig.clearRecords();
        DemoStartupWrites(*demoVariantFor(board));
        EXPECT_EQ(rig.writes().size(), board == 1 ? 2u : 0u);
    }
}

TEST(DemoLoop, AHandshakeWithoutAnswerGivesUp)
{
    SimRig rig(noFinger(58));
    StubbornBoard stubborn(rig);
    attachLink(&stubborn, sim::SimBoard::kHandle);
    DemoLoop loop(*demoVariantFor(58));
    // The bounded wait itself is the handshake's own test.
    EXPECT_EQ(loop.start(DemoTab::Demo, true), DemoLoop::Start::NoHandshake);
    ASSERT_EQ(rig.services.messages.size(), 1u);
    EXPECT_EQ(rig.services.messages[0].text, stageSelectTimeoutMessage(0x0D00));
    EXPECT_FALSE(loop.active());
    EXPECT_EQ(loop.pass().kind, DemoLoop::Pass::Ended);
}
