#include "widgets/StripChart.h"

#include "support/FakeServices.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <cmath>
#include <gtest/gtest.h>

using namespace cv;

namespace {
// Counts the paints that reach the widget.
class CountingChart : public StripChart {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* e) override
    {
        ++paints;
        StripChart::paintEvent(e);
    }
};

void wheel(StripChart& c, QPoint at, int notches)
{
    QWheelEvent e(QPointF(at), QPointF(c.mapToGlobal(at)), QPoint(), QPoint(0, 120 * notches),
                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&c, &e);
}

QString readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// A shown chart with two traces of `points` values each.
struct Shown {
    CountingChart chart;
    explicit Shown(int points = 0)
    {
        chart.resize(700, 300);
        chart.setTraceCount(2);
        chart.setTraceName(0, QStringLiteral("Stage 0"));
        chart.setTraceName(1, QStringLiteral("Stage 1"));
        chart.setBounds(0, 1000);
        chart.setOuterBounds(-1000, 3000);
        for (int i = 0; i < points; ++i) {
            chart.append(0, i);
            chart.append(1, 500 + i % 7);
        }
        chart.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&chart));
    }
    QPoint inPlot(double fx = 0.5, double fy = 0.5) const
    {
        const QRect r = chart.plotRect(0);
        return QPoint(r.left() + int(r.width() * fx), r.top() + int(r.height() * fy));
    }
};
} // namespace

TEST(StripChart, LengthSettingsBoundWhatIsShownAndWhatIsKept)
{
    StripChart c;
    c.setTraceCount(3);
    EXPECT_EQ(c.traceCount(), 3);
    c.setLength(100);
    EXPECT_EQ(c.bufferLength(), 200); // the first chart keeps 200 unless told
    c.setLength(300);
    EXPECT_EQ(c.bufferLength(), 300); // never less than the span
    c.setBufferLength(50);
    EXPECT_EQ(c.bufferLength(), 300);
    c.setLength(10);
    c.setBufferLength(40);
    EXPECT_EQ(c.length(), 10);
    EXPECT_EQ(c.bufferLength(), 40);

    c.selectTrace(2);
    EXPECT_EQ(c.selectedTrace(), 2);
    c.selectTrace(7); // out of range: stays
    EXPECT_EQ(c.selectedTrace(), 2);
    for (int i = 1; i <= 60; ++i)
        c.append(double(i)); // the selected trace
    EXPECT_EQ(c.pointCount(2), 40);
    EXPECT_EQ(c.pointCount(0), 0);
    EXPECT_EQ(c.point(2, 0), 60);
    EXPECT_EQ(c.point(2, 39), 21);

    // The legend's figures cover the span shown, not all that is kept.
    const TraceStats s = c.visibleStats(2);
    EXPECT_EQ(s.count, 10);
    EXPECT_EQ(s.latest, 60);
    EXPECT_DOUBLE_EQ(s.mean, 55.5);
    EXPECT_EQ(s.peakToPeak(), 9);

    // A longer buffer keeps what is there; a shorter one the newest.
    c.setBufferLength(100);
    EXPECT_EQ(c.pointCount(2), 40);
    EXPECT_EQ(c.point(2, 0), 60);
    c.setBufferLength(15);
    EXPECT_EQ(c.pointCount(2), 15);
    EXPECT_EQ(c.point(2, 14), 46);

    c.setTraceColor(QColor(Qt::red));
    EXPECT_EQ(c.traceColor(2), QColor(Qt::red));
    c.clear();
    EXPECT_EQ(c.pointCount(2), 0);
    EXPECT_EQ(c.visibleStats(2).count, 0);
    c.setTraceCount(12);
    EXPECT_EQ(c.traceCount(), 12);
    EXPECT_EQ(c.selectedTrace(), 0);
}

TEST(StripChart, PlotsStackTopToBottomWithTheirOwnBounds)
{
    StripChart c;
    c.resize(600, 400);
    c.setTraceCount(5);
    EXPECT_EQ(c.plotCount(), 1);
    c.setBounds(0, 600, 2); // kept for when the plot exists; adds none
    EXPECT_EQ(c.plotCount(), 1);
    c.setPlotCount(3);
    c.setBounds(0, 600, 0);
    c.setOuterBounds(0, 300, 0);
    c.setBounds(-400, 600, 1);
    EXPECT_EQ(c.upperBound(2), 600);
    EXPECT_EQ(c.lowerBound(1), -400);
    EXPECT_EQ(c.outerUpperBound(0), 300);
    EXPECT_EQ(c.outerUpperBound(1), 600); // no outer bounds: the set ones
    EXPECT_EQ(c.viewUpperBound(1), 600);
    for (int p = 0; p + 1 < 3; ++p) {
        EXPECT_LT(c.plotRect(p).bottom(), c.plotRect(p + 1).top());
        EXPECT_EQ(c.plotRect(p).left(), c.plotRect(p + 1).left());
        EXPECT_GT(c.plotRect(p).height(), 40);
    }
    EXPECT_TRUE(c.plotRect(3).isNull());

    // Whatever the size and the values, painting stays inside the widget.
    for (int i = 0; i < 500; ++i)
        c.append(i % 5, i % 3 ? std::nan("") : 1e300 * (i % 2 ? 1 : -1));
    for (QSize size : {QSize(600, 400), QSize(40, 20), QSize(2000, 90)}) {
        c.resize(size);
        const QImage image = c.grab().toImage();
        EXPECT_EQ(image.size(), size * c.devicePixelRatio());
        EXPECT_FALSE(c.plotRect(2).isEmpty());
    }
}

TEST(StripChart, ASingleSpikeAmongManyPointsPerColumnStaysVisible)
{
    StripChart c;
    c.resize(500, 300);
    c.setLegendVisible(false);
    c.setTraceCount(1);
    c.setTraceColor(0, QColor(255, 0, 0));
    c.setLength(2000);
    c.setBounds(0, 1000);
    for (int i = 0; i < 2000; ++i)
        c.append(0, i == 1234 ? 900 : 100);
    const QImage image = c.grab().toImage();
    const QRect r = c.plotRect(0);
    ASSERT_LT(r.width(), 2000 / 3); // several points per column
    auto red = [&](int x, int y) { return image.pixelColor(x, y) == QColor(255, 0, 0); };
    auto yOf = [&](double v) { return r.top() + int((1000 - v) / 1000 * (r.height() - 1)); };

    const int spikeX = r.left() + 1234 * r.width() / 2000;
    int top = r.bottom();
    for (int x = spikeX - 1; x <= spikeX + 1; ++x)
        for (int y = r.top() + 2; y < r.bottom() - 1; ++y)
            if (red(x, y))
                top = std::min(top, y);
    EXPECT_NEAR(top, yOf(900), 1);
    // Nothing of the trace is drawn above the spike, and the flat part is whole.
    for (int x = r.left() + 2; x < r.right() - 1; ++x) {
        for (int y = r.top() + 2; y < yOf(900) - 1; ++y)
            ASSERT_FALSE(red(x, y)) << x << "," << y;
        EXPECT_TRUE(red(x, yOf(100)) || red(x, yOf(100) + 1) || red(x, yOf(100) - 1)) << x;
    }
}

TEST(StripChart, AClickOnAPlotTogglesHoldAndFreezesThePicture)
{
    Shown s(50);
    QSignalSpy spy(&s.chart, &StripChart::holdChanged);
    QTest::mouseClick(&s.chart, Qt::LeftButton, {}, s.inPlot());
    EXPECT_TRUE(s.chart.hold());
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.takeFirst().at(0).toBool(), true);

    // What a window still appends does not move the held picture.
    const TraceStats before = s.chart.visibleStats(0);
    for (int i = 0; i < 30; ++i)
        s.chart.append(0, 5000);
    EXPECT_EQ(s.chart.visibleStats(0).latest, before.latest);
    EXPECT_EQ(s.chart.visibleStats(0).count, before.count);

    // Clicks outside the plots (title, legend, axis) leave hold alone.
    QTest::mouseClick(&s.chart, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseClick(&s.chart, Qt::RightButton, {}, s.inPlot());
    EXPECT_TRUE(s.chart.hold());

    QTest::mouseClick(&s.chart, Qt::LeftButton, {}, s.inPlot(0.2));
    EXPECT_FALSE(s.chart.hold());
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.takeFirst().at(0).toBool(), false);
    EXPECT_EQ(s.chart.visibleStats(0).latest, 5000);

    s.chart.setHold(false); // no change, no signal
    EXPECT_EQ(spy.count(), 0);
}

TEST(StripChart, WheelZoomStaysInsideTheOuterBoundsAndADoubleClickRestores)
{
    Shown s(10);
    const QPoint centre = s.inPlot(0.5, 0.5);
    wheel(s.chart, centre, 1); // in
    EXPECT_TRUE(s.chart.zoomed());
    EXPECT_NEAR(s.chart.viewUpperBound() - s.chart.viewLowerBound(), 800, 1);
    EXPECT_NEAR((s.chart.viewUpperBound() + s.chart.viewLowerBound()) / 2, 500, 5);
    // The set bounds are what the window set; only the view moved.
    EXPECT_EQ(s.chart.upperBound(), 1000);

    for (int i = 0; i < 30; ++i)
        wheel(s.chart, s.inPlot(0.5, 0.05), -1); // out, near the top
    EXPECT_EQ(s.chart.viewLowerBound(), -1000);
    EXPECT_EQ(s.chart.viewUpperBound(), 3000);

    // A window moving its bounds keeps the user's zoom inside the new outer ones.
    s.chart.setOuterBounds(0, 2000);
    EXPECT_GE(s.chart.viewLowerBound(), 0);
    EXPECT_LE(s.chart.viewUpperBound(), 2000);
    EXPECT_TRUE(s.chart.zoomed());

    // A double click arrives as a click (which toggles hold) and the double click.
    const bool held = s.chart.hold();
    QTest::mouseClick(&s.chart, Qt::LeftButton, {}, centre);
    QTest::mouseDClick(&s.chart, Qt::LeftButton, {}, centre);
    EXPECT_FALSE(s.chart.zoomed());
    EXPECT_EQ(s.chart.viewLowerBound(), 0);
    EXPECT_EQ(s.chart.viewUpperBound(), 1000);
    EXPECT_EQ(s.chart.hold(), held); // a double click is no hold toggle

    // Unzoomed, the view follows the bounds the window sets.
    s.chart.setBounds(200, 400);
    EXPECT_EQ(s.chart.viewLowerBound(), 200);
    EXPECT_EQ(s.chart.viewUpperBound(), 400);
}

TEST(StripChart, ManyAppendsCostFewPaints)
{
    Shown s;
    QTest::qWait(50);
    s.chart.paints = 0;
    // A burst between two event loop turns: one paint.
    for (int i = 0; i < 20000; ++i)
        s.chart.append(i % 2, i);
    QTest::qWait(150);
    EXPECT_GE(s.chart.paints, 1);
    EXPECT_LE(s.chart.paints, 2);

    // Appends that arrive as a stream repaint at the frame rate, not per append.
    s.chart.paints = 0;
    QElapsedTimer t;
    t.start();
    int appends = 0;
    while (t.elapsed() < 200) {
        s.chart.append(0, appends++);
        QCoreApplication::processEvents();
    }
    QTest::qWait(40);
    EXPECT_GT(appends, 100);
    EXPECT_LE(s.chart.paints, int(t.elapsed() / 10) + 2);

    // A held chart does not repaint for appends.
    s.chart.setHold(true);
    QTest::qWait(40);
    s.chart.paints = 0;
    for (int i = 0; i < 100; ++i)
        s.chart.append(0, i);
    QTest::qWait(60);
    EXPECT_EQ(s.chart.paints, 0);
}

TEST(StripChart, CrossHairReadsTheValuesUnderTheCursor)
{
    Shown s;
    s.chart.setLength(100);
    for (int i = 0; i < 100; ++i) {
        s.chart.append(0, i * 10);
        s.chart.append(1, 500);
    }
    const QRect r = s.chart.plotRect(0);
    const QStringList newest = s.chart.readOut(QPoint(r.right(), r.top() + r.height() / 2));
    ASSERT_EQ(newest.size(), 3);
    EXPECT_TRUE(newest[0].startsWith(QStringLiteral("sample 0 ")));
    EXPECT_EQ(newest[1], "Stage 0: 990");
    EXPECT_EQ(newest[2], "Stage 1: 500");
    const QStringList oldest = s.chart.readOut(QPoint(r.left(), r.top() + 1));
    EXPECT_TRUE(oldest[0].startsWith(QStringLiteral("sample -99 ")));
    EXPECT_EQ(oldest[1], "Stage 0: 0");
    EXPECT_TRUE(s.chart.readOut(QPoint(1, 1)).isEmpty());

    // Moving over the plot paints the cross-hair.
    s.chart.paints = 0;
    QTest::mouseMove(&s.chart, s.inPlot());
    QTest::qWait(60);
    EXPECT_GE(s.chart.paints, 1);
}

TEST(StripChart, SavesTheVisibleSpanAsCsvAndThePictureAsPng)
{
    test::FakeServices services;
    QTemporaryDir dir;
    Shown s;
    s.chart.setLength(3);
    for (double v : {1.5, 2.0, 3.25, 4.0})
        s.chart.append(0, v);
    s.chart.append(1, 7);

    const QString csv = dir.filePath(QStringLiteral("v.csv"));
    ASSERT_TRUE(s.chart.saveVisibleCsv(csv));
    EXPECT_EQ(readAll(csv), "Stage 0,Stage 1\r\n2,\r\n3.25,\r\n4,7\r\n");
    EXPECT_FALSE(s.chart.saveVisibleCsv(dir.filePath(QStringLiteral("missing/v.csv"))));

    // The menu's entries ask for the path through the services.
    QMenu* menu = s.chart.createContextMenu(&s.chart);
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), "Save as PNG");
    EXPECT_EQ(menu->actions()[1]->text(), "Save visible data as CSV");

    const QString csv2 = dir.filePath(QStringLiteral("menu.csv"));
    services.fileAnswers.push_back(csv2);
    menu->actions()[1]->trigger();
    ASSERT_EQ(services.fileRequests.size(), 1u);
    EXPECT_TRUE(services.fileRequests[0].save);
    EXPECT_TRUE(services.fileRequests[0].filter.contains(QStringLiteral("*.csv")));
    EXPECT_EQ(readAll(csv2), readAll(csv));
    EXPECT_TRUE(services.messages.empty());

    const QString png = dir.filePath(QStringLiteral("chart.png"));
    services.fileAnswers.push_back(png);
    menu->actions()[0]->trigger();
    const QImage image(png);
    EXPECT_EQ(image.size(), s.chart.size() * s.chart.devicePixelRatio());

    // A path that cannot be written is told in the program's words; a
    // cancelled dialog does nothing.
    services.fileAnswers.push_back(dir.filePath(QStringLiteral("missing/x.csv")));
    s.chart.saveVisibleDataAsCsv();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text, "Error: Cannot Save Values to File");
    EXPECT_EQ(services.messages[0].title, kAppTitle);
    services.fileAnswers.push_back(dir.filePath(QStringLiteral("missing/x.png")));
    s.chart.saveAsPng();
    ASSERT_EQ(services.messages.size(), 2u);
    EXPECT_EQ(services.messages[1].text, "Error: Cannot Save Chart to File");
    s.chart.saveAsPng(); // cancelled
    EXPECT_EQ(services.messages.size(), 2u);
    delete menu;
}
