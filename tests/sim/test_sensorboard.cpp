// The finger: a scenario file given to both programs, and the Virtual Sensor
// Board window.
#include "sim/SimBoard.h"
#include "sim/ui/VirtualSensorBoardFrm.h"
#include "support/RunProgram.h"

#include <QDialog>
#include <QDir>
#include <QPushButton>
#include <QTemporaryFile>
#include <QWindow>
#include <gtest/gtest.h>

using namespace cv;
using namespace cv::sim;

TEST(ScenarioOption, BadFileEndsBothProgramsWithItsLine)
{
    QTemporaryFile bad, good;
    ASSERT_TRUE(bad.open() && good.open());
    bad.write("# keys\n100 tap up\n200 slide 0 999 10\n");
    good.write("0 press left\n");
    bad.flush();
    good.flush();
    const QStringList sim = {"--board", "sim", "--scenario", bad.fileName()};
    for (const auto& [program, args] :
         {std::pair<const char*, QStringList>{"cv5320ctl", sim + QStringList{"info"}},
          {"cv5320-eval",
           sim + QStringList{"--render", QDir::tempPath() + "/render-scenario-test"}}}) {
        const auto r = cv::test::runProgram(program, args);
        EXPECT_NE(r.code, 0) << program;
        EXPECT_TRUE(r.err.contains(QStringLiteral("Scenario %1 line 3:").arg(bad.fileName())))
            << r.err.toStdString();
    }
    EXPECT_EQ(
        cv::test::runProgram("cv5320ctl", {"--board", "sim", "--scenario", good.fileName(), "info"})
            .code,
        0);
}

TEST(VirtualSensorBoard, KeysAndSliderDriveTheFinger)
{
    VirtualClock clock;
    SimConfig cfg;
    cfg.scenario = QStringLiteral("none");
    SimBoard board(clock, cfg);
    VirtualSensorBoardFrm w(board);
    w.Form_Load();
    const BoardLayout& layout = board.sensors().board();
    auto* left = w.findChild<QPushButton*>(QStringLiteral("KeyCmd_left"));
    ASSERT_NE(left, nullptr);
    left->pressed();
    EXPECT_EQ(board.sensors().fingerAt(0).touched, 1u << layout.left);
    w.Timer1_Timer();
    EXPECT_FALSE(left->styleSheet().isEmpty()); // shown lit
    left->released();
    EXPECT_EQ(board.sensors().fingerAt(0).touched, 0u);
    w.SliderStrip_Finger(128);
    EXPECT_EQ(board.sensors().fingerAt(0).sliderPos, 128);
    w.SliderStrip_Finger(-1);
    EXPECT_LT(board.sensors().fingerAt(0).sliderPos, 0);
}

TEST(VirtualSensorBoard, StaysUsableBesideAModalWindow)
{
    VirtualClock clock;
    SimBoard board(clock, {});
    VirtualSensorBoardFrm w(board);
    w.Form_Load();
    w.show();
    QDialog modal;
    modal.setWindowModality(Qt::ApplicationModal);
    modal.show();
    w.Timer1_Timer();
    ASSERT_NE(w.windowHandle(), nullptr);
    EXPECT_EQ(w.windowHandle()->transientParent(), modal.windowHandle());
    EXPECT_TRUE(w.isVisible());
    modal.hide();
    w.Timer1_Timer();
    EXPECT_EQ(w.windowHandle()->transientParent(), nullptr);
}
