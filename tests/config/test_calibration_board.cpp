// Offset calibration end to end on the simulated board 58 and its sensors.
#include "config/DiagramOps.h"
#include "config/OffsetCalibration.h"
#include "config/StageContext.h"
#include "config/ui/DiagramFrm.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "sim/SensorBoard.h"
#include "support/SimRig.h"
#include "widgets/Led.h"

#include <QTimer>

#include <gtest/gtest.h>

using namespace cv;
using namespace cv::test;

namespace {
sim::SimConfig quietBoard()
{
    sim::SimConfig c;
    c.boardId = 58;
    c.scenario = QStringLiteral("none");
    return c;
}
int32_t resultOf(int stage)
{
    return ReadRegister(reg::convResult(stage), TargetChip);
}
} // namespace

TEST(BoardCalibration, AfterEasySetupEveryStageLandsInTheSingleEndedWindow)
{
    SimRig rig(quietBoard());
    RequestEasySetup();
    rig.services.sleepMs(200);
    for (int s = 0; s < reg::kStages; ++s) {
        const CalibrationReport r = CalibrateOneStage(s);
        EXPECT_FALSE(r.OutOfRange) << s;
        EXPECT_GE(r.Result, 15000) << s;
        EXPECT_LE(r.Result, 50000) << s;
    }
    EXPECT_TRUE(rig.services.messages.empty()) << rig.services.lastMessage().toStdString();
}

TEST(BoardCalibration, DifferentialStageEndsInsideItsWindow)
{
    SimRig rig(quietBoard());
    RequestEasySetup();
    InitialiseCinInputs();
    const auto& layout = sim::BoardLayout::forBoard(58);
    ASSERT_GE(layout.electrodes.size(), 2u);
    const int plusCin = layout.electrodes[0].cin, minusCin = layout.electrodes[1].cin;
    uint32_t codes = 0x3FFFFFF;
    codes = (codes & ~(3u << (2 * plusCin))) | (2u << (2 * plusCin));
    codes = (codes & ~(3u << (2 * minusCin))) | (1u << (2 * minusCin));
    const int stage = 4;
    WriteRegister(reg::bank2(stage, 0), static_cast<int32_t>(codes & 0x3FFF), TargetChip);
    WriteRegister(reg::bank2(stage, 1), static_cast<int32_t>((codes >> 14) & 0x0FFF), TargetChip);
    rig.services.sleepMs(100);

    const CalibrationReport r = CalibrateOneStage(stage);
    EXPECT_EQ(r.Branch, CalibrationBranch::Differential);
    EXPECT_FALSE(r.OutOfRange);
    rig.services.sleepMs(100);
    EXPECT_GE(resultOf(stage), 20000);
    EXPECT_LE(resultOf(stage), 45000);
    EXPECT_TRUE(rig.services.messages.empty()) << rig.services.lastMessage().toStdString();
}

TEST(BoardCalibration, SweepButtonLightsTheLampUntilOneSecondAfter)
{
    SimRig rig(quietBoard());
    DiagramFrm d;
    d.Form_Load();
    d.GetAllOffsetsCmd_Click();
    EXPECT_TRUE(d.GetOffsetsLed->isOn());
    EXPECT_EQ(d.Timer1->interval(), 1000);
    EXPECT_EQ(CurrentStage, 11);
    EXPECT_GE(rig.services.processEventsCalls, 12);
    d.Timer1_Timer();
    EXPECT_FALSE(d.GetOffsetsLed->isOn());
    EXPECT_FALSE(d.Timer1->isActive());
}
