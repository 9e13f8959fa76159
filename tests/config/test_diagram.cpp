// The block diagram on the simulated board: loading by the host interface the
// board reports, its commands, the stage context its buttons hand on and the
// dialogs it opens.
#include "DialogProbe.h"
#include "config/DiagramOps.h"
#include "config/StageContext.h"
#include "config/ui/AmbCompFrm.h"
#include "config/ui/ExcitSourceFrm.h"
#include "config/ui/InputMuxFrm.h"
#include "config/ui/IntStatFrm.h"
#include "config/ui/InterruptFrm.h"
#include "config/ui/PowControlFrm.h"
#include "link/UsbUtils.h"
#include "shell/ui/DiagramFrm.h"
#include "support/StubbornBoard.h"

using namespace cv;
using namespace cv::test;

namespace {
// A board whose interface word shows a strap in bit 8 from its first request
// on: the read-back differs from what was read at load.
class StrappedBoard final : public ForwardingAccess {
public:
    explicit StrappedBoard(SimRig& rig) : ForwardingAccess(rig.access()), rig_(rig) {}
    int16_t Vendor_Request(int32_t h, uint8_t r, uint32_t v, uint16_t i, uint8_t d, int32_t l,
                           uint8_t* b) override
    {
        const int16_t s = rig_.access().Vendor_Request(h, r, v, i, d, l, b);
        auto& fw = rig_.board->firmware();
        fw.setBoardReg(reg::board::BoardInterfaceWord,
                       fw.boardReg(reg::board::BoardInterfaceWord) | 0x0100);
        return s;
    }

private:
    SimRig& rig_;
};
} // namespace

// Each window loaded on a freshly started board, against its fixture.
TEST(ConfigWindows, FixedTexts)
{
    auto check = [](auto&& window, const char* name) {
        window.Form_Load();
        expectCaptions(window, QStringLiteral("config/fixtures/%1.captions.txt").arg(name));
    };
    SimRig rig;
    CurrentStage = 0;
    StageInputSetup = stageInputSetupFor(0);
    check(DiagramFrm(), "DiagramFrm");
    check(AmbCompFrm(), "AmbCompFrm");
    check(InputMuxFrm(), "InputMuxFrm");
    check(InterruptFrm(), "InterruptFrm");
    check(IntStatFrm(), "IntStatFrm");
    check(PowControlFrm(), "PowControlFrm");
    check(ExcitSourceFrm(), "ExcitSourceFrm");

    QString labels;
    for (int n = 0; n < 12; ++n) {
        labels += DiagramFrm::inputWindowTitle(n) + '\n' + DiagramFrm::resultsWindowTitle(n) + '\n';
        for (const QString& l : stageInputSetupFor(n).Labels)
            labels += QStringLiteral("  in  ") + l + '\n';
        for (const QString& l : stageResultsSetupFor(n).Labels)
            labels += QStringLiteral("  out ") + l + '\n';
    }
    expectGolden(labels, "config/fixtures/stage_labels.txt");
}

TEST(DiagramLoad, TheInterfaceWordChoosesFramePinsAndAddress)
{
    // SPI; none (both frames hidden, the pins as built); I2C at 2D, in
    // floating mode (pin 8 carries the source).
    const std::pair<uint16_t, const char*> cases[] = {
        {0x0000, "spi"}, {0xFFFF, "none"}, {0x0005, "i2c"}};
    for (const auto& [word, fixture] : cases) {
        SCOPED_TRACE(word);
        sim::SimConfig config;
        config.interfaceWord = word;
        SimRig rig(config);
        if (word == 0x0005)
            rig.board->chip().poke(reg::PWR_CONTROL, 0x2000);
        DiagramFrm w;
        CurrentStage = 7;
        w.Form_Load();
        EXPECT_EQ(CurrentStage, 0);
        expectShown(w, QStringLiteral("config/fixtures/DiagramFrm.%1.txt").arg(fixture));
        // The interface word is read, written back through the address
        // choice and read again, then PWR_CONTROL.
        const RegisterOp read{false, TargetBoard, 8, 1, 0, 0},
            write{true, TargetBoard, 8, 0, word, 64};
        const RegisterOp pwr{false, TargetChip, 0, 1, 0, 0};
        EXPECT_EQ(rig.registerOps(), (std::vector<RegisterOp>{read, write, read, pwr}));
    }
}

TEST(DiagramLoad, AddressChoiceEditsTheWordReadBackAfterTheLastWrite)
{
    sim::SimConfig config;
    config.interfaceWord = 0x0005;
    SimRig rig(config);
    StrappedBoard strapped(rig);
    attachLink(&strapped, usbLink().BoardHandle);
    DiagramFrm w;
    w.Form_Load(); // reads 0x0005, writes it back, reads 0x0105
    rig.clearRecords();
    w.AddressCmb->setCurrentIndex(2); // "2E"
    w.AddressCmb_Click();
    EXPECT_EQ(rig.writesTo(reg::board::BoardInterfaceWord, TargetBoard), std::vector<int>{0x0106});
    EXPECT_EQ(w.Add0Txt->text(), "LO");
    EXPECT_EQ(w.Add1Txt->text(), "HI");
}

TEST(DiagramCommands, InitialisingEasySetupAndTheBoundedCaptureHandshake)
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
        EXPECT_EQ(ops[i], (RegisterOp{true, TargetChip, 0x80 + 8 * stage + k, 0,
                                      standardStageValue(k), 0x40}))
            << i;
    }
    EXPECT_EQ(ops[96], (RegisterOp{false, TargetChip, 2, 1, 0, 0}));
    EXPECT_EQ(ops[97], (RegisterOp{true, TargetChip, 2, 0, 0x4123, 0x40}));
    // 10 ms after every write, 40 ms around the forced calibration (whose read
    // pauses 5 ms of its own).
    std::vector<int> expected(96, 10);
    expected.insert(expected.end(), {40, 5, 40});
    EXPECT_EQ(rig.services.sleeps, expected);

    // Easy setup sets bit 0 of the board's control word and nothing else.
    rig.board->firmware().setBoardReg(reg::board::BoardControlWord, 0x000A);
    rig.clearRecords();
    w.CmdEasySetup_Click();
    ASSERT_EQ(rig.writes().size(), 1u);
    EXPECT_EQ(rig.writesTo(reg::board::BoardControlWord, TargetBoard), std::vector<int>{0x000B});

    // A board that never takes up a capture mode: the converter window's
    // start gives up after two seconds.
    StubbornBoard stubborn(rig);
    attachLink(&stubborn, usbLink().BoardHandle);
    const int64_t start = rig.services.nowMs();
    EXPECT_FALSE(AwaitStageSelect(0x0F00));
    EXPECT_NEAR(rig.services.nowMs() - start, 2050, 50); // two seconds and the last try
    EXPECT_GT(rig.writesTo(reg::board::BoardStageSelect, TargetBoard).size(), 30u);
    ASSERT_EQ(rig.services.messages.size(), 1u);
    EXPECT_EQ(rig.services.messages[0].text, stageSelectTimeoutMessage(0x0F00));

    // The button gives up the same way, and the diagram stays usable.
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
    const int inputWords[12] = {0x0001, 0x8002, 0x8004, 0x0008, 0x0010, 0x0020,
                                0x0040, 0x0080, 0x0100, 0x0200, 0x0400, 0x0800};
    for (int n = 0; n < 12; ++n) {
        rig.services.modalWindows.clear();
        w.MuxStage_Click(n);
        EXPECT_EQ(CurrentStage, n);
        EXPECT_EQ(StageInputSetup.AfeOffsetAddress, 0x82 + 8 * n);
        w.RRStage_Click(n);
        EXPECT_EQ(StageResultsSetup.SfAmbientAddress, 0xF1 + 36 * n);
        EXPECT_EQ(rig.services.modalWindows,
                  (std::vector<QString>{"cv::InputMuxFrm", "cv::RRTabStageFrm"}));
    }
    // The results window then selects its summary mode as it loads.
    std::vector<int> want;
    for (int n = 0; n < 12; ++n)
        want.insert(want.end(), {inputWords[n], 1 << n, (1 << n) | 0x8000});
    EXPECT_EQ(rig.writesTo(reg::board::BoardStageSelect, TargetBoard), want);
}

TEST(DiagramDialogs, EachButtonOpensItsDialogModallyAndLoadingWritesNothing)
{
    SimRig rig;
    DiagramFrm d;
    d.Form_Load();
    const std::pair<void (DiagramFrm::*)(), const char*> cases[] = {
        {&DiagramFrm::AdcCmd_Click, "cv::AdcFrm"},
        {&DiagramFrm::CmdAmbComp_Click, "cv::AmbCompFrm"},
        {&DiagramFrm::CmdPowerControl_Click, "cv::PowControlFrm"},
        {&DiagramFrm::ExciteSourceCmd_Click, "cv::ExcitSourceFrm"},
        {&DiagramFrm::CmdInt_Click, "cv::InterruptFrm"},
        {&DiagramFrm::CmdIntStat_Click, "cv::IntStatFrm"},
        {&DiagramFrm::RegValCmd_Click, "cv::RegCtrlFrm"},
    };
    for (const auto& [click, window] : cases) {
        SCOPED_TRACE(window);
        rig.clearRecords();
        rig.services.modalWindows.clear();
        (d.*click)();
        EXPECT_EQ(rig.services.modalWindows, std::vector<QString>{window});
        EXPECT_FALSE(rig.registerOps().empty());
        // The converter window opens once the board has taken up streaming.
        if (click == &DiagramFrm::AdcCmd_Click)
            EXPECT_EQ(rig.registerOps()[0], (RegisterOp{true, TargetBoard, 10, 0, 0x0F00, 64}));
        else
            EXPECT_TRUE(rig.writes().empty());
    }

    // Floating mode set in the excitation dialog relabels pin 8 here.
    bool check = true;
    rig.services.onModal = [&](QObject* window) {
        auto* w = qobject_cast<ExcitSourceFrm*>(window);
        ASSERT_NE(w, nullptr);
        child<QCheckBox>(*w, "FloatModeChk")->setChecked(check);
        w->FloatModeChk_Click();
    };
    d.ExciteSourceCmd_Click();
    EXPECT_EQ(d.CinLbl[14]->text(), "SRC - 8");
    check = false;
    d.ExciteSourceCmd_Click();
    EXPECT_EQ(d.CinLbl[14]->text(), "ACSHIELD - 8");
}
