#include "DialogProbe.h"
#include "config/ui/IntStatFrm.h"
#include "config/ui/InterruptFrm.h"
#include "link/RegMap.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTimer>

using namespace cv;
using namespace cv::test;

namespace {
struct InterruptDialogs : ::testing::Test {
    SimRig rig;
    sim::ChipModel& chip() { return rig.board->chip(); }
    std::array<uint16_t, 4> held()
    {
        return {chip().peek(0x000), chip().peek(0x005), chip().peek(0x006), chip().peek(0x007)};
    }
    void loadArmed(InterruptFrm& w)
    {
        w.Form_Load();
        w.Timer1_Timer();
        rig.clearRecords();
    }
};
} // namespace

TEST_F(InterruptDialogs, OpeningWritesNothingTheFirstOrAnyLaterTime)
{
    chip().poke(0x000, 0x08B2);
    chip().poke(0x005, 0xAA05);
    chip().poke(0x006, 0xF0F0);
    chip().poke(0x007, 0xB801);
    const auto before = held();

    InterruptFrm w;
    w.Form_Load();
    EXPECT_FALSE(w.armed());
    EXPECT_TRUE(w.timer1()->isActive());
    EXPECT_EQ(w.timer1()->interval(), 200);
    w.Timer1_Timer();
    EXPECT_TRUE(w.armed());
    EXPECT_FALSE(w.timer1()->isActive());
    // The same window loaded again while armed.
    w.Form_Load();
    EXPECT_TRUE(rig.writes().empty());
    EXPECT_EQ(held(), before);

    EXPECT_EQ(child<QComboBox>(w, "GpioSetupCmb")->currentText(), "GPIO LOW Output");
    EXPECT_EQ(child<QComboBox>(w, "GpiSetupCmb")->currentText(), "Negative Edge");
    EXPECT_TRUE(child<QCheckBox>(w, "LowLimIntChk_0")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(w, "LowLimIntChk_2")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(w, "LowLimIntChk_1")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(w, "HighLimIntChk_4")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(w, "HighLimIntChk_3")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(w, "CompIntChk_11")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(w, "GpiIntChk")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(w, "IntPolChk")->isChecked());
    EXPECT_EQ(shownText(w, "Lab1"), "0xAA05");
    EXPECT_EQ(shownText(w, "Lab2"), "0xF0F0");
    EXPECT_EQ(shownText(w, "Lab3"), "0xB801");
    EXPECT_EQ(shownText(w, "Lab4"), "0x8B2");
    EXPECT_EQ(w.windowTitle(), "Interrupt Configuration Registers");
}

TEST_F(InterruptDialogs, HandlersDoNothingUntilArmed)
{
    InterruptFrm w;
    w.Form_Load();
    rig.clearRecords();
    child<QCheckBox>(w, "LowLimIntChk_3")->setChecked(true);
    w.LowLimIntChk_Click(3);
    w.HighLimIntChk_Click(0);
    w.CompIntChk_Click(0);
    w.GpioSetupCmb_Click();
    w.GpiSetupCmb_Click();
    w.GpiIntChk_Click();
    w.IntPolChk_Click();
    EXPECT_TRUE(rig.registerOps().empty());
}

TEST_F(InterruptDialogs, StageBoxesRewriteBits11To0FromAllTwelveBoxes)
{
    chip().poke(0x005, 0x0001);
    chip().poke(0x006, 0x0000);
    chip().poke(0x007, 0x0000);
    InterruptFrm w;
    loadArmed(w);
    // Another writer sets the GPIO fields and a stage bit after loading.
    chip().poke(0x005, 0xB081);
    child<QCheckBox>(w, "LowLimIntChk_3")->setChecked(true);
    w.LowLimIntChk_Click(3);
    // Bit 7 comes from its (unchecked) box, not from the chip.
    EXPECT_EQ(chipWritesTo(rig, 0x005), std::vector<int>{0xB009});
    EXPECT_EQ(shownBits(w, "IntEn1Lbl"), "1011000000001001");

    chip().poke(0x006, 0xF000);
    child<QCheckBox>(w, "HighLimIntChk_11")->setChecked(true);
    w.HighLimIntChk_Click(11);
    EXPECT_EQ(chip().peek(0x006), 0xF800);
    chip().poke(0x007, 0xE000);
    child<QCheckBox>(w, "CompIntChk_0")->setChecked(true);
    w.CompIntChk_Click(0);
    EXPECT_EQ(chip().peek(0x007), 0xE001);
    EXPECT_EQ(shownText(w, "Lab3"), "0xE001");
}

TEST_F(InterruptDialogs, GpioFieldsIntEnableAndPolarityChangeOnlyTheirBits)
{
    chip().poke(0x000, 0x00B0);
    chip().poke(0x005, 0x4000);
    InterruptFrm w;
    loadArmed(w);
    auto* gpi = child<QComboBox>(w, "GpiSetupCmb");
    EXPECT_EQ(gpi->currentText(), "Positive Edge");
    EXPECT_EQ(child<QComboBox>(w, "GpioSetupCmb")->currentText(), "Disabled");

    chip().poke(0x005, 0x4ABC);
    gpi->setCurrentIndex(3); // "Positive Level"
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
    EXPECT_EQ(shownText(w, "Lab4"), "0xF3F1");
}

TEST_F(InterruptDialogs, StatusViewReadsTheThreeStatusRegistersEveryPoll)
{
    chip().poke(0x000, 0x0001); // shut down: only the poked status changes
    IntStatFrm w;
    w.Form_Load();
    EXPECT_EQ(w.windowTitle(), " CDC Status");
    EXPECT_TRUE(w.timer1()->isActive());
    EXPECT_EQ(w.timer1()->interval(), 40);
    EXPECT_EQ(shownText(w, "IntStat1Title"), "Stage Low Limit Interrupt 0x08 ");

    // A stage's low limit interrupt fires; the next poll shows it.
    chip().poke(0x008, 0x0008);
    chip().poke(0x00A, 0x1000);
    rig.clearRecords();
    w.Timer1_Timer();
    const auto ops = rig.registerOps();
    ASSERT_EQ(ops.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(ops[i].write);
        EXPECT_EQ(ops[i].address, 0x008 + i);
        EXPECT_EQ(ops[i].count, 1);
    }
    EXPECT_EQ(shownText(w, "IntStat1Lbl_3"), "1");
    EXPECT_EQ(shownBits(w, "IntStat1Lbl"), "0000000000001000");
    EXPECT_EQ(shownText(w, "Lab1"), "0x8");
    EXPECT_EQ(shownText(w, "IntStat3Lbl_12"), "1"); // the GPIO status bit
    EXPECT_EQ(shownText(w, "Lab2"), "0x0");

    w.cmdClose_Click();
    EXPECT_FALSE(w.timer1()->isActive());
}

TEST(IntStatTouch, ATouchedKeyShowsItsBitWithinOnePoll)
{
    sim::SimConfig quiet;
    quiet.scenario = QStringLiteral("none");
    SimRig rig(quiet);
    IntStatFrm w;
    w.Form_Load();
    auto poll = [&] {
        rig.services.virtualClock().advanceMs(40);
        w.Timer1_Timer();
    };
    for (int i = 0; i < 25; ++i)
        poll();
    ASSERT_EQ(shownText(w, "IntStat2Lbl_0"), "0");

    // A finger on the key of stage 0: once the chip flags it, the next
    // poll shows it.
    rig.board->sensors().setManualTouch(0, true);
    bool shown = false;
    for (int i = 0; i < 25 && !shown; ++i) {
        rig.services.virtualClock().advanceMs(40);
        rig.board->chip().catchUp();
        const bool flagged = rig.board->chip().peek(0x009) & 1;
        w.Timer1_Timer();
        if (flagged) {
            EXPECT_EQ(shownText(w, "IntStat2Lbl_0"), "1");
            shown = true;
        }
    }
    EXPECT_TRUE(shown) << "no high limit interrupt within a second of the touch";
    EXPECT_EQ(shownText(w, "Lab2"), "0x1");

    rig.board->sensors().setManualTouch(0, false);
    for (int i = 0; i < 25; ++i)
        poll();
    EXPECT_EQ(shownText(w, "IntStat2Lbl_0"), "0");
}
