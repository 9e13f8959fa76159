// Window masks act on a real X server the way they do not offscreen: a click
// outside a key's outline must reach what lies behind it, not the key. The
// test starts Xvfb on a free display and runs the check there in a child
// process of this test program (the platform is fixed when it starts).
#include "demo/ui/KeyPicture.h"

#include <QCoreApplication>
#include <QFile>
#include <QMouseEvent>
#include <QProcess>
#include <QStandardPaths>
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

// Clicks at a screen position through the X server itself.
bool xClick(const QPoint& global)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"),
            {QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(global.x()),
             QString::number(global.y()), QStringLiteral("click"), QStringLiteral("1")});
    return p.waitForFinished(5000) && p.exitCode() == 0;
}

void settle()
{
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
        QTest::qWait(15);
    }
}

int freeDisplay()
{
    for (int n = 87; n < 140; ++n)
        if (!QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) &&
            !QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
            return n;
    return -1;
}
} // namespace

// Run only by the test below, on its Xvfb display.
TEST(XcbChild, DISABLED_OnlyAClickInsideTheOutlineReachesTheKey)
{
    ASSERT_EQ(qgetenv("CV_TEST_PLATFORM"), "xcb");
    Behind window;
    window.setWindowFlag(Qt::FramelessWindowHint);
    window.setGeometry(40, 40, 120, 120);
    auto* up = new KeyPicture(KeyUp, &window);
    up->move(30, 30);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    settle();

    // (13, 11) lies under the chevron's inner corner, outside the symbol;
    // (8, 11) is on its left stroke.
    const QPoint outside(13, 11), inside(8, 11);
    ASSERT_FALSE(up->mask().contains(outside));
    ASSERT_TRUE(up->mask().contains(inside));

    ASSERT_TRUE(xClick(up->mapToGlobal(outside)));
    settle();
    EXPECT_EQ(up->clicks(), 0);
    EXPECT_EQ(window.presses, 1);

    ASSERT_TRUE(xClick(up->mapToGlobal(inside)));
    settle();
    EXPECT_EQ(up->clicks(), 1);
    EXPECT_EQ(window.presses, 1);
}

TEST(KeyMask, ClicksUnderXvfbReachTheKeyOnlyInsideItsOutline)
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty())
        GTEST_SKIP() << "Xvfb is not installed";
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        << "xdotool is needed to click through the X server";
    const int display = freeDisplay();
    ASSERT_GE(display, 0);
    QProcess server;
    server.start(xvfb, {QStringLiteral(":%1").arg(display), QStringLiteral("-screen"),
                        QStringLiteral("0"), QStringLiteral("640x480x24"),
                        QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    ASSERT_TRUE(server.waitForStarted(5000));
    const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(display);
    for (int i = 0; i < 100 && !QFile::exists(socket); ++i)
        QTest::qWait(50);
    ASSERT_TRUE(QFile::exists(socket)) << "Xvfb did not start";

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":%1").arg(display));
    env.insert(QStringLiteral("CV_TEST_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    // Under AddressSanitizer, the X platform's system libraries are not ours
    // to check: libxkbcommon-x11 hands strndup a buffer without a terminating
    // zero (the strndup check counts one byte past the length it was given),
    // and libdbus keeps allocations for the life of the process.
    QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
    env.insert(QStringLiteral("ASAN_OPTIONS"),
               asan + (asan.isEmpty() ? "" : ":") +
                   QStringLiteral("intercept_strndup=0:detect_leaks=0"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=XcbChild.*"),
                 QStringLiteral("--gtest_also_run_disabled_tests")});
    const bool finished = child.waitForFinished(60000);
    const QString out =
        QString::fromLocal8Bit(child.readAllStandardOutput() + child.readAllStandardError());
    server.terminate();
    server.waitForFinished(5000);
    ASSERT_TRUE(finished);
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("[  PASSED  ] 1 test"))) << out.toStdString();
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
