// The input connection window on the simulated board: loading, the arming
// timer, connection clicks, the offset fields and spin controls, the swap
// boxes and "Get Offset".
#include "DialogProbe.h"
#include "config/DiagramOps.h"
#include "config/StageContext.h"
#include "config/ui/InputMuxFrm.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "widgets/Led.h"

#include <QTimer>

using namespace cv;
using namespace cv::test;

namespace {
constexpr int kStage = 2;

struct WindowRig {
    SimRig rig;
    std::unique_ptr<InputMuxFrm> w;

    // Stage 2 with CIN0 on "+", CIN8 on "-", the rest on bias.
    explicit WindowRig(int32_t afe = 0x0305)
    {
        InitialiseCinInputs();
        WriteRegister(reg::bank2(kStage, 0), 0xFFFE, TargetChip);
        WriteRegister(reg::bank2(kStage, 1), 0x3FF7, TargetChip);
        WriteRegister(reg::bank2(kStage, 2), afe, TargetChip);
        CurrentStage = kStage;
        StageInputSetup = stageInputSetupFor(kStage);
        w = std::make_unique<InputMuxFrm>();
        w->Form_Load();
        rig.clearRecords();
    }
    int32_t chip(int k) const { return rig.board->chip().peek(reg::bank2(kStage, k)); }
    void ready() { w->Timer1_Timer(); }
};
} // namespace

TEST(InputMuxLoad, ShowsTheRegistersBitsStatesAndOffsets)
{
    // CIN0 on "+", CIN8 on "-", the spare pair 13:12 shown as it is; offsets
    // 5 (1.60pF) and 10, the positive one swapped.
    WindowRig t(0x8A05);
    expectShown(*t.w, "config/fixtures/InputMuxFrm.loaded.txt");
    EXPECT_EQ(t.w->Timer1->interval(), 100);
}

TEST(InputMuxConnections, ClicksWriteNothingUntilArmedThenTheWholeWordAndGetOffsetRuns)
{
    WindowRig t;
    InputMuxFrm& w = *t.w;
    w.IpPathChk[4]->setChecked(false); // CIN2 "- input path"
    EXPECT_TRUE(t.rig.writes().empty());
    w.IpPathChk[4]->setChecked(true);

    t.ready();
    EXPECT_FALSE(w.Timer1->isActive());
    w.IpPathChk[4]->setChecked(false); // CIN2 to "+"
    ASSERT_EQ(t.rig.writes().size(), 1u);
    EXPECT_EQ(t.rig.writesTo(reg::bank2(kStage, 0)), std::vector<int>{0xFFEE});
    EXPECT_EQ(w.ValLbl[2]->text(), "+ Input");
    EXPECT_EQ(w.ConnMem0Lbl[4]->text(), "0");

    w.IpPathChk[31]->setChecked(true); // positive offset disable, second register
    EXPECT_EQ(t.chip(1), 0xBFF7);
    EXPECT_EQ(shownValue(w, "Lab2"), 0xBFF7);
    EXPECT_EQ(t.chip(0), 0xFFEE);

    // "Get Offset" on an all-bias stage: offset 0 without a search, the
    // register shown again, the lamp on its timers.
    WriteRegister(reg::bank2(kStage, 0), 0xFFFF, TargetChip);
    WriteRegister(reg::bank2(kStage, 1), 0x3FFF, TargetChip);
    w.CmdCalcOffset_Click();
    EXPECT_EQ(t.chip(2), 0);
    EXPECT_EQ(shownValue(w, "Lab3"), 0);
    EXPECT_TRUE(w.Timer2->isActive());
    w.Timer3_Timer();
    EXPECT_TRUE(w.LoadLed->isOn());
    w.Timer2_Timer();
    EXPECT_FALSE(w.LoadLed->isOn());
    EXPECT_FALSE(w.Timer2->isActive());
}

TEST(InputMuxOffsets, EnterAndSpinStepsValidateAndWriteTheirFieldOnly)
{
    WindowRig t(0xC0C5); // both swap bits, bits 14 and 6 set
    InputMuxFrm& w = *t.w;
    t.ready();
    t.rig.clearRecords();

    w.NegOffTxt->setText(QStringLiteral("63"));
    w.NegOffTxt_KeyPress('6'); // only Enter acts
    EXPECT_TRUE(t.rig.writes().empty());

    // A refused value leaves the register and shows its field again.
    struct Case {
        QLineEdit* field;
        void (InputMuxFrm::*enter)(int);
        const char* text;
        int32_t after;
        const char* shown;
    };
    const Case cases[] = {
        {w.NegOffTxt, &InputMuxFrm::NegOffTxt_KeyPress, "64", 0xC0C5, "5"},
        {w.NegOffTxt, &InputMuxFrm::NegOffTxt_KeyPress, "63", 0xC0BF, "63"}, // bit 7 kept
        {w.PosOffTxt, &InputMuxFrm::PosOffTxt_KeyPress, "12", 0x8CBF, "12"},
        {w.PosOffTxt, &InputMuxFrm::PosOffTxt_KeyPress, "-1", 0x8CBF, "12"},
    };
    for (const auto& c : cases) {
        c.field->setText(QString::fromLatin1(c.text));
        (w.*c.enter)(13);
        EXPECT_EQ(t.chip(2), c.after) << c.text;
        EXPECT_EQ(c.field->text(), c.shown) << c.text;
    }
    EXPECT_EQ(t.rig.services.messages.size(), 2u);
    EXPECT_EQ(t.rig.services.lastMessage(), "Value must be a decimal number under 64");
    EXPECT_EQ(t.rig.services.messages.back().icon, MsgIcon::None);
    EXPECT_EQ(w.NegAfeLbl->text(), "20.16pF");

    // Spin steps: 0x3E00 has 62 on the positive side, 0 on the negative.
    WriteRegister(reg::bank2(kStage, 2), 0x3E00, TargetChip);
    w.Form_Load();
    t.ready();
    w.PosOffUpDown_UpClick();
    EXPECT_EQ(t.chip(2), 0x3F00);
    const size_t writes = t.rig.writes().size();
    w.PosOffUpDown_UpClick(); // 64: past the spin's top, nothing to step
    EXPECT_EQ(t.rig.writes().size(), writes);
    w.NegOffUpDown_DownClick(); // already 0: nothing to step
    EXPECT_EQ(t.rig.writes().size(), writes);
    w.NegOffUpDown_UpClick();
    EXPECT_EQ(t.chip(2), 0x3F01);

    // The swap boxes flip their bit and lines, even before the arming.
    WriteRegister(reg::bank2(kStage, 2), 0x0A05, TargetChip);
    w.Form_Load();
    w.NegDacInChk->setChecked(true);
    EXPECT_EQ(t.chip(2), 0x0A85);
    EXPECT_TRUE(w.NegDacLine2->isVisibleTo(&w));
    EXPECT_FALSE(w.NegDacLine1->isVisibleTo(&w));
    w.PosDacInChk->setChecked(true);
    w.NegDacInChk->setChecked(false);
    EXPECT_EQ(t.chip(2), 0x8A05);
    EXPECT_EQ(shownValue(w, "Lab3"), 0x8A05);
}
