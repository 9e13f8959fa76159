#include "config/DiagramOps.h"
#include "demo/DemoCommand.h"
#include "demo/DemoDecoders.h"
#include "demo/DemoLoop.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "support/SimRig.h"
#include "support/StubbornBoard.h"

#include <gtest/gtest.h>

using namespace cv;
using namespace cv::test;

namespace {
// "R C 0x17 1 i0" for a read, "W B 0x7 0x6" for a write.
std::string op(const RegisterOp& o)
{
    const char* t = o.target == TargetChip ? "C" : "B";
    char buf[64];
    if (o.write)
        std::snprintf(buf, sizeof buf, "W %s 0x%X 0x%X", t, o.address, o.value);
    else
        std::snprintf(buf, sizeof buf, "R %s 0x%X %d i%d", t, o.address, o.count, o.index);
    return buf;
}
std::vector<std::string> ops(const std::vector<RegisterOp>& v)
{
    std::vector<std::string> s;
    for (const auto& o : v)
        s.push_back(op(o));
    return s;
}

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
    const size_t sleepsBefore = rig.services.sleeps.size();
    ASSERT_EQ(loop.start(DemoTab::Slider, true), DemoLoop::Start::Running);
    EXPECT_EQ(ops(rig.registerOps()),
              (std::vector<std::string>{"R C 0x17 1 i0", "W B 0xA 0xB00", "R B 0xA 1 i0"}));
    EXPECT_GT(rig.services.sleeps.size(), sleepsBefore);

    // Without data the Slider tab probes one word from 0x00B with Index 0
    // and pauses 50 ms; with data it reads fifteen words with Index 1.
    rig.clearRecords();
    DemoLoop::Pass p = loop.pass();
    EXPECT_EQ(p.kind, DemoLoop::Pass::Idle);
    EXPECT_EQ(p.pauseMs, 50);
    EXPECT_EQ(op(rig.registerOps().back()), "R B 0xB 1 i0");
    for (int i = 0; i < 50 && p.kind == DemoLoop::Pass::Idle; ++i) {
        rig.services.sleepMs(p.pauseMs);
        p = loop.pass();
    }
    EXPECT_EQ(op(rig.registerOps().back()), "R B 0xB 15 i1");
    for (const auto& op : rig.registerOps())
        EXPECT_FALSE(op.write); // the loop never writes

    rig.clearRecords();
    loop.stop();
    EXPECT_EQ(loop.pass().kind, DemoLoop::Pass::Ended);
    EXPECT_EQ(ops(rig.registerOps()), std::vector<std::string>{"R C 0x17 1 i0"});
    EXPECT_FALSE(loop.active());
    EXPECT_EQ(loop.pass().kind, DemoLoop::Pass::Ended);
    EXPECT_TRUE(rig.registerOps().size() == 1u); // an ended loop reads nothing more

    // JoyPad: two words from 0x002 and no pause when idle.
    ASSERT_EQ(loop.start(DemoTab::JoyPad, true), DemoLoop::Start::Running);
    rig.clearRecords();
    p = loop.pass();
    EXPECT_EQ(p.pauseMs, 0);
    EXPECT_EQ(op(rig.registerOps().back()), "R B 0x2 2 i0");
}

TEST(DemoLoop, StartupWritesOfEachBoard)
{
    for (int board : {1, 58, 70}) {
        SimRig rig(noFinger(board));
        WriteRegister(reg::board::BoardControlWord, 0x0004, TargetBoard);
        rig.clearRecords();
        DemoStartupWrites(*demoVariantFor(board));
        std::vector<std::string> expected = {"W B 0x7 0x6"};
        if (board == 1) {
            expected.push_back("W B 0xB 0x0");
            expected.push_back("W B 0xC 0x0");
        }
        EXPECT_EQ(ops(rig.writes()), expected) << board;
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
