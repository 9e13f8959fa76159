// Windows that grow keep their controls to their edges; a window larger
// than the screen opens at the screen's size with every control reachable.
#include "widgets/Placement.h"
#include "widgets/WindowFit.h"

#include "support/Captions.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <gtest/gtest.h>

using namespace cv;

TEST(WindowFit, AnchoredControlsKeepToTheirEdgesAndAStretchedOneTakesTheRoom)
{
    QDialog w;
    w.resize(400, 300);
    auto* chart = new QWidget(&w);
    chart->setGeometry(10, 10, 280, 200);
    auto* close = new QPushButton(&w);
    close->setGeometry(300, 260, 90, 30);
    auto* fixed = new QPushButton(&w);
    fixed->setGeometry(10, 260, 90, 30);
    auto* anchors = new Anchors(&w);
    anchors->add(chart, Anchors::Left | Anchors::Top | Anchors::Right | Anchors::Bottom);
    anchors->add(close, Anchors::Right | Anchors::Bottom);
    anchors->add(fixed, Anchors::Left | Anchors::Top);
    EXPECT_EQ(w.minimumSize(), QSize(400, 300));

    w.resize(500, 420);
    anchors->apply();
    EXPECT_EQ(chart->geometry(), QRect(10, 10, 380, 320));
    EXPECT_EQ(close->geometry(), QRect(400, 380, 90, 30));
    EXPECT_EQ(fixed->geometry(), QRect(10, 260, 90, 30));
}

TEST(WindowFit, AWindowTallerThanTheScreenOpensScrollableAtTheScreensSize)
{
    installScreenFit(qApp);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QDialog w;
    w.setFixedSize(300, screen.height() + 500);
    auto* bottom = new QPushButton(QStringLiteral("Close"), &w);
    bottom->setGeometry(10, screen.height() + 450, 100, 30);
    auto* anchors = new Anchors(&w);
    anchors->add(bottom, Anchors::Left | Anchors::Bottom);
    w.show();

    auto* area = w.findChild<QScrollArea*>(QStringLiteral("ScreenFitArea"));
    ASSERT_NE(area, nullptr);
    EXPECT_LE(w.height(), screen.height());
    EXPECT_TRUE(area->widget()->isAncestorOf(bottom));
    EXPECT_EQ(area->widget()->minimumHeight(), screen.height() + 500);
    // Scrolled to the end, the bottom control is in view, where it was placed.
    area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
    EXPECT_EQ(bottom->y(), screen.height() + 450);
    EXPECT_TRUE(area->viewport()->rect().contains(bottom->mapTo(area->viewport(), QPoint(0, 0))));

    QDialog small;
    small.resize(200, 100);
    small.show();
    EXPECT_EQ(small.findChild<QScrollArea*>(), nullptr);
}

// The fixture's windows, each with where the board goes.
TEST(Placement, BesideTheServedWindowElseInTheNearestFreeSpaceElseNowhere)
{
    test::expectCases(
        QStringLiteral("widgets/fixtures/board_spots.txt"), [](const QString& windows) {
            const QStringList n = windows.split(' ');
            std::vector<QRect> taken;
            for (qsizetype i = 0; i + 3 < n.size(); i += 4)
                taken.emplace_back(n[i].toInt(), n[i + 1].toInt(), n[i + 2].toInt(),
                                   n[i + 3].toInt());
            const QSize board(300, 200);
            const auto at = freeSpotBeside(taken.front(), board, taken, QRect(0, 0, 1000, 800));
            EXPECT_FALSE(at && coversAny(QRect(*at, board), taken)) << windows.toStdString();
            return at ? QStringLiteral("at %1 %2").arg(at->x()).arg(at->y())
                      : QStringLiteral("dock");
        });
}
