// The register dialogs: interrupt enables and status, power control and the
// excitation source.
#include "DialogProbe.h"
#include "config/ui/ExcitSourceFrm.h"
#include "config/ui/IntStatFrm.h"
#include "config/ui/InterruptFrm.h"
#include "config/ui/PowControlFrm.h"
#include "link/RegMap.h"

#include <QTimer>

using namespace cv;
using namespace cv::test;

namespace {
struct RegisterDialogs : ::testing::Test {
    SimRig rig;
    sim::ChipModel& chip() { return rig.board->chip(); }
    void setPwr(uint16_t v) { chip().poke(reg::PWR_CONTROL, v); }
};
} // namespace

TEST_F(RegisterDialogs, OpeningWritesNothingTheFirstOrAnyLaterTime)
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

TEST_F(RegisterDialogs, InterruptBoxesAndListsChangeOnlyTheirBits)
{
    chip().poke(0x000, 0x00B0);
    chip().poke(0x005, 0x0001);
    chip().poke(0x006, 0x0000);
    chip().poke(0x007, 0x0000);
    InterruptFrm w;
    loadArmed(rig, w);
    // Another writer sets the GPIO fields and a stage bit after loading.
    chip().poke(0x005, 0xB081);
    child<QCheckBox>(w, "LowLimIntChk_3")->setChecked(true);
    w.LowLimIntChk_Click(3);
    // Stage bits 11..0 from all twelve boxes: bit 7 from its (unchecked) box,
    // not from the chip.
    EXPECT_EQ(rig.writesTo(0x005), std::vector<int>{0xB009});
    EXPECT_EQ(shownValue(w, "Lab1"), 0xB009);

    chip().poke(0x006, 0xF000);
    child<QCheckBox>(w, "HighLimIntChk_11")->setChecked(true);
    w.HighLimIntChk_Click(11);
    EXPECT_EQ(chip().peek(0x006), 0xF800);
    chip().poke(0x007, 0xE000);
    child<QCheckBox>(w, "CompIntChk_0")->setChecked(true);
    w.CompIntChk_Click(0);
    EXPECT_EQ(chip().peek(0x007), 0xE001);
    EXPECT_EQ(shownValue(w, "Lab3"), 0xE001);

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

TEST_F(RegisterDialogs, StatusViewReadsTheThreeStatusRegistersEveryPoll)
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
    EXPECT_EQ(rig.reads(), (std::vector<std::pair<int, int>>{{0x008, 1}, {0x009, 1}, {0x00A, 1}}));
    EXPECT_EQ(shownValue(w, "Lab1"), 0x8);
    EXPECT_EQ(shownText(w, "IntStat3Lbl_12"), "1"); // the GPIO status bit
    EXPECT_EQ(shownValue(w, "Lab2"), 0);

    w.cmdClose_Click();
    EXPECT_FALSE(w.timer1()->isActive());
}

TEST_F(RegisterDialogs, PowerControlAndExcitationKeepEveryOtherBitAndShowTheReset)
{
    setPwr(0x000B); // delay 2, power mode 3 (the second "Shutdown Mode")
    PowControlFrm w;
    w.Form_Load();
    EXPECT_TRUE(rig.writes().empty());
    auto* mode = child<QComboBox>(w, "PowModeCmb");
    auto* delay = child<QComboBox>(w, "ConvStartCmb");
    EXPECT_EQ(mode->currentIndex(), 3);
    EXPECT_EQ(delay->currentIndex(), 2);
    EXPECT_EQ(shownValue(w, "Lab1"), 0xB);

    // Another writer changes the register after the dialog has read it.
    setPwr(0xCBF1);
    rig.clearRecords();
    delay->setCurrentIndex(3);
    w.ConvStartCmb_Click();
    EXPECT_EQ(rig.writesTo(reg::PWR_CONTROL), std::vector<int>{0xCBFD});
    // Index 3 is the second shutdown entry and writes 3, not 1.
    setPwr(0x2AA0);
    rig.clearRecords();
    mode->setCurrentIndex(3);
    w.PowModeCmb_Click();
    EXPECT_EQ(rig.writesTo(reg::PWR_CONTROL), std::vector<int>{0x2AA3});
    EXPECT_EQ(shownValue(w, "Lab1"), 0x2AA3);

    // Software reset: the bit shows, then the message, then the timer shows
    // the chip's reset state once.
    rig.clearRecords();
    bool bitShownAtMessage = false;
    std::vector<int> writesAtMessage;
    rig.services.onMessage = [&](const RecordedMessage&) {
        bitShownAtMessage = shownText(w, "PowContRegLbl_10") == "1";
        writesAtMessage = rig.writesTo(reg::PWR_CONTROL);
    };
    w.CmdSWReset_Click();
    ASSERT_EQ(rig.services.messages.size(), 1u);
    const auto& m = rig.services.messages[0];
    EXPECT_EQ(m.text, "SW_RESET resets all Registers to Default Values. Run Easy Setup to "
                      "Configure part");
    EXPECT_EQ(m.icon, MsgIcon::Exclamation);
    EXPECT_EQ(m.title, kAppTitle);
    EXPECT_TRUE(bitShownAtMessage);
    EXPECT_EQ(writesAtMessage, std::vector<int>{0x2EA3});
    EXPECT_EQ(w.timer1()->interval(), 250);

    setPwr(0x0002);
    w.Timer1_Timer();
    EXPECT_FALSE(w.timer1()->isActive());
    EXPECT_EQ(shownValue(w, "Lab1"), 0x0002);
    EXPECT_EQ(mode->currentIndex(), 2);
    EXPECT_EQ(delay->currentIndex(), 0);

    // The excitation source's boxes, on the same register; the captions they
    // hand on are checked on the open block diagram.
    setPwr(0x3000);
    rig.clearRecords();
    ExcitSourceFrm x;
    x.Form_Load();
    EXPECT_TRUE(rig.writes().empty());
    auto* src = child<QCheckBox>(x, "SrcDisChk");
    auto* floating = child<QCheckBox>(x, "FloatModeChk");
    EXPECT_TRUE(src->isChecked());
    EXPECT_TRUE(floating->isChecked());

    setPwr(0x384F);
    rig.clearRecords();
    floating->setChecked(false);
    x.FloatModeChk_Click();
    src->setChecked(false);
    x.SrcDisChk_Click();
    EXPECT_EQ(rig.writesTo(reg::PWR_CONTROL), (std::vector<int>{0x184F, 0x084F}));
    EXPECT_EQ(shownValue(x, "Lab1"), 0x084F);
}
