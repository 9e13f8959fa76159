#include "DialogProbe.h"
#include "config/ui/IntStatFrm.h"
#include "config/ui/InterruptFrm.h"

#include <QTimer>

using namespace cv;
using namespace cv::test;

namespace {
struct InterruptDialogs : ::testing::Test {
    SimRig rig;
    sim::ChipModel& chip() { return rig.board->chip(); }
};
} // namespace

TEST_F(InterruptDialogs, OpeningWritesNothingTheFirstOrAnyLaterTime)
{
    for (const auto& [a, v] :
         {std::pair{0x000, 0x08B2}, {0x005, 0xAA05}, {0x006, 0xF0F0}, {0x007, 0xB801}})
        chip().poke(a, v);
    InterruptFrm w;
    w.Form_Load();
    // GPIO low output on negative edges, the stage rows, GPIO interrupt and
    // polarity boxes set.
    expectShown(w, "config/fixtures/InterruptFrm.loaded.txt");
    EXPECT_EQ(w.timer1()->interval(), 200);
    // Until the arming timer has run, the handlers do nothing (the three
    // stage rows share one guard).
    w.LowLimIntChk_Click(3);
    w.GpioSetupCmb_Click();
    w.GpiSetupCmb_Click();
    w.GpiIntChk_Click();
    w.IntPolChk_Click();
    w.Timer1_Timer();
    EXPECT_FALSE(w.timer1()->isActive());
    w.Form_Load(); // the same window loaded again while armed
    EXPECT_TRUE(rig.writes().empty());
}

TEST_F(InterruptDialogs, StageBoxesRewriteBits11To0FromAllTwelveBoxes)
{
    chip().poke(0x005, 0x0001);
    chip().poke(0x006, 0x0000);
    chip().poke(0x007, 0x0000);
    InterruptFrm w;
    loadArmed(rig, w);
    // Another writer sets the GPIO fields and a stage bit after loading.
    chip().poke(0x005, 0xB081);
    child<QCheckBox>(w, "LowLimIntChk_3")->setChecked(true);
    w.LowLimIntChk_Click(3);
    // Bit 7 comes from its (unchecked) box, not from the chip.
    EXPECT_EQ(rig.writesTo(0x005), std::vector<int>{0xB009});
    EXPECT_EQ(shownBits(w, "IntEn1Lbl"), "1011000000001001");

    chip().poke(0x006, 0xF000);
    child<QCheckBox>(w, "HighLimIntChk_11")->setChecked(true);
    w.HighLimIntChk_Click(11);
    EXPECT_EQ(chip().peek(0x006), 0xF800);
    chip().poke(0x007, 0xE000);
    child<QCheckBox>(w, "CompIntChk_0")->setChecked(true);
    w.CompIntChk_Click(0);
    EXPECT_EQ(chip().peek(0x007), 0xE001);
    EXPECT_EQ(shownValue(w, "Lab3"), 0xE001);
}

TEST_F(InterruptDialogs, GpioFieldsIntEnableAndPolarityChangeOnlyTheirBits)
{
    chip().poke(0x000, 0x00B0);
    chip().poke(0x005, 0x4000);
    InterruptFrm w;
    loadArmed(rig, w);
    EXPECT_EQ(child<QComboBox>(w, "GpiSetupCmb")->currentText(), "Positive Edge");
    EXPECT_EQ(child<QComboBox>(w, "GpioSetupCmb")->currentText(), "Disabled");

    chip().poke(0x005, 0x4ABC);
    child<QComboBox>(w, "GpiSetupCmb")->setCurrentIndex(3); // "Positive Level"
    w.GpiSetupCmb_Click();
    EXPECT_EQ(chip().peek(0x005), 0xCABC);
    child<QComboBox>(w, "GpioSetupCmb")->setCurrentIndex(1);
    w.GpioSetupCmb_Click();
    EXPECT_EQ(chip().peek(0x005), 0xDABC);

    chip().poke(0x007, 0xEFFF);
    child<QCheckBox>(w, "GpiIntChk")->setChecked(true);
    w.GpiIntChk_Click();
    EXPECT_EQ(chip().peek(0x007), 0xFFFF);
    chip().poke(0x000, 0xFBF1); // all but the reset bit
    w.IntPolChk_Click();        // still unchecked from loading
    EXPECT_EQ(chip().peek(0x000), 0xF3F1);
    EXPECT_EQ(shownValue(w, "Lab4"), 0xF3F1);
}

TEST_F(InterruptDialogs, StatusViewReadsTheThreeStatusRegistersEveryPoll)
{
    chip().poke(0x000, 0x0001); // shut down: only the poked status changes
    IntStatFrm w;
    w.Form_Load();
    EXPECT_TRUE(w.timer1()->isActive());
    EXPECT_EQ(w.timer1()->interval(), 40);

    // A stage's low limit interrupt fires; the next poll shows it.
    chip().poke(0x008, 0x0008);
    chip().poke(0x00A, 0x1000);
    rig.clearRecords();
    w.Timer1_Timer();
    const auto ops = rig.registerOps();
    ASSERT_EQ(ops.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(ops[i], (RegisterOp{false, TargetChip, 0x008 + i, 1, 0, 0}));
    EXPECT_EQ(shownValue(w, "Lab1"), 0x8);
    EXPECT_EQ(shownText(w, "IntStat3Lbl_12"), "1"); // the GPIO status bit
    EXPECT_EQ(shownValue(w, "Lab2"), 0);

    w.cmdClose_Click();
    EXPECT_FALSE(w.timer1()->isActive());
}
