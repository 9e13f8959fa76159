// The sensor overview: noise and SNR arithmetic, the suggested sensitivities
// against the threshold formula, and the window's tuning on the simulated
// board (its traffic, a touched key, Apply).
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "measure/OverviewCommand.h"
#include "measure/StageResults.h"
#include "measure/ui/SensorOverviewFrm.h"
#include "measure/ui/SpectrumPanel.h"
#include "measure/ui/StatusLanes.h"
#include "support/Files.h"
#include "support/RunProgram.h"
#include "support/SimRig.h"
#include "widgets/NumberCell.h"
#include "widgets/StripChart.h"

#include <QAccessible>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <gtest/gtest.h>

using namespace cv;
using namespace cv::test;

TEST(SensorTuning, NoiseSignalAndSnrOfKnownSeries)
{
    struct Case {
        std::vector<int32_t> noise, touch;
        double sd, pp;
        std::optional<double> signal, snr;
    };
    const Case cases[] = {
        {{0, 1, -1, 2, -2}, {0, 5, 8, 3}, 1.41421, 4, {}, {}}, // within twice the noise
        // Half the farthest still counts as touched; an SNR of exactly 8 passes.
        {{0, 1, -1, 2, -2}, {0, 48, 24, 24}, 1.41421, 4, 32, 8},
        {{0, 1, -1, 2, -2}, {-30, -32, -1}, 1.41421, 4, -31, 7.75},
        {{5, 5, 5}, {5, 15}, 0, 0, 10, 10},      // a quiet stage divides by one count
        {{10, 14}, {12, 40, 44}, 2, 4, 30, 7.5}, // signal from the untouched mean
    };
    for (const Case& c : cases) {
        SnrRecording rec;
        for (int32_t d : c.noise)
            rec.addNoise({d});
        for (int32_t d : c.touch)
            rec.addTouch({d});
        const StageSnr f = rec.figures(0, 8);
        EXPECT_NEAR(f.noiseSd, c.sd, 1e-4);
        EXPECT_EQ(f.noisePp, c.pp);
        EXPECT_EQ(f.signal, c.signal) << c.pp;
        EXPECT_EQ(f.snr, c.snr) << c.pp;
        // Untouched: no mark.
        EXPECT_EQ(f.pass, c.snr ? std::optional(*c.snr >= 8) : std::nullopt) << c.pp;
    }
}

TEST(SensorTuning, ATouchDuringTheNoiseStepLeavesOnlyThatStageUnjudged)
{
    // Stage 3's delta and the status bits in one set of fifty.
    const std::tuple<int32_t, uint32_t, uint32_t> cases[] = {
        {kNoiseTouchDelta, 0, 0},                             // at the bound: noise
        {kNoiseTouchDelta + 1, 0, 1u << 3},                   // one set beyond it
        {-kNoiseTouchDelta - 1, 0, 1u << 3},                  // below the ambient too
        {0, (1u << 11) | (1u << 5), (1u << 11) | (1u << 5)}}; // a bit names its stage
    for (const auto& [delta, limits, touched] : cases) {
        SnrRecording rec;
        std::array<int32_t, kAdcStages> quiet{}, odd{}, touch{};
        odd[3] = delta;
        touch.fill(500);
        for (int i = 0; i < 50; ++i)
            rec.addNoise(i == 25 ? odd : quiet, i == 25 ? limits : 0);
        rec.addTouch(quiet);
        rec.addTouch(touch);
        for (int s = 0; s < kAdcStages; ++s) {
            const StageSnr f = rec.figures(s, 5);
            const bool spoilt = (touched >> s) & 1;
            EXPECT_EQ(f.pass.has_value(), !spoilt) << delta << " " << s;
            EXPECT_EQ(f.why, spoilt ? kTouchedInNoise : QString()) << s;
            EXPECT_EQ(suggestSensitivity(f, 800, 800, 0.6).usable(), !spoilt) << s;
        }
    }
    // Nothing measured: no figure, and why.
    const StageSnr none = SnrRecording{}.figures(0, 5);
    EXPECT_EQ(none.why, kNoSets);
    EXPECT_TRUE(snrJson(0, none, {})["noise_pp"].isNull());
}

TEST(SensorTuning, SuggestionRoundTripsThroughTheThresholdFormula)
{
    // For every entry, a signal whose aim lands on that entry's threshold
    // suggests it, and the stage window's formula puts the threshold there.
    for (const bool positive : {true, false}) {
        for (int e = 0; e < 16; ++e) {
            const double offset = 1600, ambient = 30000;
            const double dist = positive ? double(highThreshold(0, offset, e))
                                         : -double(lowThreshold(0, offset, e));
            const SensSuggestion s = suggestSensitivity(
                {.noisePp = 10, .signal = (positive ? 1 : -1) * dist / 0.6}, offset, offset, 0.6);
            ASSERT_EQ(s.sens, e) << positive;
            EXPECT_EQ(s.positive, positive);
            const int64_t threshold = positive ? highThreshold(ambient, offset, s.sens)
                                               : lowThreshold(ambient, offset, s.sens);
            EXPECT_NEAR(double(threshold - int64_t(ambient)), double(s.distance), 0.5);
        }
    }
    // No usable entry, and why (an untouched stage's why is the window's
    // to show): not beyond 3 x 40 from the ambient; even entry 0 (a quarter
    // of 800) past the signal. Aiming at 600 (entry 11) but keeping 3 x 250
    // clear gives entry 15.
    EXPECT_EQ(suggestSensitivity({.noisePp = 40, .signal = 120}, 800, 800, 0.6).why, kSnrTooLow);
    EXPECT_EQ(suggestSensitivity({.noisePp = 2, .signal = 150}, 800, 800, 0.6).why,
              kOffsetOutOfReach);
    EXPECT_EQ(suggestSensitivity({.noisePp = 250, .signal = 1000}, 800, 800, 0.6).sens, 15);
}

namespace {
// The window on the simulated board with the finger of a scenario file.
struct OverviewRig : ::testing::Test {
    QTemporaryDir dir;
    std::unique_ptr<SimRig> rig;
    std::unique_ptr<SensorOverviewFrm> w;

    void open(const QByteArray& scenario)
    {
        rig = std::make_unique<SimRig>(
            sim::SimConfig{.scenario = writeFile(dir.filePath("touch.txt"), scenario)});
        w = std::make_unique<SensorOverviewFrm>();
        w->Form_Load();
    }
    void run(int ms)
    {
        const int64_t end = rig->services.nowMs() + ms;
        while (w->reading() && rig->services.nowMs() < end) {
            w->ReadTimer_Timer();
            rig->services.sleepMs(w->readTimer()->interval());
        }
    }
    int64_t partIdReads() const
    {
        return std::ranges::count(rig->registerOps(),
                                  RegisterOp{false, TargetChip, reg::PART_ID, 1});
    }
};
} // namespace

TEST_F(OverviewRig, ATouchedKeyPassesTheOthersStayUnmarkedAndOnly0x017Stops)
{
    // Stage 0's key (up on board 58) is tapped twice while touches are recorded.
    open("3000 press up\n3400 release up\n4200 press up\n4600 release up\n");
    w->NoiseSecondsSpin->setValue(2);
    w->NoiseCmd_Click();
    run(2100);
    w->TouchSecondsSpin->setValue(3);
    w->TouchCmd_Click();
    run(3100);
    EXPECT_GE(w->overview().rounds(), 10); // ambient, thresholds, status: >= 1 Hz
    EXPECT_EQ(partIdReads(), 0);
    w->Form_Unload();
    EXPECT_EQ(partIdReads(), 2); // the stop and the loop's end

    for (int s = 0; s < 12; ++s) {
        const StageSnr f = w->recording().figures(s, kDefaultRequiredSnr);
        EXPECT_GT(w->recording().noise(s).count(), 20) << s;
        if (s == 0) {
            ASSERT_TRUE(f.pass);
            EXPECT_GE(*f.snr, 5);
            EXPECT_TRUE(w->suggestion(0).usable());
        } else {
            EXPECT_EQ(w->suggestion(s).why, kNoTouchSeen) << s; // so not judged
        }
    }
}

TEST_F(OverviewRig, ArmsAgainAfterAnInterruptionAndWaitsForAViewOpenedOverIt)
{
    open("");
    run(1000);
    ReadRegister(reg::PART_ID, TargetChip); // the main window identifying the chip
    run(1000);
    EXPECT_EQ(w->overview().rearms(), 1); // and only then: its own reads never end its capture
    EXPECT_EQ(w->CaptureLbl->text(), "Capture ended elsewhere and resumed once.");

    // A stage window opened over it takes the board for half a minute while
    // the board warms up; the overview waits, then takes its capture up
    // again, reading the ambients before it shows the first delta.
    auto other = std::make_unique<CaptureLease>([] { return true; });
    WriteRegister(reg::board::BoardStageSelect, 0x8001, TargetBoard);
    other->claim();
    const int64_t during = w->overview().fetched();
    run(30000);
    EXPECT_EQ(w->overview().fetched(), during); // nor did it take the board back
    other.reset();
    const int64_t rounds = w->overview().rounds();
    while (w->overview().fetched() == during) {
        rig->services.sleepMs(w->readTimer()->interval());
        w->ReadTimer_Timer();
    }
    EXPECT_EQ(w->overview().rounds(), rounds + 1);
    for (int s = 0; s < kAdcStages; ++s)
        EXPECT_LT(std::abs(w->overview().stages()[size_t(s)].delta()), 30) << s;
    run(1000);
    EXPECT_EQ(w->overview().rearms(), 2);
    EXPECT_EQ(w->CaptureLbl->text(), "Capture ended elsewhere and resumed 2 times.");
    EXPECT_GT(w->overview().fetched(), during + 20);
    // The figures cover the stretch since the pause, not across it.
    const TraceStats st = w->chart()->visibleStats(0);
    EXPECT_GT(st.fromSeconds, 30);
    EXPECT_LT(st.peakToPeak(), 40);

    // The table shows the present numbers, each cell drawn as a label draws it.
    for (int shows = 0; shows < 2; ++shows, run(300)) {
        w->ShowTimer_Timer();
        for (int s = 0; s < kAdcStages; ++s) {
            const OverviewStage& o = w->overview().stages()[size_t(s)];
            const std::pair<NumberCell*, int32_t> cells[] = {{w->CdcLbl[s], o.cdc},
                                                             {w->AmbLbl[s], o.amb},
                                                             {w->DeltaLbl[s], o.delta()},
                                                             {w->HighLbl[s], o.high},
                                                             {w->LowLbl[s], o.low}};
            for (const auto& [cell, value] : cells)
                EXPECT_EQ(cell->text(), QString::number(value)) << s;
        }
    }
    for (const QString& text :
         {QStringLiteral("-36"), QStringLiteral("32768"), QStringLiteral("n/a"), QString()}) {
        NumberCell* cell = w->DeltaLbl[0];
        cell->setText(text);
        QLabel label(text);
        label.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label.setFixedSize(cell->size());
        label.setPalette(cell->palette());
        label.setAutoFillBackground(true);
        EXPECT_EQ(cell->grab().toImage(), label.grab().toImage()) << text.toStdString();
        EXPECT_EQ(QAccessible::queryAccessibleInterface(cell)->text(QAccessible::Name), text);
    }
}

// Sets waiting are fetched back to back, three a tick so the window stays
// live, until a probe finds none and the poll's pause begins.
TEST_F(OverviewRig, ATickFetchesAtMostThreeWaitingSetsThenWaits)
{
    open("");
    run(1000);
    do {
        rig->services.sleepMs(w->readTimer()->interval());
        w->ReadTimer_Timer();
    } while (w->readTimer()->interval() != 0); // a fetch that saw more waiting
    rig->services.sleepMs(400);                // and about ten more made meanwhile
    QList<int64_t> perTick;
    while (w->readTimer()->interval() == 0) {
        const int64_t before = w->overview().fetched();
        w->ReadTimer_Timer();
        perTick << w->overview().fetched() - before;
    }
    ASSERT_GE(perTick.size(), 4);
    EXPECT_EQ(perTick.mid(0, 3), (QList<int64_t>{3, 3, 3}));
    EXPECT_LE(*std::max_element(perTick.begin(), perTick.end()), 3);
}

TEST(SensorOverview, ADeltaBarRepaintsOnlyWhenItsPixelsChange)
{
    // 150 px about thresholds of +-1000: the delta's end moves a column per
    // 20 counts, rounded; past a threshold the bar takes its colour.
    DeltaBar bar;
    bar.resize(150, 18);
    bar.setValues(0, 1000, -1000);
    const std::pair<int32_t, bool> steps[] = {
        {10, false},  {11, true},    {0, true},     {-10, false},  {-11, true},   {1000, true},
        {1001, true}, {1001, false}, {-1000, true}, {-1001, true}, {-5000, true}, {-6000, false}};
    for (const auto& [delta, repaints] : steps)
        EXPECT_EQ(bar.setValues(delta, 1000, -1000), repaints) << delta;
    EXPECT_TRUE(bar.setValues(-6000, 1000, -999)); // a threshold moved
}

TEST(SensorTuning, ApplyWritesOnlyTheFieldsItChanges)
{
    SimRig rig;
    const int16_t s1 = reg::bank2(1, reg::SENSITIVITY), s2 = reg::bank2(2, reg::SENSITIVITY);
    WriteRegister(s1, 0x4321, TargetChip);
    WriteRegister(s2, 0x4321, TargetChip);
    rig.clearRecords();
    const int writes = ApplySensChoices(
        {{0, true, sensitivityFields(ReadRegister(reg::bank2(0, reg::SENSITIVITY))).pos},
         {1, true, 9},
         {2, false, 12}});
    EXPECT_EQ(writes, 2);
    EXPECT_EQ(rig.writes().size(), 2u);
    EXPECT_EQ(rig.writesTo(s1), std::vector<int>{0x4921});
    EXPECT_EQ(rig.writesTo(s2), std::vector<int>{0x432C});
}

TEST(CtlOverview, OneObjectPerSecondAndTheSnrExitStatus)
{
    auto run = runProgram(QStringLiteral("cv5320ctl"),
                          {"--board", "sim", "--scenario", "none", "overview", "--seconds", "1"});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(run.out.trimmed().toUtf8()).object();
    EXPECT_EQ(o["t_s"].toDouble(), 1);
    const QJsonArray stages = o["stages"].toArray();
    ASSERT_EQ(stages.size(), 12) << run.out.toStdString();
    for (int s = 0; s < 12; ++s) {
        const QJsonObject st = stages[s].toObject();
        EXPECT_EQ(st["stage"].toInt(), s);
        EXPECT_EQ(st["delta"].toInt(), st["cdc"].toInt() - st["amb"].toInt());
        EXPECT_LT(st["low"].toInt(), st["amb"].toInt());
        EXPECT_GT(st["high"].toInt(), st["amb"].toInt());
    }

    // A key (down: stage 1) tapped while noise is measured: a required SNR
    // fails, naming that stage and why; the others were never touched.
    QTemporaryDir dir;
    const QString tap = writeFile(dir.filePath("tap.txt"), "500 tap down\n");
    run = runProgram(QStringLiteral("cv5320ctl"),
                     {"--board", "sim", "--scenario", tap, "snr", "--noise-seconds", "1",
                      "--touch-seconds", "0.3", "--require", "5", "--stages", "1,2"});
    EXPECT_EQ(run.code, 1);
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 12) << run.out.toStdString();
    for (int s = 0; s < 12; ++s)
        EXPECT_EQ(QJsonDocument::fromJson(lines[s].toUtf8())["why"].toString(),
                  s == 1 ? kTouchedInNoise : kNoTouchSeen)
            << s;
    EXPECT_TRUE(run.err.contains("Stage 1 not judged: touched while measuring noise\n"));
    EXPECT_TRUE(run.err.contains("Stage 2 not judged: no touch seen\n"));
    EXPECT_FALSE(run.err.contains("Stage 0"));

    run =
        runProgram(QStringLiteral("cv5320ctl"), {"--board", "sim", "snr", "--noise-seconds", "1"});
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.err.contains("snr needs --noise-seconds A and --touch-seconds B"));
}

TEST_F(OverviewRig, StatusLanesLightExactlyWithTheBitsEachSetCarries)
{
    open("1000 press up\n1500 release up\n2000 press down\n2300 release down\n");
    run(3000);
    // Truth: the limit status and interrupt line the board sent with each set.
    std::vector<std::array<int32_t, 15>> sets;
    for (const VendorRecord& r : rig->records) {
        const auto op = decodeRegisterOp(r);
        if (op && !op->write && op->target == TargetBoard &&
            op->address == reg::board::CapturedData && op->index == 1) {
            ASSERT_EQ(op->count, 15);
            int16_t status = 0;
            decodeRegisterReply(r.bytes.data(), int16_t(op->address), 15, status,
                                sets.emplace_back().data());
        }
    }
    const StatusLanes& lanes = *w->Lanes;
    int lit = 0, lineUp = 0;
    for (int s : {0, 1, 4}) {
        const int n = w->DeltaPlot->pointCount(lanes.laneTrace(s));
        ASSERT_EQ(n, s == 4 ? 0 : int(sets.size()) - 2) << s; // shown stages only
        for (int age = 0; age < n; ++age) {
            const auto& set = sets[sets.size() - 1 - size_t(age)];
            const double step = StatusLanes::step((set[12] >> s) & 1, (set[13] >> s) & 1);
            ASSERT_EQ(w->DeltaPlot->point(lanes.laneTrace(s), age), lanes.baseline(s) + step);
            lit += step > 0;
            const bool line = set[14] & 1;
            ASSERT_EQ(w->DeltaPlot->point(lanes.lineTrace(), age), line ? 0.7 : 0);
            lineUp += line;
        }
    }
    EXPECT_GT(lit, 20);    // both keys were seen touched...
    EXPECT_GT(lineUp, 20); // ... and their high limit raised the line
    // The spectrum of the ticked stages, frozen by Hold while the sets go on.
    SpectrumPanel& panel = *w->Spectrum;
    panel.RefreshTimer_Timer();
    ASSERT_EQ(panel.spectra().size(), 4u);
    EXPECT_TRUE(panel.csvText().startsWith("hz,stage 0,stage 1,stage 2,stage 3\n"));
    panel.HoldCmd->setChecked(true);
    const int held = panel.spectra()[0].second.samples, before = panel.feed().sets();
    run(1000);
    panel.RefreshTimer_Timer();
    EXPECT_GT(panel.feed().sets(), before);
    EXPECT_EQ(panel.spectra()[0].second.samples, held);
}

TEST(CtlSnr, TheBuiltInFingerFollowsTheStepsSoEveryStageIsJudged)
{
    for (int board : {58, 70}) {
        SimRig rig(sim::SimConfig{board});
        setPromptListener([&rig](const OperatorPrompt& p) { rig.board->followPrompt(p); });
        EXPECT_EQ(ConnectedSequenceStages().size(), 12u) << board;
        EXPECT_EQ(RunSnrCommand({.noiseSeconds = 3, .touchSeconds = 20, .require = 5}), 0) << board;
        setPromptListener({});
        // Told it is done, the finger goes back to the standard script.
        EXPECT_FALSE(rig.board->sensors().scenario().empty());
    }
}
