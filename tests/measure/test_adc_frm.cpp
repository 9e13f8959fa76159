// The converter window on the simulated board: loading, the list choices,
// the continuous read as the board sees it, the chart, the results file and
// closing while it reads.
#include "ScriptedBoard.h"
#include "config/DialogProbe.h"
#include "config/StageContext.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "measure/AdcReading.h"
#include "measure/ui/AdcFrm.h"
#include "measure/ui/RRTabStageFrm.h"
#include "support/Captions.h"
#include "support/Files.h"
#include "support/StubbornBoard.h"
#include "widgets/StripChart.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

using namespace cv;
using namespace cv::test;

namespace {

struct Adc : ::testing::Test {
    SimRig rig{noFinger()};
    QTemporaryDir dir;
    sim::ChipModel& chip() { return rig.board->chip(); }

    void clear()
    {
        rig.clearRecords();
        rig.services.sleeps.clear();
    }
    void loadArmed(AdcFrm& w)
    {
        w.Form_Load();
        w.Timer1_Timer();
        clear();
    }
    // One timer tick, then the time the timer would wait before the next.
    void tick(AdcFrm& w)
    {
        w.ReadTimer_Timer();
        if (w.readTimer()->isActive())
            rig.services.virtualClock().advanceMs(w.readTimer()->interval());
    }
    void ticks(AdcFrm& w, int n)
    {
        for (int i = 0; i < n; ++i)
            tick(w);
    }
};

} // namespace

TEST_F(Adc, LoadingReadsTheFieldsAndClearsThresholdReportingOnly)
{
    chip().poke(reg::PWR_CONTROL, 0x82E0); // bias 135%, decimation 64, sequence field 14
    rig.board->firmware().setBoardReg(reg::board::BoardControlWord, 0x000E);
    AdcFrm w;
    w.Form_Load();
    const std::vector<RegisterOp> expected = {
        chipRead(0x000), chipRead(0x000), boardRead(7, 1, 0), boardWrite(7, 0x000C),
        chipRead(0x000), // the register bit display
    };
    EXPECT_EQ(rig.registerOps(), expected);
    // Decimation 64, sequence 14 on the chip (the list ends at 11), bias 135%.
    for (const auto& [list, index] :
         {std::pair{"DecCmb", 2}, {"SeqStgCmb", 11}, {"BiasCtrlCmb", 2}})
        EXPECT_EQ(child<QComboBox>(w, list)->currentIndex(), index) << list;
    EXPECT_EQ(shownText(w, "Lab1").toUInt(nullptr, 16), 0x82E0u); // its bits: in the golden file
    expectCaptions(w, "measure/fixtures/AdcFrm.captions.txt");
    EXPECT_EQ(w.StageLine[11]->color(), w.plot()->traceColor(11));

    // The lists do nothing until the window is armed, 400 ms after loading.
    EXPECT_TRUE(w.timer1()->isActive());
    EXPECT_EQ(w.timer1()->interval(), 400);
    rig.clearRecords();
    child<QComboBox>(w, "SeqStgCmb")->setCurrentIndex(3);
    w.SeqStgCmb_Click();
    EXPECT_TRUE(rig.registerOps().empty());
    w.Timer1_Timer();
    EXPECT_FALSE(w.timer1()->isActive());
}

TEST_F(Adc, EachListChangesItsFieldAndEndsAStreamFirst)
{
    AdcFrm w;
    loadArmed(w);
    struct Case {
        const char* list;
        void (AdcFrm::*click)();
        int before, index, after;
        bool reading = false;
    };
    const Case cases[] = {
        {"DecCmb", &AdcFrm::DecCmb_Click, 0xFFFF, 1, 0xFDFF},
        {"SeqStgCmb", &AdcFrm::SeqStgCmb_Click, 0x82E2, 11, 0x82B2}, // the list's last
        {"BiasCtrlCmb", &AdcFrm::BiasCtrlCmb_Click, 0x00B0, 3, 0xC0B0},
        // While reading: the capture ends first, and the reading goes on.
        {"DecCmb", &AdcFrm::DecCmb_Click, 0x00B0, 2, 0x02B0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.list) + (c.reading ? " while reading" : ""));
        chip().poke(reg::PWR_CONTROL, c.before);
        if (c.reading) {
            w.ReadContCV5310Cmd_Click();
            ticks(w, 3);
        }
        clear();
        child<QComboBox>(w, c.list)->setCurrentIndex(c.index);
        (w.*c.click)();
        std::vector<RegisterOp> ops = {chipRead(0x000), chipWrite(0x000, c.after), chipRead(0x000)};
        std::vector<int> sleeps = {5, 40, 5};
        if (c.reading) {
            ops.insert(ops.begin(), chipRead(reg::PART_ID));
            sleeps.insert(sleeps.begin(), {5, 100});
        }
        EXPECT_EQ(rig.registerOps(), ops);
        EXPECT_EQ(rig.services.sleeps, sleeps);
        EXPECT_EQ(w.reading(), c.reading);
    }
}

TEST_F(Adc, StartPassesStopAndABoardThatNeverTakesUpTheStream)
{
    AdcFrm w;
    loadArmed(w);
    auto* button = child<QPushButton>(w, "ReadContCV5310Cmd");
    w.ReadContCV5310Cmd_Click();
    EXPECT_EQ(button->text(), "Stop Reading");
    // The handshake, then the first pass polls for a status.
    std::vector<RegisterOp> expected = {boardWrite(10, 0x0F00), boardRead(10, 1, 0)};
    EXPECT_EQ(rig.registerOps(), expected);
    EXPECT_EQ(rig.services.sleeps, (std::vector<int>{50, 5}));
    ASSERT_TRUE(w.readTimer()->isActive());
    EXPECT_EQ(w.readTimer()->interval(), 0);

    // Sets are fetched back to back, three a tick (the fetch is pinned with
    // the capture owner); a poll waits 50 ms.
    rig.services.virtualClock().advanceMs(200);
    const int64_t fetched = rig.board->firmware().blocksFetched();
    tick(w);
    EXPECT_EQ(rig.board->firmware().blocksFetched() - fetched, AdcReading::kPassesPerTick);
    EXPECT_EQ(w.readTimer()->interval(), 0);
    while (w.readingState().status() == 1)
        tick(w);
    rig.clearRecords();
    tick(w);
    EXPECT_EQ(rig.registerOps(), std::vector<RegisterOp>{boardRead(11, 1, 0)});
    EXPECT_EQ(w.readTimer()->interval(), 50);

    // Stop: the capture ends, a pause, and the loop's own closing read.
    clear();
    w.ReadContCV5310Cmd_Click();
    expected = {chipRead(reg::PART_ID), chipRead(reg::PART_ID)};
    EXPECT_EQ(rig.registerOps(), expected);
    EXPECT_EQ(rig.services.sleeps, (std::vector<int>{5, 20, 5}));
    EXPECT_EQ(button->text(), "Read Graph");
    EXPECT_FALSE(w.reading());
    EXPECT_FALSE(w.readTimer()->isActive());
    rig.clearRecords();
    w.ReadTimer_Timer(); // a tick already on its way does nothing
    EXPECT_TRUE(rig.registerOps().empty());

    // A board that never takes up the stream is given up after two seconds,
    // and whatever it made of the commands, its capture is ended.
    StubbornBoard stubborn(rig);
    attachLink(&stubborn, usbLink().BoardHandle);
    w.ReadContCV5310Cmd_Click();
    EXPECT_EQ(rig.services.messages.size(), 1u); // its text is the handshake's
    EXPECT_FALSE(w.reading());
    EXPECT_EQ(button->text(), "Read Graph");
    EXPECT_EQ(rig.registerOps().back(), chipRead(reg::PART_ID));
    attachLink(rig.tracer.get(), usbLink().BoardHandle);
}

TEST_F(Adc, TheFirstTwoPassesAddNothingAndClearStagesKeepTheirColumn)
{
    AdcFrm w;
    loadArmed(w);
    child<QCheckBox>(w, "StageChk_4")->setChecked(false);
    w.StageChk_Click(4);
    const QString path = dir.filePath("results.txt");
    rig.services.fileAnswers.push_back(path);
    child<QCheckBox>(w, "ChkSaveResults")->click();
    w.ReadContCV5310Cmd_Click();
    rig.services.virtualClock().advanceMs(200); // sets wait from the start
    tick(w); // three sets fetched, the first two not kept
    EXPECT_EQ(rig.board->firmware().blocksFetched(), 3);
    EXPECT_EQ(w.plot()->pointCount(0), 1);
    EXPECT_EQ(w.plot()->pointCount(4), 0);
    EXPECT_EQ(w.plot()->point(0, 0), w.readingState().results()[0]);
    child<QCheckBox>(w, "ChkSaveResults")->setChecked(false);
    w.ChkSaveResults_Click();
    EXPECT_FALSE(w.resultsFileOpen());

    // The file's wholeness is pinned with the live views' faults.
    const auto lines = fileBytes(path).split('\n');
    ASSERT_EQ(lines.size(), 3); // the header, the one set kept, and nothing after its CR LF
    EXPECT_EQ(lines[1].split('\t').size(), 12); // stage 4's column too
}

// Both result windows: a chip in shutdown refuses the start, and a cancelled
// save dialog leaves the box clear; neither touches the board.
template <class W> void refusesStartAndCancelledSave(const char* filter)
{
    SimRig rig{noFinger()};
    rig.board->chip().poke(reg::PWR_CONTROL, 0x00B3);
    StageResultsSetup = stageResultsSetupFor(CurrentStage = 0);
    W w;
    w.Form_Load();
    w.Timer1_Timer();
    rig.clearRecords();
    auto* button = child<QPushButton>(w, "ReadContCV5310Cmd");
    const QString idle = button->text();
    QString captionDuringMessage;
    rig.services.onMessage = [&](const RecordedMessage&) { captionDuringMessage = button->text(); };
    w.ReadContCV5310Cmd_Click();
    rig.services.onMessage = nullptr;
    EXPECT_EQ(captionDuringMessage, idle);
    EXPECT_EQ(button->text(), idle);
    EXPECT_FALSE(w.reading());
    child<QCheckBox>(w, "ChkSaveResults")->click(); // no answer queued: cancelled
    EXPECT_EQ(rig.services.fileRequests.at(0).filter, filter);
    ASSERT_EQ(rig.services.messages.size(), 2u);
    EXPECT_EQ(rig.services.messages[0].text, "CV5310 is in Shutdown Mode. No Results Available");
    EXPECT_EQ(rig.services.messages[0].icon, MsgIcon::None);
    EXPECT_EQ(rig.services.messages[1].text, "Error: Cannot Save Values to File");
    EXPECT_TRUE(rig.registerOps().empty());
}

TEST(ResultWindows, ShutdownRefusesTheStartAndACancelledSaveLeavesTheBoxClear)
{
    refusesStartAndCancelledSave<AdcFrm>("CV5320 Register Files(*.txt)|*.txt|All Files (*.*)|*.*");
    refusesStartAndCancelledSave<RRTabStageFrm>(
        "CV5310 Register Files(*.txt)|*.txt|All Files (*.*)|*.*");
}

// The converter view's plain parts: the results file lines, the fields it
// shows of PWR_CONTROL, and the chart's value range.
TEST(AdcResultsFile, HeaderAndDataLinesByteForByte)
{
    EXPECT_EQ(adcResultsHeaderLine(),
              QByteArray("Stage 0\tStage 1\tStage 2\tStage 3\tStage 4\tStage 5\tStage 6\t"
                         "Stage 7\tStage 8\tStage 9\tStage 10\tStage 11\r\n"));

    // A TAB and two blanks before the digits, but one blank after stages 2
    // and 7, and none for a sign; a thirteenth word is no result.
    const int32_t edges[13] = {0, 65535, 7, -1, 0, 0, 0, 0, 0, 0, 0, 65535, 77777};
    EXPECT_EQ(adcResultsDataLine(edges),
              QByteArray(" 0\t  65535\t  7\t-1\t  0\t  0\t  0\t  0\t 0\t  0\t  0\t  65535\r\n"));
}

// The lists' items are in the window's golden file.
TEST(AdcFields, TheFieldsOfPowerControl)
{
    // Each list's field, and the sequence list's end, show as the window loads.
    EXPECT_EQ(converterFieldsOf(0x0050).sequenceStages, 5);

    // Low power (2) still converts; 1 and 3 shut the converter down.
    for (const int mode : {0, 1, 2, 3})
        EXPECT_EQ(isConverting(0x00B0 | mode), mode % 2 == 0) << mode;
}

TEST(AdcChartRange, HoldsTheTracesWithRoomInsideTheConverterScale)
{
    const ValueRange r = adcChartRange(32100, 33200);
    EXPECT_EQ(r.lower, 31800);
    EXPECT_EQ(r.upper, 33500);
    // A flat trace still gets a readable range; the ends of the scale hold.
    const ValueRange flat = adcChartRange(32768, 32768);
    EXPECT_EQ(flat.upper - flat.lower, 400);
    EXPECT_LT(flat.lower, 32768);
    EXPECT_EQ(adcChartRange(0, 50).lower, 0);
    EXPECT_GE(adcChartRange(0, 50).upper, 400);
    EXPECT_EQ(adcChartRange(65500, 65535).upper, 65535);

    EXPECT_FALSE(adcRangeTooWide(r, 32100, 33200));
    EXPECT_TRUE(adcRangeTooWide({0, 65535}, 32700, 32800));
}
