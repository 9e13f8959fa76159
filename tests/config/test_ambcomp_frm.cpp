#include "DialogProbe.h"
#include "config/ui/AmbCompFrm.h"
#include "link/RegMap.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

using namespace cv;
using namespace cv::test;

namespace {
struct AmbComp : ::testing::Test {
    SimRig rig;
    sim::ChipModel& chip() { return rig.board->chip(); }
    QString text(const AmbCompFrm& w, const char* name)
    {
        return child<QLineEdit>(w, QString::fromLatin1(name))->text();
    }
    void loadReady(AmbCompFrm& w)
    {
        w.Form_Load();
        w.Timer1_Timer();
        rig.clearRecords();
    }
};
} // namespace

TEST_F(AmbComp, LoadingShowsEveryFieldAndWritesNothing)
{
    chip().poke(0x000, 0x00B0); // twelve stages
    chip().poke(0x001, 0x6805); // LP skip 1, FP skip 2, stages 0, 2 and 11
    chip().poke(0x002, 0x25A3); // timeout 2, LP count 5, FP count 10, skip 3
    chip().poke(0x003, 0xC5FE); // slow FIFO 3, rate 5, level 254
    chip().poke(0x004, 0xFFFF); // LP recal 63, FP recal 1023
    AmbCompFrm w;
    w.Form_Load();
    EXPECT_TRUE(rig.writes().empty());
    EXPECT_FALSE(w.readyFlag());
    EXPECT_TRUE(w.timer1()->isActive());
    EXPECT_EQ(w.timer1()->interval(), 250);
    EXPECT_EQ(w.windowTitle(), "Ambient Compensation");

    // One read of registers 1 to 4 first.
    const auto ops = rig.registerOps();
    ASSERT_FALSE(ops.empty());
    EXPECT_EQ(ops[0].address, 0x001);
    EXPECT_EQ(ops[0].count, 4);

    EXPECT_TRUE(child<QCheckBox>(w, "RRDataPathChk_0")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(w, "RRDataPathChk_1")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(w, "RRDataPathChk_11")->isChecked());
    EXPECT_EQ(child<QCheckBox>(w, "RRDataPathChk_11")->text(), "STAGE11_CAL_EN");
    EXPECT_EQ(child<QComboBox>(w, "FullPowSkipCmb")->currentText(), "15");
    EXPECT_EQ(child<QComboBox>(w, "LowPowSkipCmb")->currentText(), "1");
    EXPECT_EQ(child<QComboBox>(w, "SkipCtrlCmb")->currentText(), " 3");
    EXPECT_EQ(child<QComboBox>(w, "SkipCtrlCmb")->count(), 16);
    EXPECT_EQ(child<QComboBox>(w, "FullProxTimeCmb")->currentText(), " 10");
    EXPECT_EQ(child<QComboBox>(w, "LowProxTimeCmb")->currentText(), " 5");
    EXPECT_EQ(child<QComboBox>(w, "PowDownCmb")->currentText(), "1.75");
    EXPECT_EQ(child<QComboBox>(w, "SlowFifoCmb")->currentText(), " 3");
    EXPECT_EQ(child<QComboBox>(w, "SlowFifoCmb")->count(), 4);
    EXPECT_EQ(text(w, "FastRateTxt"), "254");
    EXPECT_EQ(text(w, "FiltCompTxt"), "5");
    EXPECT_EQ(text(w, "FullPowCtrlTxt"), "1023");
    EXPECT_EQ(text(w, "LowPowCtrlTxt"), "63");
    EXPECT_EQ(shownText(w, "Lab1"), "0x6805");
    EXPECT_EQ(shownBits(w, "ContrReg1Lbl"), "0010010110100011");
    EXPECT_EQ(shownText(w, "Lab4"), "0xFFFF");
    // Sequence 36.864 ms, four fast periods with FF_SKIP_CNT 3.
    EXPECT_EQ(text(w, "NMFastUpTxt"), "147.46ms");
    EXPECT_EQ(text(w, "NMSlowUpTxt"), "2211.84ms");
    EXPECT_EQ(child<QLineEdit>(w, "FastRateTxt")->toolTip(), "Type Number. Then Press \"Enter\"");
}

TEST_F(AmbComp, NothingIsWrittenBeforeTheLoadingPhaseEnds)
{
    chip().poke(0x002, 0x0123);
    AmbCompFrm w;
    w.Form_Load();
    rig.clearRecords();
    child<QComboBox>(w, "SkipCtrlCmb")->setCurrentIndex(4);
    w.SkipCtrlCmb_Click();
    w.RRDataPathChk_Click(0);
    child<QLineEdit>(w, "FastRateTxt")->setText("7");
    w.FastRateTxt_KeyPress(13);
    EXPECT_TRUE(rig.registerOps().empty());
    // The command buttons act at once; only their refresh waits for the arming.
    w.CmdForceCal_Click();
    EXPECT_EQ(chipWritesTo(rig, 0x002), std::vector<int>{0x4123});
    EXPECT_FALSE(w.timer2()->isActive());
}

TEST_F(AmbComp, ListsAndStageBoxesKeepTheOtherBitsAsTheChipHoldsThem)
{
    AmbCompFrm w;
    loadReady(w);

    struct Case {
        const char* list;
        void (AmbCompFrm::*click)();
        int address, before, index, after;
    };
    const Case cases[] = {
        {"FullPowSkipCmb", &AmbCompFrm::FullPowSkipCmb_Click, 0x001, 0xCFFF, 3, 0xFFFF},
        {"LowPowSkipCmb", &AmbCompFrm::LowPowSkipCmb_Click, 0x001, 0x0123, 2, 0x8123},
        {"SkipCtrlCmb", &AmbCompFrm::SkipCtrlCmb_Click, 0x002, 0xFFF0, 9, 0xFFF9},
        {"FullProxTimeCmb", &AmbCompFrm::FullProxTimeCmb_Click, 0x002, 0xFFFF, 0, 0xFF0F},
        {"LowProxTimeCmb", &AmbCompFrm::LowProxTimeCmb_Click, 0x002, 0xC00F, 15, 0xCF0F},
        {"PowDownCmb", &AmbCompFrm::PowDownCmb_Click, 0x002, 0xCFFF, 2, 0xEFFF},
        {"SlowFifoCmb", &AmbCompFrm::SlowFifoCmb_Click, 0x003, 0x3FFF, 1, 0x7FFF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.list);
        chip().poke(c.address, c.before); // another writer, after loading
        rig.clearRecords();
        child<QComboBox>(w, c.list)->setCurrentIndex(c.index);
        (w.*c.click)();
        EXPECT_EQ(chipWritesTo(rig, c.address), std::vector<int>{c.after});
        // Register display and timings follow: one read of registers 0..4.
        const auto ops = rig.registerOps();
        EXPECT_EQ(ops.back().address, 0x000);
        EXPECT_EQ(ops.back().count, 5);
    }
    EXPECT_EQ(shownText(w, "Lab3"), "0x7FFF");

    chip().poke(0x001, 0xB0F0);
    rig.clearRecords();
    for (int i = 0; i < 12; ++i)
        child<QCheckBox>(w, QStringLiteral("RRDataPathChk_%1").arg(i))->setChecked(i == 1);
    w.RRDataPathChk_Click(1);
    // Bits 11..0 from the boxes, bits 15..12 as read.
    EXPECT_EQ(chipWritesTo(rig, 0x001), std::vector<int>{0xB002});
    EXPECT_EQ(shownText(w, "Lab1"), "0xB002");
}

TEST_F(AmbComp, NumberFieldsAcceptTheirRangeAndRejectWithTheirMessage)
{
    chip().poke(0x004, 0xFC05);
    AmbCompFrm w;
    loadReady(w);

    auto* full = child<QLineEdit>(w, "FullPowCtrlTxt");
    full->setText("1024");
    w.FullPowCtrlTxt_KeyPress(65); // only Enter acts
    EXPECT_TRUE(rig.registerOps().empty());
    w.FullPowCtrlTxt_KeyPress(13);
    ASSERT_EQ(rig.services.messages.size(), 1u);
    EXPECT_EQ(rig.services.lastMessage(), "Value must be a decimal number under 1024");
    EXPECT_EQ(rig.services.messages[0].title, "Input Error");
    EXPECT_EQ(rig.services.messages[0].icon, MsgIcon::Exclamation);
    // Written back unchanged; the field returns to the register's bits 9..0.
    EXPECT_EQ(chipWritesTo(rig, 0x004), std::vector<int>{0xFC05});
    EXPECT_EQ(full->text(), "5");

    rig.clearRecords();
    full->setText(" 700.5");
    w.FullPowCtrlTxt_KeyPress(13);
    EXPECT_EQ(chipWritesTo(rig, 0x004), std::vector<int>{0xFEBC}); // 700 in bits 9..0
    EXPECT_EQ(full->text(), "700");
    EXPECT_EQ(shownText(w, "Lab4"), "0xFEBC");

    // 255 is accepted although the message says "under 255".
    chip().poke(0x003, 0xC000);
    auto* rate = child<QLineEdit>(w, "FastRateTxt");
    rate->setText("255");
    w.FastRateTxt_KeyPress(13);
    EXPECT_EQ(chip().peek(0x003), 0xC0FF);
    rate->setText("256");
    w.FastRateTxt_KeyPress(13);
    EXPECT_EQ(rig.services.lastMessage(), "Value must be a decimal number under 255");
    EXPECT_EQ(rig.services.messages.back().title, kAppTitle);
    EXPECT_EQ(rig.services.messages.back().icon, MsgIcon::None);
    EXPECT_EQ(rate->text(), "255");

    auto* filt = child<QLineEdit>(w, "FiltCompTxt");
    filt->setText("63");
    w.FiltCompTxt_KeyPress(13);
    EXPECT_EQ(chip().peek(0x003), 0xFFFF);
    auto* low = child<QLineEdit>(w, "LowPowCtrlTxt");
    low->setText("64");
    w.LowPowCtrlTxt_KeyPress(13);
    EXPECT_EQ(rig.services.lastMessage(), "Value must be a decimal number under 64");
    EXPECT_EQ(low->text(), "63");
    low->setText("0");
    w.LowPowCtrlTxt_KeyPress(13);
    EXPECT_EQ(chip().peek(0x004), 0x02BC);
}

TEST_F(AmbComp, CommandBitsShowAtOnceAndTheChipsAnswerAfterTheirTimer)
{
    chip().poke(0x002, 0x0123);
    AmbCompFrm w;
    loadReady(w);

    w.CmdForceCal_Click();
    EXPECT_EQ(shownText(w, "ContrReg1Lbl_14"), "1");
    EXPECT_EQ(chipWritesTo(rig, 0x002), std::vector<int>{0x4123});
    EXPECT_TRUE(w.timer2()->isActive());
    EXPECT_EQ(w.timer2()->interval(), 500);
    // The chip clears the bit once the calibration has run.
    rig.services.virtualClock().advanceMs(500);
    w.Timer2_Timer();
    EXPECT_EQ(shownText(w, "ContrReg1Lbl_14"), "0");
    EXPECT_EQ(shownText(w, "Lab2"), "0x123");
    EXPECT_FALSE(w.timer2()->isActive());

    rig.clearRecords();
    w.CmdResetConv_Click();
    EXPECT_EQ(shownText(w, "ContrReg1Lbl_15"), "1");
    EXPECT_EQ(chipWritesTo(rig, 0x002), std::vector<int>{0x8123});
    rig.services.virtualClock().advanceMs(500);
    w.Timer2_Timer();
    EXPECT_EQ(shownText(w, "ContrReg1Lbl_15"), "0");
}

TEST_F(AmbComp, EnterInANumberFieldPressesNoButton)
{
    chip().poke(0x002, 0x0000);
    AmbCompFrm w;
    w.show();
    loadReady(w);
    auto* rate = child<QLineEdit>(w, "FastRateTxt");
    rate->setFocus();
    rate->setText("42");
    QTest::keyClick(rate, Qt::Key_Return);
    EXPECT_EQ(chip().peek(0x003) & 0xFF, 42);
    EXPECT_TRUE(chipWritesTo(rig, 0x002).empty()); // no FORCE_CAL, no CONV_RESET
    EXPECT_TRUE(w.isVisible());
}
