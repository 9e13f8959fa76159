// Windows that grow keep their controls to their edges; a window larger
// than the screen opens at the screen's size with every control reachable.
#include "widgets/Placement.h"
#include "widgets/WindowFit.h"

#include <QApplication>
#include <QDialog>
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

TEST(Placement, BesideTheServedWindowElseInTheNearestFreeSpaceElseNowhere)
{
    const QRect screen(0, 0, 1000, 800);
    const QSize board(300, 200);
    struct Case {
        QRect served;
        std::vector<QRect> others;
        std::optional<QPoint> at;
    };
    const Case cases[] = {
        {{0, 0, 400, 300}, {}, QPoint(408, 0)},                      // right of it
        {{0, 0, 692, 300}, {}, QPoint(700, 0)},                      // just fits at the right
        {{0, 0, 701, 300}, {}, QPoint(0, 308)},                      // no room at the right: below
        {{600, 0, 400, 300}, {}, QPoint(292, 0)},                    // left of it
        {{0, 300, 1000, 300}, {{0, 608, 1000, 192}}, QPoint(0, 92)}, // above it
        {{0, 0, 400, 300}, {{408, 0, 592, 800}}, QPoint(0, 308)},    // another at the right
        {{0, 0, 1000, 592}, {}, QPoint(0, 600)},                     // just fits below
        {{0, 0, 1000, 601}, {}, std::nullopt},                       // no room: dock
    };
    for (const Case& c : cases) {
        std::vector<QRect> taken = c.others;
        taken.push_back(c.served);
        const auto at = freeSpotBeside(c.served, board, taken, screen);
        EXPECT_EQ(at, c.at) << c.served.width() << "x" << c.served.height();
        if (at)
            EXPECT_FALSE(coversAny(QRect(*at, board), taken));
    }
}
