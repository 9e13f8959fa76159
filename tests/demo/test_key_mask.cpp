// A key exists only inside its outline: a click outside it reaches what lies
// behind, through the window's own routing of the press.
#include "demo/ui/KeyPicture.h"

#include <QMouseEvent>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using namespace cv;

namespace {
class Behind : public QWidget {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};
} // namespace

TEST(KeyMask, OnlyAClickInsideTheOutlineReachesTheKey)
{
    Behind window;
    window.resize(120, 120);
    auto* up = new KeyPicture(KeyUp, &window);
    up->move(30, 30);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // (13, 11) lies under the chevron's inner corner; (8, 11) is on its left stroke.
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {},
                      up->mapTo(&window, QPoint(13, 11)));
    EXPECT_EQ(up->clicks(), 0);
    EXPECT_EQ(window.presses, 1);
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, up->mapTo(&window, QPoint(8, 11)));
    EXPECT_EQ(up->clicks(), 1);
    EXPECT_EQ(window.presses, 1);
}

TEST(KeyMask, TheChevronsAreMirrorImagesWithBothTips)
{
    // Left is Right mirrored about x = 8, Down is Up mirrored about y = 8.5.
    const QRegion left = keyMask(KeyLeft), right = keyMask(KeyRight);
    const QRegion up = keyMask(KeyUp), down = keyMask(KeyDown);
    for (int y = 0; y < 26; ++y)
        for (int x = 0; x < 27; ++x) {
            EXPECT_EQ(left.contains(QPoint(x, y)), right.contains(QPoint(16 - x, y))) << x << y;
            if (y < 18)
                EXPECT_EQ(up.contains(QPoint(x, y)), down.contains(QPoint(x, 17 - y))) << x << y;
        }
    EXPECT_TRUE(left.contains(QPoint(11, 19))); // the bottom tip
}
