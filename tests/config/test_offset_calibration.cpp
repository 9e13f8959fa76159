// Offset calibration: the input classification, each branch of the
// calibration and the search stop rules, on a converter stand-in whose
// result follows the stage's connections and offsets; then end to end on the
// simulated board 58 and its sensors.
#include "CdcStandIn.h"
#include "config/DiagramOps.h"
#include "config/OffsetCalibration.h"
#include "config/StageContext.h"
#include "shell/ui/DiagramFrm.h"
#include "widgets/Led.h"

#include <QTimer>
#include <gtest/gtest.h>

using namespace cv;
using namespace cv::test;

namespace {

// Connection words with every input on bias except the given ones.
struct Inputs {
    int32_t w0 = 0xFFFF;
    int32_t w1 = 0x3FFF;
    Inputs& set(int cin, int code)
    {
        int32_t& w = cin < 7 ? w0 : w1;
        const int shift = 2 * (cin < 7 ? cin : cin - 7);
        w = (w & ~(3 << shift)) | (code << shift);
        return *this;
    }
};
constexpr int kMinus = 1, kPlus = 2, kFloat = 0;

void put(int stage, const Inputs& in)
{
    WriteRegister(reg::bank2(stage, 0), in.w0, TargetChip);
    WriteRegister(reg::bank2(stage, 1), in.w1, TargetChip);
}

struct CalibrationRig {
    SimRig rig;
    CdcStandIn cdc{rig};
    int stage;

    explicit CalibrationRig(int s = 3) : stage(s)
    {
        cdc.attach();
        CurrentStage = static_cast<int16_t>(s);
        StageInputSetup = stageInputSetupFor(s);
    }
    void connect(const Inputs& in)
    {
        put(stage, in);
        WriteRegister(reg::bank2(stage, 2), 0, TargetChip);
        rig.clearRecords();
        rig.services.messages.clear();
    }
    int32_t afe() const { return rig.board->chip().peek(reg::bank2(stage, 2)); }
    int32_t result() const { return cdc.resultOf(stage); }
    std::vector<int> afeWrites() const { return rig.writesTo(reg::bank2(stage, 2)); }
};

} // namespace

TEST(InputClassification, CountsSidesAndFloatingInputsButNotTheSpareBits)
{
    // Which stages count as single-ended is pinned by the header's power-up mask.
    auto counts = [](const Inputs& in) {
        const auto c = classifyInputs(in.w0, in.w1);
        return std::tuple(c.PosCount, c.NegCount, c.Floating);
    };
    // Not-used pairs and offset-disable bits cleared or set: still all bias.
    EXPECT_EQ(counts(Inputs{0x3FFF, 0x0FFF}), std::tuple(0, 0, false));
    EXPECT_EQ(counts(Inputs{0x3FFF, 0xCFFF}), std::tuple(0, 0, false));
    EXPECT_EQ(
        counts(Inputs().set(0, kPlus).set(6, kPlus).set(7, kMinus).set(12, kMinus).set(11, kMinus)),
        std::tuple(2, 3, false));
    // A floating input counts on both sides, the last one too.
    EXPECT_EQ(counts(Inputs().set(12, kFloat)), std::tuple(1, 1, true));
}

TEST(OffsetCalibration, SingleEndedStagesLandInTheirWindowOnEitherSide)
{
    for (int code : {kMinus, kPlus}) {
        CalibrationRig t;
        t.connect(Inputs().set(4, code));
        const auto r = CalibrateStageOffset(inputWindowConstants());
        EXPECT_EQ(r.Branch, code == kMinus ? CalibrationBranch::SingleNegative
                                           : CalibrationBranch::SinglePositive);
        EXPECT_FALSE(r.OutOfRange);
        EXPECT_NEAR(t.result(), 35000, 15000); // the window 20000..50000
        const int field = code == kMinus ? t.afe() & 0x3F : (t.afe() >> 8) & 0x3F;
        EXPECT_NEAR(field, 20, 4); // one sensor of 20 steps
        // Only the search's own side was used.
        EXPECT_EQ(t.afe() & (code == kMinus ? 0xBF00 : 0x00BF), 0);
    }
}

TEST(OffsetCalibration, SingleEndedStageBeyondBothFieldsEndsSwappedWithTheMessage)
{
    CalibrationRig t;
    t.cdc.sensor.fill(90); // more than both fields together can take off
    t.connect(Inputs().set(1, kMinus).set(8, kMinus));
    const auto r = CalibrateStageOffset(inputWindowConstants());
    EXPECT_TRUE(r.OutOfRange);
    EXPECT_EQ(t.afe(), 0x8000 | (63 << 8) | 63);
    ASSERT_EQ(t.rig.services.messages.size(), 1u);
    EXPECT_EQ(t.rig.services.lastMessage(), kMidRangeMessage);
    EXPECT_EQ(t.rig.services.messages[0].icon, MsgIcon::Exclamation);
}

TEST(OffsetSearch, StopAtSwapEndsWhenTheFirstFieldIsSpent)
{
    CalibrationRig t;
    t.cdc.sensor.fill(90);
    int p = -1;
    for (int code : {kMinus, kPlus}) {
        t.connect(Inputs().set(0, code));
        const auto k = inputWindowConstants();
        (code == kMinus ? SearchNegOffsetFirst : SearchPosOffsetFirst)(
            true, p, code == kMinus ? k.NegSearch : k.PosSearch, nullptr);
        EXPECT_EQ(p, 63);
        EXPECT_EQ(t.afe(), code == kMinus ? 63 : 63 << 8); // the other field never moved over
    }

    // Without StopAtSwap the positive search carries on with the negative
    // field moved to the positive side, up to its limit.
    t.cdc.sensor.fill(200);
    t.connect(Inputs().set(0, kPlus));
    int steps = 0;
    SearchPosOffsetFirst(false, p, inputWindowConstants().PosSearch, &steps);
    EXPECT_EQ(p, 63);
    EXPECT_EQ(t.afe(), (63 << 8) | 0x80 | 63);
    EXPECT_EQ(steps, static_cast<int>(t.afeWrites().size()));
}

TEST(OffsetSearch, FinishesAtOnceInsideTheTopWindowAndStepsFinerNearIt)
{
    CalibrationRig t;
    // A stage already at mid-range: no write at all.
    t.cdc.sensor.fill(0);
    t.connect(Inputs().set(3, kPlus));
    int p = -1;
    SearchPosOffsetFirst(false, p, offsetSweepConstants().PosSearch);
    EXPECT_EQ(p, 0);
    EXPECT_TRUE(t.afeWrites().empty());

    // Far from the target the field climbs by 3, close to it (17000..40000)
    // by 1, and by 1 again from 59 up. The first step after 0 counts from 1.
    std::vector<int> far{0, 0};
    for (int n = 4; n < 52; n += 3)
        far.push_back(n);
    auto then = [&](std::vector<int> near) {
        near.insert(near.begin(), far.begin(), far.end());
        return near;
    };
    struct Case {
        int nearTo; // fields from 52 to this one give a result close to the target
        std::vector<int> writes;
    };
    const Case cases[] = {
        // Leaves the near band at 58: below 59, a step of 3.
        {57, then({52, 53, 54, 55, 56, 57, 58, 61, 62, 63})},
        // Leaves it at 59: a step of 1.
        {58, then({52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63})},
    };
    for (const auto& c : cases) {
        t.cdc.scripted = [&](int32_t afe) {
            const int n = afe & 0x3F;
            return n >= 52 && n <= c.nearTo ? 20000 : 5000;
        };
        t.connect(Inputs().set(3, kMinus));
        int n = -1;
        SearchNegOffsetFirst(true, n, inputWindowConstants().NegSearch);
        EXPECT_EQ(t.afeWrites(), c.writes) << c.nearTo;
        EXPECT_EQ(n, 63);
    }
}

TEST(OffsetCalibration, DifferentialStageSearchesEachSideAloneThenRestoresItsConnections)
{
    CalibrationRig t;
    const Inputs in = Inputs().set(0, kPlus).set(7, kMinus);
    t.connect(in);
    const auto r = CalibrateStageOffset(inputWindowConstants());
    EXPECT_EQ(r.Branch, CalibrationBranch::Differential);
    EXPECT_NEAR(t.result(), 32500, 12500); // the window 20000..45000
    EXPECT_EQ(t.afe(), (r.PosResult << 8) | r.NegResult);

    // The connection writes: "+" to bias, then "-" to bias, then restored.
    std::vector<int32_t> conn;
    for (const auto& op : t.rig.writes())
        if (op.address == reg::bank2(t.stage, 0) || op.address == reg::bank2(t.stage, 1))
            conn.push_back(op.value);
    EXPECT_EQ(conn, (std::vector<int32_t>{in.w0 | 0x1555, in.w1 | 0x1555, in.w0 | 0x2AAA,
                                          in.w1 | 0x2AAA, in.w0, in.w1}));
}

TEST(OffsetCalibration, DifferentialTrimLowersTheLargerSideAndStopsAtZero)
{
    // Two sensors of 40 on "-" overflow the negative field; the positive
    // field is trimmed back until the result is in the window.
    {
        CalibrationRig t;
        t.cdc.sensor = {20, 40, 40, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20};
        t.connect(Inputs().set(0, kPlus).set(1, kMinus).set(2, kMinus));
        const auto r = CalibrateStageOffset(inputWindowConstants());
        EXPECT_FALSE(r.OutOfRange);
        EXPECT_NEAR(t.result(), 32500, 12500);
        const auto w = t.afeWrites();
        ASSERT_GE(w.size(), 2u);
        EXPECT_EQ(((w[w.size() - 2] >> 8) & 0x3F) - ((w.back() >> 8) & 0x3F), 2);
        EXPECT_EQ(w.back() & 0xFF, 63);
    }
    // Far too much on "-": the trim runs the positive field down to its
    // floor and reports the stage cannot be brought to mid-range.
    {
        CalibrationRig t;
        t.cdc.sensor = {20, 60, 60, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20};
        t.connect(Inputs().set(0, kPlus).set(1, kMinus).set(2, kMinus));
        const auto r = CalibrateStageOffset(offsetSweepConstants());
        EXPECT_TRUE(r.OutOfRange);
        EXPECT_EQ(t.rig.services.lastMessage(), kMidRangeMessage);
        EXPECT_LT((t.afe() >> 8) & 0x3F, 2);
    }
    // As many inputs on each side and still out of the window: offsets off.
    {
        CalibrationRig t;
        t.cdc.sensor = {20, 120, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20};
        t.connect(Inputs().set(0, kPlus).set(1, kMinus));
        CalibrateStageOffset(inputWindowConstants());
        EXPECT_EQ(t.afe(), 0);
    }
}

TEST(OffsetSweep, CalibratesEveryStageWithTheSweepsWindowAndForcesCalibration)
{
    CalibrationRig t(0);
    InitialiseCinInputs();
    StageInputSetup.Labels[4] = QStringLiteral("kept");
    // Stage 2 single-ended, stage 5 differential, stage 9 floating.
    put(2, Inputs().set(3, kPlus));
    put(5, Inputs().set(3, kPlus).set(10, kMinus));
    put(9, Inputs().set(12, kFloat));
    t.rig.clearRecords();

    const auto reports = CalibrateAllStages();
    ASSERT_EQ(reports.size(), 12u);
    EXPECT_EQ(reports[0].Branch, CalibrationBranch::AllBias);
    EXPECT_EQ(reports[2].Branch, CalibrationBranch::SinglePositive);
    EXPECT_EQ(reports[5].Branch, CalibrationBranch::Differential);
    EXPECT_EQ(reports[9].Branch, CalibrationBranch::Floating);
    EXPECT_NEAR(t.cdc.resultOf(5), 31500, 2500); // the sweep's window 29000..34000
    // The sweep's positive search aims closer: 31000..33000, and a step's worth.
    EXPECT_NEAR(t.cdc.resultOf(2), 32000, 2000);
    // The floating stage: offset 0 without a search, and the one message.
    EXPECT_EQ(t.rig.writesTo(reg::bank2(9, 2)), std::vector<int>{0});
    ASSERT_EQ(t.rig.services.messages.size(), 1u);
    EXPECT_EQ(t.rig.services.lastMessage(), kFloatingInputsMessage);
    EXPECT_EQ(t.rig.services.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(t.rig.services.processEventsCalls, 12);

    EXPECT_EQ(CurrentStage, 11);
    EXPECT_EQ(StageInputSetup.AfeOffsetAddress, reg::bank2(11, 2));
    EXPECT_EQ(StageInputSetup.Labels[4], "kept");
    const auto w = t.rig.writes();
    ASSERT_FALSE(w.empty());
    EXPECT_EQ(w.back().address, reg::AMB_COMP_CTRL0);
    EXPECT_TRUE(w.back().value & 0x4000);
}

TEST(BoardCalibration, AfterEasySetupEveryStageLandsInTheSingleEndedWindow)
{
    SimRig rig(noFinger());
    RequestEasySetup();
    rig.services.sleepMs(200);
    for (int s = 0; s < reg::kStages; ++s) {
        const CalibrationReport r = CalibrateOneStage(s);
        EXPECT_FALSE(r.OutOfRange) << s;
        EXPECT_NEAR(r.Result, 32500, 17500) << s; // the window 15000..50000
    }
    EXPECT_TRUE(rig.services.messages.empty()) << rig.services.lastMessage().toStdString();
}

TEST(BoardCalibration, SweepButtonLightsTheLampUntilOneSecondAfter)
{
    SimRig rig(noFinger());
    DiagramFrm d;
    d.Form_Load();
    d.GetAllOffsetsCmd_Click();
    EXPECT_TRUE(d.GetOffsetsLed->isOn());
    EXPECT_EQ(d.Timer1->interval(), 1000);
    d.Timer1_Timer();
    EXPECT_FALSE(d.GetOffsetsLed->isOn());
    EXPECT_FALSE(d.Timer1->isActive());
}
