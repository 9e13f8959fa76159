// Offset calibration end to end on the simulated board 58 and its sensors.
#include "config/DiagramOps.h"
#include "config/OffsetCalibration.h"
#include "link/RegMap.h"
#include "shell/ui/DiagramFrm.h"
#include "support/SimRig.h"
#include "widgets/Led.h"

#include <QTimer>
#include <gtest/gtest.h>

using namespace cv;
using namespace cv::test;

TEST(BoardCalibration, AfterEasySetupEveryStageLandsInTheSingleEndedWindow)
{
    SimRig rig(noFinger());
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
