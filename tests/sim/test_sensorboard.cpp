// The finger: a scenario file given to a program, and the Virtual Sensor
// Board window.
#include "sim/SimBoard.h"
#include "sim/ui/VirtualSensorBoardFrm.h"
#include "support/Files.h"
#include "support/RunProgram.h"

#include <QApplication>
#include <QDialog>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWindow>
#include <gtest/gtest.h>

using namespace cv;
using namespace cv::sim;

// The path and line of a bad scenario file; cv5320-eval reads it through the
// same board session (Programs.RefuseWhatTheyCannotDoBeforeOrAsTheyDoIt).
TEST(ScenarioOption, BadFileEndsTheProgramWithItsLine)
{
    QTemporaryDir dir;
    const QString bad =
        cv::test::writeFile(dir.filePath("bad.txt"), "# keys\n100 tap up\n200 wiggle up\n");
    const auto r = cv::test::runProgram("cv5320ctl", {"--board", "sim", "--scenario", bad, "info"});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Scenario %1 line 3: unknown event \"wiggle\" "
                                              "(press, release, tap, slide, hum, loop)")
                                   .arg(bad)))
        << r.err.toStdString();
}

namespace {
// Counts the events that change a widget's look.
struct LookChanges : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        count += e->type() == QEvent::StyleChange || e->type() == QEvent::PaletteChange ||
                 e->type() == QEvent::DynamicPropertyChange;
        return false;
    }
};
} // namespace

TEST(VirtualSensorBoard, DrivesTheFingerChangesItsLookOnlyOnChangesAndStaysBesideModals)
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
    LookChanges looks;
    left->installEventFilter(&looks);
    for (int i = 0; i < 50; ++i)
        w.Timer1_Timer();
    EXPECT_EQ(looks.count, 0); // idle: nothing changes
    left->pressed();
    EXPECT_EQ(board.sensors().fingerAt(0).touched, 1u << layout.left);
    for (int i = 0; i < 50; ++i)
        w.Timer1_Timer();
    EXPECT_TRUE(left->property("lit").toBool()); // shown lit, once
    const int onPress = looks.count;
    EXPECT_GT(onPress, 0);
    left->released();
    w.Timer1_Timer();
    w.Timer1_Timer();
    EXPECT_FALSE(left->property("lit").toBool());
    EXPECT_LE(looks.count, 2 * onPress);
    EXPECT_EQ(board.sensors().fingerAt(0).touched, 0u);

    // The mouse on the slider: segment centres are positions 255 * i / 7,
    // beyond the end centres it stays at 0 or 255; a release lifts it.
    auto* strip = w.findChild<QWidget*>(QStringLiteral("SliderStrip"));
    ASSERT_NE(strip, nullptr);
    strip->resize(800, 40); // segments 100 px wide
    auto mouse = [&](QEvent::Type type, int x) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, QPointF(x, 20), QPointF(x, 20), Qt::LeftButton, held, {});
        QApplication::sendEvent(strip, &e);
        return board.sensors().fingerAt(0).sliderPos;
    };
    EXPECT_DOUBLE_EQ(mouse(QEvent::MouseButtonPress, 150), 255.0 / 7);
    for (const auto& [x, pos] :
         {std::pair{0, 0.0}, {50, 0.0}, {450, 4 * 255.0 / 7}, {750, 255.0}, {799, 255.0}})
        EXPECT_DOUBLE_EQ(mouse(QEvent::MouseMove, x), pos) << x;
    EXPECT_LT(mouse(QEvent::MouseButtonRelease, 400), 0);

    // Beside the home window and any modal one, usable without the focus.
    QWidget home;
    home.setGeometry(10, 10, 300, 200);
    home.show();
    home.activateWindow();
    w.setHomeWindow(&home);
    w.move(home.pos()); // right over it
    w.show();
    w.PlaceBeside(&home);
    EXPECT_FALSE(w.isActiveWindow());
    EXPECT_FALSE(w.frameGeometry().intersects(home.frameGeometry()));

    QDialog modal;
    modal.setWindowModality(Qt::ApplicationModal);
    modal.setGeometry(w.frameGeometry().x() + 80, 50, 200, 100); // opens over it
    modal.show();
    modal.activateWindow();
    w.Timer1_Timer();
    ASSERT_NE(w.windowHandle(), nullptr);
    EXPECT_EQ(w.windowHandle()->transientParent(), modal.windowHandle());
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.isActiveWindow());
    EXPECT_FALSE(w.frameGeometry().intersects(modal.frameGeometry()));
    modal.hide();
    w.Timer1_Timer();
    EXPECT_EQ(w.windowHandle()->transientParent(), nullptr);
    EXPECT_FALSE(w.frameGeometry().intersects(home.frameGeometry()));
}
