// The stage results window: what loading reads and writes, the setup
// controls, and the live readout's start, passes, tab change, stop and close
// with its results file.
#include "../config/DialogProbe.h"
#include "ScriptedBoard.h"
#include "config/StageContext.h"
#include "link/CaptureOwner.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "measure/ui/FormulaFrm.h"
#include "measure/ui/RRTabStageFrm.h"
#include "support/Captions.h"
#include "support/Files.h"
#include "widgets/Led.h"
#include "widgets/SpinArrows.h"
#include "widgets/StripChart.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace cv;
using namespace cv::test;

namespace {
// Stage 3 on a scripted board: sensitivity 0x4321 (negative 1, positive 3),
// offsets 800, clamps 5000, ambient 30000.
struct Stage3 : ::testing::Test {
    FakeServices services;
    ScriptedBoard board;
    QTemporaryDir dir;

    Stage3()
    {
        CurrentStage = 3;
        StageResultsSetup = stageResultsSetupFor(3);
        const uint16_t setup[] = {0x4321, 800, 800, 5000, 5000}; // from 0x09B on
        std::copy(std::begin(setup), std::end(setup), board.chip.begin() + 0x09B);
        board.chip[0x15D] = 30000;
    }
    void loadArmed(RRTabStageFrm& w)
    {
        w.Form_Load();
        w.Timer1_Timer();
        board.ops.clear();
    }
    QString text(const RRTabStageFrm& w, const QString& name)
    {
        return child<QLineEdit>(w, name)->text();
    }
    void enter(RRTabStageFrm& w, const char* box, const QString& value)
    {
        auto* t = child<QLineEdit>(w, QString::fromLatin1(box));
        t->setText(value);
        QMetaObject::invokeMethod(t, "returnPressed");
    }
    // Up to `passes` passes while it reads.
    void runPasses(RRTabStageFrm& w, int passes)
    {
        for (int i = 0; i < passes && w.reading(); ++i)
            w.ReadTimer_Timer();
    }
    void queueSummary(int n, uint16_t cdc = 30100, uint16_t low = 0)
    {
        for (int i = 0; i < n; ++i)
            board.queue(summaryBlock(uint16_t(cdc + i), 30000, 30600, 30388, 29500, 29650, 0, low));
    }
    std::vector<RegisterOp> chipWrites() const
    {
        std::vector<RegisterOp> v;
        for (const auto& op : board.ops)
            if (op.write && op.target == TargetChip)
                v.push_back(op);
        return v;
    }
};
} // namespace

TEST_F(Stage3, LoadingReadsTheStageAndWritesNothingToTheChip)
{
    RRTabStageFrm w;
    w.Form_Load();
    std::vector<RegisterOp> expected = {boardWrite(10, 0x8008), chipRead(0x09B), chipRead(0x000),
                                        boardRead(7, 1, 0), boardWrite(7, 0)};
    for (const int address : {0x09C, 0x09D, 0x09E, 0x09F, 0x15D})
        expected.push_back(chipRead(address));
    EXPECT_EQ(board.ops, expected);
    EXPECT_TRUE(w.timer1()->isActive());
    EXPECT_EQ(w.timer1()->interval(), 150);
    // The lists show the fields of 0x4321; the boxes the chip's values.
    int field = 0;
    for (const char* list : {"NegSensCmb", "NegMaxSensCmb", "PosSensCmb", "PosMaxSensCmb"})
        EXPECT_EQ(child<QComboBox>(w, list)->currentIndex(), ++field) << list;
    EXPECT_EQ(text(w, "PosThreshTxt").toInt(), highThreshold(30000, 800, 3));
    EXPECT_EQ(text(w, "NegThreshTxt").toInt(), lowThreshold(30000, 800, 1));
    EXPECT_EQ(text(w, "LowClampTxt"), "5000");
    // Every fixed text, the stage's register names and the scale of its levels.
    auto* tabs = child<QTabWidget>(w, "SSTab1");
    expectGolden(captionsOf(w) + "tabs\t" + tabs->tabText(0) + '|' + tabs->tabText(1) + '\n',
                 "measure/fixtures/RRTabStageFrm.captions.txt");
    EXPECT_EQ(child<StripChart>(w, "RegisterPlot")->upperBound(), 65535);
}

TEST_F(Stage3, ListsWriteTheShadowOnceArmedAndBoxesOnEnterOrArrowsWithinTheirRange)
{
    RRTabStageFrm w;
    w.Form_Load();
    board.ops.clear();
    child<QComboBox>(w, "PosMaxSensCmb")->setCurrentIndex(7);
    w.PosMaxSensCmb_Click();
    EXPECT_TRUE(board.ops.empty()); // not armed yet

    w.Timer1_Timer();
    w.PosMaxSensCmb_Click(); // "90% " at index 7
    EXPECT_EQ(board.ops, (std::vector<RegisterOp>{chipWrite(0x09B, 0x7321)}));
    board.ops.clear();

    board.chip[0x09B] = 0; // the shadow, not the chip, is the base
    child<QComboBox>(w, "NegSensCmb")->setCurrentIndex(4);
    w.NegSensCmb_Click();
    ASSERT_EQ(board.ops.size(), 6u); // the write, then the threshold refresh's five reads
    EXPECT_EQ(board.ops[0], chipWrite(0x09B, 0x7324));
    EXPECT_EQ(text(w, "NegThreshTxt").toInt(), lowThreshold(30000, 800, 4));
    // The peak detect lists do not refresh the thresholds.
    board.ops.clear();
    w.NegMaxSensCmb_Click();
    EXPECT_EQ(board.ops.size(), 1u);

    board.ops.clear();
    auto* clamp = child<QLineEdit>(w, "HighClampTxt");
    clamp->setText(QStringLiteral("1234"));
    EXPECT_TRUE(board.ops.empty()); // typing alone writes nothing

    // Out of range (the range itself is pinned with the number reading).
    enter(w, "HighClampTxt", QStringLiteral("70000"));
    EXPECT_EQ(services.lastMessage(), kValueRangeMessage);
    EXPECT_EQ(clamp->text(), "5000");
    EXPECT_TRUE(chipWrites().empty());

    enter(w, "HighClampTxt", QStringLiteral("65535"));
    enter(w, "LowClampTxt", QStringLiteral("1200xy"));
    EXPECT_EQ(chipWrites(),
              (std::vector<RegisterOp>{chipWrite(0x09E, 65535), chipWrite(0x09F, 1200)}));
    EXPECT_EQ(clamp->text(), "65535");

    // An arrow steps 50 and acts as Enter; at the limit it does nothing.
    board.ops.clear();
    child<SpinArrows>(w, "OffsetHighUpDown")->Up->click();
    EXPECT_EQ(chipWrites(), (std::vector<RegisterOp>{chipWrite(0x09D, 850)}));
    EXPECT_EQ(text(w, "OffsetHighTxt"), "850");
    EXPECT_EQ(text(w, "PosThreshTxt").toInt(), highThreshold(30000, 850, 3));
    board.ops.clear();
    child<SpinArrows>(w, "HighClampUpDown")->Up->click();
    EXPECT_TRUE(board.ops.empty());
    child<SpinArrows>(w, "OffsetLowUpDown")->Down->click();
    EXPECT_EQ(chipWrites(), (std::vector<RegisterOp>{chipWrite(0x09C, 750)}));
}

TEST_F(Stage3, StartPassesAndStopMakeTheReadoutsTraffic)
{
    RRTabStageFrm w;
    loadArmed(w);
    auto* button = child<QPushButton>(w, "ReadContCV5310Cmd");
    w.ReadContCV5310Cmd_Click();
    EXPECT_EQ(button->text(), "Stop Reading");
    EXPECT_FALSE(child<QPushButton>(w, "CmdForceCal")->isEnabled());
    EXPECT_TRUE(board.ops.empty()); // loading selected the mode already
    EXPECT_TRUE(w.readTimer()->isActive());

    w.ReadTimer_Timer(); // nothing waiting: a status probe, 5 ms on
    EXPECT_EQ(w.readTimer()->interval(), 5);
    queueSummary(1);
    runPasses(w, 2);                         // (the passes' traffic is pinned with the pass loop)
    EXPECT_EQ(w.readTimer()->interval(), 0); // a block: the next pass at once
    board.ops.clear();
    services.sleeps.clear();

    w.ReadContCV5310Cmd_Click();
    EXPECT_EQ(board.ops, (std::vector<RegisterOp>{chipRead(0x017), chipRead(0x017)}));
    EXPECT_EQ(services.sleeps, std::vector<int>({5, 20, 5}));
    EXPECT_FALSE(w.reading());
    EXPECT_FALSE(w.readTimer()->isActive());
    EXPECT_EQ(button->text(), "Read Continuously");
    EXPECT_TRUE(child<QPushButton>(w, "CmdForceCal")->isEnabled());

    // The stop ended the capture: a new start selects the mode again.
    board.ops.clear();
    w.ReadContCV5310Cmd_Click();
    EXPECT_EQ(board.ops, (std::vector<RegisterOp>{boardWrite(10, 0x8008)}));
}

TEST_F(Stage3, FirstTwoPassesAfterAStartOrATabChangeAddNothing)
{
    RRTabStageFrm w;
    loadArmed(w);
    const QString path = dir.filePath(QStringLiteral("stage3.txt"));
    services.fileAnswers.push_back(path);
    child<QCheckBox>(w, "ChkSaveResults")->click();
    auto* plot = child<StripChart>(w, "RegisterPlot");
    // Typed without Enter: the chart's margin keeps the offset the thresholds
    // were computed with until the readout's threshold refresh takes the box.
    child<QLineEdit>(w, "OffsetHighTxt")->setText(QStringLiteral("2000"));
    const QString topLabel = shownText(w, "Label8_1"); // as loaded, in the golden file

    w.ReadContCV5310Cmd_Click();
    queueSummary(2, 30100, 0x0008);
    runPasses(w, 3); // probe, two blocks
    EXPECT_EQ(plot->pointCount(0), 0);
    // The range is set on the second block; the status rows show every block.
    EXPECT_EQ(plot->upperBound(), 31400); // 30600 + 800
    EXPECT_EQ(plot->lowerBound(), 28700);
    EXPECT_TRUE(child<Led>(w, "LED1_0")->isOn()); // stage 3's low limit bit
    EXPECT_EQ(shownText(w, "IntStat1Lbl_3"), "1");

    queueSummary(2, 30200);
    runPasses(w, 3);
    EXPECT_EQ(plot->pointCount(0), 2);
    EXPECT_EQ(plot->point(0, 0), 30201);
    EXPECT_EQ(text(w, "TxtReg_5").toInt(), 29650);
    // The third block refreshed the thresholds from the boxes and the live
    // ambient; the level diagram stays.
    EXPECT_EQ(text(w, "PosThreshTxt").toInt(), highThreshold(30000, 2000, 3));
    EXPECT_EQ(shownText(w, "Label8_1"), topLabel);

    // The RAM Data tab: the stream stops, the RAM mode is selected, and the
    // count starts again.
    board.ops.clear();
    child<QTabWidget>(w, "SSTab1")->setCurrentIndex(1);
    EXPECT_EQ(board.ops, (std::vector<RegisterOp>{chipRead(0x017), boardWrite(10, 0x0008)}));
    EXPECT_TRUE(w.reading());
    EXPECT_EQ(w.passLoop().passCounter(), 0);
    std::vector<uint16_t> block(39, 0);
    block[0] = 31000;
    block[17] = 30500;
    for (int i = 0; i < 3; ++i)
        board.queue(block);
    runPasses(w, 4); // probe, three blocks: the third is kept and shown
    EXPECT_EQ(text(w, "AmbientTxt").toInt(), 30500);

    w.ReadContCV5310Cmd_Click();
    EXPECT_EQ(fileBytes(path), stageResultsHeader() +
                                   stageResultsLine({30200, 30000, 30600, 30388, 29500, 29650}) +
                                   stageResultsLine({30201, 30000, 30600, 30388, 29500, 29650}) +
                                   stageResultsLine({31000, 30500, 0, 0, 0, 0}));
}

TEST_F(Stage3, FormulaWindowsInterruptModeAndForceCalibration)
{
    RRTabStageFrm w;
    loadArmed(w);
    QString shown;
    services.onModal = [&](QObject* o) {
        auto* f = qobject_cast<FormulaFrm*>(o);
        ASSERT_TRUE(f);
        shown +=
            f->windowTitle() + '\n' + f->FormulaTxt->text() + '\n' + f->ResultTxt->text() + '\n';
    };
    w.ShowFormulaNeg_Click();
    w.ShowFormulaPos_Click();
    expectGolden(shown, "measure/fixtures/FormulaFrm.txt");
    EXPECT_TRUE(board.ops.empty());

    board.board[7] = 0x0004;
    board.chip[0x002] = 0x00F0;
    child<QCheckBox>(w, "BtnIntEnModeChk")->click();
    EXPECT_EQ(board.ops.back(), boardWrite(7, 0x0006));
    EXPECT_EQ(shownText(w, "BtnIntEnModeLbl"), "Threshold");
    child<QCheckBox>(w, "BtnIntEnModeChk")->click();
    EXPECT_EQ(board.ops.back(), boardWrite(7, 0x0004));
    EXPECT_EQ(shownText(w, "BtnIntEnModeLbl"), "Continuous");
    child<QPushButton>(w, "CmdForceCal")->click();
    EXPECT_EQ(board.ops.back(), chipWrite(0x002, 0x40F0));
}

TEST(StageWindowOnTheBoard, RamTabTakesTheBoardBackAndSaysWhatItDroppedSinceRead)
{
    SimRig rig;
    StageResultsSetup = stageResultsSetupFor(CurrentStage = 0);
    WriteRegister(reg::PWR_CONTROL, 0x02B0, TargetChip); // decimation 64: the poll falls behind
    RRTabStageFrm w;
    w.Form_Load();
    w.Timer1_Timer();
    child<QTabWidget>(w, "SSTab1")->setCurrentIndex(1);
    WriteRegister(reg::board::BoardStageSelect, 0x0F00, TargetBoard); // another view's mode
    w.show();
    QApplication::processEvents();
    const QSize size = w.size();
    rig.services.sleepMs(20000); // the board queues, and drops, while nobody reads
    w.ReadContCV5310Cmd_Click();
    EXPECT_EQ(captureOwner().mode(), 0x0001); // the stage's own, selected again
    w.ReadTimer_Timer();
    const int64_t idle = rig.board->blockCounts()->overflow; // thousands
    EXPECT_TRUE(w.DroppedLbl->isHidden());
    for (const int64_t end = rig.services.nowMs() + 2000; rig.services.nowMs() < end;) {
        rig.services.sleepMs(std::max(1, w.readTimer()->interval()));
        w.ReadTimer_Timer();
    }
    const int64_t dropped = rig.board->blockCounts()->overflow - idle;
    EXPECT_EQ(w.DroppedLbl->text(), QStringLiteral("board dropped %1 sets").arg(dropped));
    EXPECT_FALSE(w.DroppedLbl->isHidden());
    QApplication::processEvents();
    EXPECT_EQ(w.size(), size); // the note shows without widening its window
}
