// The block diagram on the simulated board: loading by the host interface the
// board reports, its commands, and the stage context its buttons hand on.
#include "config/DiagramOps.h"
#include "config/StageContext.h"
#include "config/ui/DiagramFrm.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "shell/ui/CV5320TopLevelFrm.h"
#include "support/ForwardingAccess.h"
#include "support/StubbornBoard.h"
#include "support/SimRig.h"
#include "widgets/Led.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace cv;
using namespace cv::test;

namespace {
sim::SimConfig withInterface(uint16_t word)
{
    sim::SimConfig c;
    c.interfaceWord = word;
    return c;
}

QStringList interfacePins(const DiagramFrm& w)
{
    QStringList t;
    for (int i = 17; i <= 22; ++i)
        t << w.CinLbl[i]->text();
    return t;
}

std::vector<RegisterOp> boardWrites(const SimRig& rig, int address)
{
    std::vector<RegisterOp> out;
    for (const auto& op : rig.writes())
        if (op.target == TargetBoard && op.address == address)
            out.push_back(op);
    return out;
}

} // namespace

TEST(DiagramLoad, SpiShowsTheSpiFrameAndItsPins)
{
    SimRig rig(withInterface(0));
    DiagramFrm w;
    CurrentStage = 7;
    w.Form_Load();
    EXPECT_EQ(CurrentStage, 0);
    EXPECT_FALSE(w.SpiFrm->isHidden());
    EXPECT_TRUE(w.I2cFrm->isHidden());
    EXPECT_EQ(interfacePins(w), QStringList({"GPIO - 18", "INTB - 17", "CSB - 16", "SCLK - 15",
                                             "SDI - 14", "SD0 - 13"}));
    EXPECT_EQ(w.AddressCmb->count(), 4);
    EXPECT_EQ(w.AddressCmb->currentText(), "2C");
    EXPECT_EQ(w.Add0Txt->text(), "LO");
    EXPECT_EQ(w.Add1Txt->text(), "LO");
    EXPECT_EQ(w.CinLbl[14]->text(), "ACSHIELD - 8");
    EXPECT_EQ(w.CinLbl[0]->text(), "CIN0- 19");
    EXPECT_EQ(w.CinLbl[13]->text(), "BIAS - 9 ");

    // Loading reads the interface word, writes it back through the address
    // choice and reads it again, then reads PWR_CONTROL.
    const auto ops = rig.registerOps();
    ASSERT_EQ(ops.size(), 4u);
    EXPECT_EQ(ops[0], (RegisterOp{false, TargetBoard, 8, 1, 0, 0}));
    EXPECT_EQ(ops[1], (RegisterOp{true, TargetBoard, 8, 0, 0, 0x40}));
    EXPECT_EQ(ops[2], (RegisterOp{false, TargetBoard, 8, 1, 0, 0}));
    EXPECT_EQ(ops[3], (RegisterOp{false, TargetChip, 0, 1, 0, 0}));
}

TEST(DiagramLoad, NoInterfaceHidesBothFramesAndKeepsTheDesignTimePins)
{
    SimRig rig(withInterface(0xFFFF));
    DiagramFrm w;
    w.Form_Load();
    EXPECT_TRUE(w.SpiFrm->isHidden());
    EXPECT_TRUE(w.I2cFrm->isHidden());
    EXPECT_EQ(interfacePins(w), QStringList({"GPIO - 18", "INTB - 17", "CSB - 16", "SCLK- 15",
                                             "SDI - 14", "SDO - 13"}));
    EXPECT_EQ(w.AddressCmb->currentText(), "2F");
    const auto writes = boardWrites(rig, reg::board::BoardInterfaceWord);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].value, 0xFFFF);
}

TEST(DiagramLoad, I2cShowsTheAddressAndItsChoiceWritesThePins)
{
    SimRig rig(withInterface(0x0005));
    rig.board->chip().poke(reg::PWR_CONTROL, 0x2000);
    DiagramFrm w;
    w.Form_Load();
    EXPECT_TRUE(w.SpiFrm->isHidden());
    EXPECT_FALSE(w.I2cFrm->isHidden());
    EXPECT_EQ(interfacePins(w), QStringList({"GPIO - 18", "INTB - 17", "ADD1 - 16", "SCL - 15",
                                             "ADD0 - 14", "SDA - 13"}));
    EXPECT_EQ(w.AddressCmb->currentText(), "2D");
    EXPECT_EQ(w.Add0Txt->text(), "HI");
    EXPECT_EQ(w.Add1Txt->text(), "LO");
    EXPECT_EQ(w.CinLbl[14]->text(), "SRC - 8");

    rig.clearRecords();
    w.AddressCmb->setCurrentIndex(2); // "2E"
    w.AddressCmb_Click();
    const auto writes = boardWrites(rig, reg::board::BoardInterfaceWord);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].value, 0x0006);
    EXPECT_EQ(w.Add0Txt->text(), "LO");
    EXPECT_EQ(w.Add1Txt->text(), "HI");
}

// A board that reports a strap in bit 8 of its interface word once it has
// been written: the read-back differs from what was read at load.
class StrappedBoard final : public ForwardingAccess {
public:
    explicit StrappedBoard(SimRig& rig) : ForwardingAccess(rig.access()), rig_(rig) {}
    int16_t Vendor_Request(int32_t h, uint8_t r, uint32_t v, uint16_t i, uint8_t d, int32_t l,
                           uint8_t* b) override
    {
        const int16_t s = rig_.access().Vendor_Request(h, r, v, i, d, l, b);
        if (d == 0) {
            auto& fw = rig_.board->firmware();
            fw.setBoardReg(reg::board::BoardInterfaceWord,
                           fw.boardReg(reg::board::BoardInterfaceWord) | 0x0100);
        }
        return s;
    }

private:
    SimRig& rig_;
};

TEST(DiagramLoad, AddressChoiceEditsTheWordReadBackAfterTheLastWrite)
{
    SimRig rig(withInterface(0x0005));
    StrappedBoard strapped(rig);
    attachLink(&strapped, usbLink().BoardHandle);
    DiagramFrm w;
    w.Form_Load(); // reads 0x0005, writes it back, reads 0x0105
    rig.clearRecords();
    w.AddressCmb->setCurrentIndex(2);
    w.AddressCmb_Click();
    const auto writes = boardWrites(rig, reg::board::BoardInterfaceWord);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].value, 0x0106);
    attachLink(&rig.access(), usbLink().BoardHandle);
}

TEST(DiagramCommands, InitialiseCinInputsWritesAcrossTheStagesThenForcesCalibration)
{
    SimRig rig;
    rig.board->chip().poke(reg::AMB_COMP_CTRL0, 0x0123);
    DiagramFrm w;
    w.Form_Load();
    rig.clearRecords();
    rig.services.sleeps.clear();
    w.CmdInitReg_Click();

    const auto ops = rig.registerOps();
    ASSERT_EQ(ops.size(), 98u);
    for (int i = 0; i < 96; ++i) {
        const int k = i / 12, stage = i % 12;
        EXPECT_TRUE(ops[i].write);
        EXPECT_EQ(ops[i].address, 0x80 + 8 * stage + k) << i;
        EXPECT_EQ(ops[i].value, standardStageValue(k));
    }
    EXPECT_EQ(ops[96], (RegisterOp{false, TargetChip, 2, 1, 0, 0}));
    EXPECT_EQ(ops[97].address, 2);
    EXPECT_EQ(ops[97].value, 0x4123);
    EXPECT_EQ(rig.board->chip().peek(0x0D9), 0x3FFF);
    EXPECT_EQ(rig.board->chip().peek(0x0DF), 5000);

    // 10 ms after every write, 40 ms around the forced calibration (whose read
    // pauses 5 ms of its own).
    std::vector<int> expected(96, 10);
    expected.insert(expected.end(), {40, 5, 40});
    EXPECT_EQ(rig.services.sleeps, expected);
}

TEST(DiagramCommands, EasySetupSetsBoardControlBitZeroOnly)
{
    SimRig rig;
    rig.board->firmware().setBoardReg(reg::board::BoardControlWord, 0x000A);
    DiagramFrm w;
    w.Form_Load();
    rig.clearRecords();
    w.CmdEasySetup_Click();
    const auto writes = boardWrites(rig, reg::board::BoardControlWord);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].value, 0x000B);
    EXPECT_EQ(rig.writes().size(), 1u);
}

TEST(DiagramCommands, CaptureModeHandshakeIsBounded)
{
    {
        SimRig rig;
        EXPECT_TRUE(AwaitStageSelect(0x0F00));
        EXPECT_EQ(boardWrites(rig, reg::board::BoardStageSelect).size(), 1u);
        EXPECT_TRUE(rig.services.messages.empty());
    }
    SimRig rig;
    StubbornBoard stubborn(rig);
    attachLink(&stubborn, usbLink().BoardHandle);
    const int64_t start = rig.services.nowMs();
    EXPECT_FALSE(AwaitStageSelect(0x0F00));
    const int64_t spent = rig.services.nowMs() - start;
    EXPECT_GE(spent, 2000);
    EXPECT_LT(spent, 2100);
    EXPECT_GT(boardWrites(rig, reg::board::BoardStageSelect).size(), 30u);
    ASSERT_EQ(rig.services.messages.size(), 1u);
    EXPECT_EQ(rig.services.messages[0].text, stageSelectTimeoutMessage(0x0F00));
    EXPECT_TRUE(rig.services.messages[0].text.contains("0xF00"));

    // The button gives up the same way, and the diagram stays usable.
    DiagramFrm w;
    w.AdcCmd_Click();
    EXPECT_EQ(rig.services.messages.size(), 2u);
    EXPECT_TRUE(rig.services.modalWindows.empty());
}

TEST(DiagramStages, StageButtonsSelectTheStageAndHandOnItsContext)
{
    SimRig rig;
    DiagramFrm w;
    w.Form_Load();
    rig.clearRecords();
    const int32_t inputWords[12] = {0x0001, 0x8002, 0x8004, 0x0008, 0x0010, 0x0020,
                                    0x0040, 0x0080, 0x0100, 0x0200, 0x0400, 0x0800};
    for (int n = 0; n < 12; ++n) {
        w.MuxStage_Click(n);
        EXPECT_EQ(CurrentStage, n);
        EXPECT_EQ(StageInputSetup.Cin0_6Address, 0x80 + 8 * n);
        EXPECT_EQ(StageInputSetup.AfeOffsetAddress, 0x82 + 8 * n);
        w.RRStage_Click(n);
        EXPECT_EQ(StageResultsSetup.Stage, n);
        EXPECT_EQ(StageResultsSetup.OffsetLowClampAddress, 0x87 + 8 * n);
        EXPECT_EQ(StageResultsSetup.SfAmbientAddress, 0xF1 + 36 * n);
    }
    // The results window then selects its summary mode as it loads.
    const auto writes = boardWrites(rig, reg::board::BoardStageSelect);
    ASSERT_EQ(writes.size(), 36u);
    for (int n = 0; n < 12; ++n) {
        EXPECT_EQ(writes[3 * n].value, inputWords[n]) << n;
        EXPECT_EQ(writes[3 * n + 1].value, 1 << n) << n;
        EXPECT_EQ(writes[3 * n + 2].value, (1 << n) | 0x8000) << n;
    }

    w.MuxStage_Click(11);
    EXPECT_EQ(StageInputSetup.Labels[0], "STAGE11_CIN(0-6)_SETUP 0xD8");
    EXPECT_EQ(StageInputSetup.Labels[3], "STAGE11_CIN(7-13)_SETUP 0xD9");
    EXPECT_EQ(StageInputSetup.Labels[4], "STAGE11_AFE_OFFSET 0xDA");
    EXPECT_EQ(DiagramFrm::inputWindowTitle(11), "Stage 11 Input Configuration");
    EXPECT_EQ(DiagramFrm::resultsWindowTitle(0), "Sequencer Stage 0");

    // The results labels keep their irregular spellings and blanks.
    const std::vector<std::tuple<int, int, QString>> labels = {
        {0, 1, "STAGE0_OFFSET_LOW  0x84"},
        {0, 18, "STAGE0_MIN_TEMP  0x102"},
        {1, 13, "STAGE_MAX_THRESHOLD 0x11E"},
        {2, 7, "SSTAGE2_SF_FIFO 0x(131-138)"},
        {3, 1, "STAGE3_OFFET_LOW 0x9C"},
        {4, 5, "STAGE4_CONV_DATA0x170"},
        {5, 13, "STAGE5_MAX_THESHOLD 0x1AE"},
        {8, 12, "STAGE_MAX_AVG0x219"},
        {11, 19, "UNUSED 0x28F"},
    };
    for (const auto& [stage, i, text] : labels) {
        w.RRStage_Click(stage);
        EXPECT_EQ(StageResultsSetup.Labels[i], text);
    }
}

TEST(DiagramWindow, ButtonsCaptionsAndTheWindowsItOpens)
{
    SimRig rig;
    DiagramFrm w;
    EXPECT_EQ(w.windowTitle(), "CV5320 Evaluation Software");
    EXPECT_EQ(w.CmdPowerControl->text(), "&Power  Control");
    EXPECT_EQ(w.CmdEasySetup->text(), "Easy Set&Up");
    EXPECT_EQ(w.CmdEasySetup->toolTip(), "Resets All Registers To Initial Values");
    EXPECT_EQ(w.AdcCmd->text(), "CDC &Converter");
    EXPECT_EQ(w.MuxStage[5]->objectName(), "MuxStage5");
    EXPECT_EQ(w.RRStage[11]->text(), "Stage 11");
    EXPECT_EQ(w.Label1->text(), "Calibration Engine");
    EXPECT_EQ(w.Label5->text(), "CIN Configuration");
    for (QPushButton* b : {w.CmdInitReg, w.CmdEasySetup, w.RegValCmd, w.CmdExit, w.CmdAmbComp,
                           w.MuxStage[0], w.RRStage[0], w.GetAllOffsetsCmd, w.CmdCreateConfig,
                           w.AdcCmd})
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_EQ(w.AdcCmd->toolTip(), "Conversion results of all twelve stages");

    w.Form_Load();
    w.RegValCmd_Click();
    ASSERT_EQ(rig.services.modalWindows.size(), 1u);
    EXPECT_EQ(rig.services.modalWindows[0], "cv::RegCtrlFrm");

    CV5320TopLevelFrm top(rig.access(), rig.appFolder.path(), QStringLiteral("simulated"));
    top.CmdBlockDiagram_Click();
    ASSERT_EQ(rig.services.modalWindows.size(), 2u);
    EXPECT_EQ(rig.services.modalWindows[1], "cv::DiagramFrm");

    w.GetOffsetsLed->setOn(true);
    w.Timer1->start(1000);
    w.Timer1_Timer();
    EXPECT_FALSE(w.GetOffsetsLed->isOn());
    EXPECT_FALSE(w.Timer1->isActive());
}
