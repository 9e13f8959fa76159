#include "DialogProbe.h"
#include "config/ui/ExcitSourceFrm.h"
#include "config/ui/PowControlFrm.h"
#include "link/RegMap.h"

#include <QTimer>

using namespace cv;
using namespace cv::test;

namespace {
struct PowerDialogs : ::testing::Test {
    SimRig rig;
    void setPwr(uint16_t v) { rig.board->chip().poke(reg::PWR_CONTROL, v); }
};
} // namespace

TEST_F(PowerDialogs, PowControlKeepsEveryOtherBitAndShowsTheResetOnItsTimer)
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
    EXPECT_EQ(shownBits(w, "PowContRegLbl"), "0000000000000010");
    EXPECT_EQ(mode->currentIndex(), 2);
    EXPECT_EQ(delay->currentIndex(), 0);
}

// The captions it hands on are checked on the open block diagram.
TEST_F(PowerDialogs, ExcitationSourceBoxesKeepEveryOtherBit)
{
    setPwr(0x3000);
    ExcitSourceFrm w;
    w.Form_Load();
    EXPECT_TRUE(rig.writes().empty());
    auto* src = child<QCheckBox>(w, "SrcDisChk");
    auto* floating = child<QCheckBox>(w, "FloatModeChk");
    EXPECT_TRUE(src->isChecked());
    EXPECT_TRUE(floating->isChecked());

    setPwr(0x384F);
    rig.clearRecords();
    floating->setChecked(false);
    w.FloatModeChk_Click();
    src->setChecked(false);
    w.SrcDisChk_Click();
    EXPECT_EQ(rig.writesTo(reg::PWR_CONTROL), (std::vector<int>{0x184F, 0x084F}));
    EXPECT_EQ(shownValue(w, "Lab1"), 0x084F);
}
