// The finger: a scenario file given to both programs, and the Virtual Sensor
// Board window.
#include "sim/SimBoard.h"
#include "sim/ui/VirtualSensorBoardFrm.h"

#include <QDialog>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryFile>
#include <QWindow>
#include <gtest/gtest.h>

using namespace cv;
using namespace cv::sim;

TEST(ScenarioOption, BadFileEndsBothProgramsWithItsLine)
{
    QTemporaryFile bad;
    bad.open();
    bad.write("# keys\n100 tap up\n200 slide 0 999 10\n");
    bad.flush();
    for (const char* program : {"cv5320ctl", "cv5320-eval"}) {
        QProcess p;
        QStringList args = {"--board", "sim", "--scenario", bad.fileName()};
        if (QString::fromLatin1(program) == QLatin1String("cv5320ctl"))
            args << "info";
        else
            args << "--render" << QDir::tempPath() + "/render-scenario-test";
        p.start(QStringLiteral(CV_BIN_DIR "/") + program, args);
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_NE(p.exitCode(), 0) << program;
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        EXPECT_TRUE(err.contains(QStringLiteral("Scenario %1 line 3:").arg(bad.fileName())))
            << err.toStdString();
    }
    QTemporaryFile good;
    good.open();
    good.write("0 press left\n");
    good.flush();
    QProcess p;
    p.start(QStringLiteral(CV_BIN_DIR "/cv5320ctl"),
            {"--board", "sim", "--scenario", good.fileName(), "info"});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0);
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
