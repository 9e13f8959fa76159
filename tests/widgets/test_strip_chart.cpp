#include "widgets/GlyphText.h"
#include "widgets/StripChart.h"

#include "support/Captions.h"
#include "support/FakeServices.h"

#include <QBackingStore>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <array>
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

void wheel(StripChart& c, QPoint at, int notches, Qt::KeyboardModifiers modifiers = {})
{
    QWheelEvent e(QPointF(at), QPointF(c.mapToGlobal(at)), QPoint(), QPoint(0, 120 * notches),
                  Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&c, &e);
}

// A shown chart with two traces; each set arrives 10 ms after the last on
// the fake clock (set 0 at 0 s on the chart's axis).
struct Shown {
    test::FakeServices services;
    CountingChart chart;
    explicit Shown(int sets = 0, int length = 200)
    {
        chart.resize(700, 300);
        chart.setTraceCount(2);
        chart.setTraceName(0, QStringLiteral("Stage 0"));
        chart.setTraceName(1, QStringLiteral("Stage 1"));
        chart.setBounds(0, 1000);
        chart.setOuterBounds(-1000, 3000);
        chart.setLength(length);
        addSets(sets);
        chart.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&chart));
    }
    void addSets(int n)
    {
        for (int i = 0; i < n; ++i, ++next) {
            services.virtualClock().advanceMs(10);
            chart.append(0, double(next));
            chart.append(1, 500 + next % 7);
            for (int t = 2; t < chart.traceCount(); ++t)
                chart.append(t, 40.0 * t + std::sqrt(double(next)));
        }
    }
    QPoint inPlot(double fx = 0.5, double fy = 0.5) const
    {
        const QRect r = chart.plotRect(0);
        return QPoint(r.left() + int(r.width() * fx), r.top() + int(r.height() * fy));
    }
    int next = 0;
};
} // namespace

TEST(StripChart, LengthSettingsSetTheDefaultSpanAndAtLeastWhatIsKept)
{
    test::FakeServices services;
    StripChart c;
    c.setTraceCount(3);
    c.setLength(10);
    c.setBufferLength(5); // never less than the span
    EXPECT_EQ(c.bufferLength(), 10);

    c.selectTrace(2);
    c.selectTrace(7); // out of range: stays
    for (int i = 1; i <= 60; ++i) {
        services.virtualClock().advanceMs(5);
        c.append(double(i)); // the selected trace, one set each
    }
    EXPECT_EQ(c.setCount(), 60);
    EXPECT_EQ(c.pointCount(0), 0);
    EXPECT_EQ(c.point(2, 39), 21);

    // The legend's figures cover the span shown: the last ten sets.
    EXPECT_EQ(c.visibleStats(2).count, 10);
    EXPECT_DOUBLE_EQ(c.visibleStats(2).mean, 55.5);

    // Ten minutes of sets are kept: exactly 65,536, then the oldest goes.
    for (int i = 61; i <= 65536; ++i)
        c.append(double(i));
    EXPECT_EQ(c.pointCount(2), 65536);
    EXPECT_EQ(c.point(2, 65535), 1);
    c.append(65537);
    EXPECT_EQ(c.pointCount(2), 65536);
    EXPECT_EQ(c.point(2, 65535), 2);
    c.clear();
    EXPECT_EQ(c.pointCount(2), 0);
}

TEST(StripChart, PlotsStackTopToBottomWithTheirOwnBounds)
{
    test::FakeServices services;
    StripChart c;
    c.resize(600, 400);
    c.setTraceCount(5);
    c.setBounds(0, 600, 2); // kept for when the plot exists; adds none
    EXPECT_EQ(c.plotCount(), 1);
    c.setPlotCount(3);
    c.setBounds(0, 600, 0);
    c.setOuterBounds(0, 300, 0);
    c.setBounds(-400, 600, 1);
    EXPECT_EQ(c.upperBound(2), 600);
    for (int p = 0; p + 1 < 3; ++p) {
        EXPECT_LT(c.plotRect(p).bottom(), c.plotRect(p + 1).top());
        EXPECT_EQ(c.plotRect(p).left(), c.plotRect(p + 1).left());
        EXPECT_GT(c.plotRect(p).height(), 40);
    }
    EXPECT_TRUE(c.plotRect(3).isNull());

    // Whatever the size and the values, painting stays inside the widget.
    for (int i = 0; i < 500; ++i) {
        services.virtualClock().advanceMs(i % 50 ? 1 : 0);
        c.append(i % 5, i % 3 ? std::nan("") : 1e300 * (i % 2 ? 1 : -1));
    }
    for (QSize size : {QSize(600, 400), QSize(40, 20), QSize(2000, 90)}) {
        c.resize(size);
        c.grab();
        EXPECT_FALSE(c.plotRect(2).isEmpty());
    }
}

TEST(StripChart, ASingleSpikeAmongManyPointsPerColumnStaysVisible)
{
    test::FakeServices services;
    StripChart c;
    c.resize(500, 300);
    c.setLegendVisible(false);
    c.setTraceCount(1);
    c.setTraceColor(0, QColor(255, 0, 0));
    c.setLength(2000);
    c.setBounds(0, 1000);
    for (int i = 0; i < 2000; ++i) {
        services.virtualClock().advanceMs(1);
        c.append(0, i == 1234 ? 900 : 100);
    }
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

TEST(StripChart, TheTimeAxisFollowsArrivalsOnTheProgramsClock)
{
    Shown s(300, 100);
    EXPECT_NEAR(s.chart.viewEndSeconds(), 2.99, 1e-9);

    test::expectCaptions(s.chart, QStringLiteral("widgets/fixtures/StripChart.captions.txt"));
    auto* box = s.chart.findChild<QComboBox*>(QStringLiteral("ChartSpan"));
    ASSERT_TRUE(box);
    emit box->activated(1);
    EXPECT_EQ(s.chart.timeSpan(), 2);
    EXPECT_NEAR(s.chart.viewStartSeconds(), 0.99, 1e-9);

    // Ctrl+wheel zooms in time about the cursor; at the newest set it stays live.
    wheel(s.chart, s.inPlot(0.999), 1, Qt::ControlModifier);
    EXPECT_NEAR(s.chart.timeSpan(), 1.6, 0.01);
    EXPECT_FALSE(s.chart.held());
    EXPECT_EQ(box->currentText(), "1.6 s");

    // A stray click changes nothing; a drag to the right looks back and
    // holds, and the button shows it and lets go.
    QSignalSpy spy(&s.chart, &StripChart::holdChanged);
    auto* hold = s.chart.findChild<QToolButton*>(QStringLiteral("ChartHold"));
    ASSERT_TRUE(hold);
    const QImage live = hold->grab().toImage();
    QTest::mouseClick(&s.chart, Qt::LeftButton, {}, s.inPlot());
    QTest::mousePress(&s.chart, Qt::LeftButton, {}, s.inPlot(0.3));
    QTest::mouseMove(&s.chart, s.inPlot(0.6));
    QTest::mouseRelease(&s.chart, Qt::LeftButton, {}, s.inPlot(0.6));
    EXPECT_TRUE(hold->isChecked());
    EXPECT_NE(hold->grab().toImage(), live);
    EXPECT_LT(s.chart.viewEndSeconds(), 2.9);
    hold->click();
    EXPECT_EQ(hold->grab().toImage(), live);
    EXPECT_NEAR(s.chart.viewEndSeconds(), 2.99, 1e-9);

    // Panning back holds the picture; the history keeps collecting.
    s.chart.panTime(-1);
    EXPECT_TRUE(s.chart.held());
    EXPECT_NEAR(s.chart.viewEndSeconds(), 1.99, 1e-9);
    s.addSets(50);
    EXPECT_NEAR(s.chart.viewEndSeconds(), 1.99, 1e-9);
    EXPECT_EQ(s.chart.pointCount(0), 350);
    // Never beyond the newest set nor before the oldest.
    s.chart.panTime(100);
    EXPECT_NEAR(s.chart.viewEndSeconds(), 3.49, 1e-9);
    s.chart.panTime(-100);
    EXPECT_NEAR(s.chart.viewEndSeconds(), 0.001, 1e-9);

    hold->click();
    EXPECT_NEAR(s.chart.viewEndSeconds(), 3.49, 1e-9);
    EXPECT_EQ(s.chart.visibleStats(0).latest, 349);
    EXPECT_EQ(spy.count(), 4);
}

TEST(StripChart, WheelZoomStaysInsideTheOuterBoundsAndADoubleClickRestores)
{
    Shown s(10);
    const QPoint centre = s.inPlot(0.5, 0.5);
    wheel(s.chart, centre, 1); // in
    EXPECT_TRUE(s.chart.zoomed());
    EXPECT_NEAR(s.chart.viewUpperBound() - s.chart.viewLowerBound(), 800, 1);
    EXPECT_NEAR((s.chart.viewUpperBound() + s.chart.viewLowerBound()) / 2, 500, 5);
    EXPECT_EQ(s.chart.upperBound(), 1000); // only the view moved

    for (int i = 0; i < 30; ++i)
        wheel(s.chart, s.inPlot(0.5, 0.05), -1); // out, near the top
    EXPECT_EQ(s.chart.viewLowerBound(), -1000);
    EXPECT_EQ(s.chart.viewUpperBound(), 3000);

    // A window moving its bounds keeps the user's zoom inside the new outer ones.
    s.chart.setOuterBounds(0, 2000);
    EXPECT_GE(s.chart.viewLowerBound(), 0);
    EXPECT_LE(s.chart.viewUpperBound(), 2000);

    s.chart.setTimeSpan(10);
    s.chart.zoomTime(0, 0.5);
    QTest::mouseDClick(&s.chart, Qt::LeftButton, {}, centre);
    EXPECT_FALSE(s.chart.zoomed());
    EXPECT_EQ(s.chart.viewUpperBound(), 1000);
    EXPECT_EQ(s.chart.timeSpan(), 10); // back to the span chosen
}

TEST(StripChart, ManyAppendsCostFewPaints)
{
    Shown s;
    QTest::qWait(50);
    s.chart.paints = 0;
    // A burst between two event loop turns: one paint.
    s.addSets(10000);
    QTest::qWait(150);
    EXPECT_GE(s.chart.paints, 1);
    EXPECT_LE(s.chart.paints, 2);

    // A held picture does not repaint for appends (the rate's refresh twice a
    // second may come once).
    s.chart.setHold(true);
    QTest::qWait(40);
    s.chart.paints = 0;
    s.addSets(100);
    QTest::qWait(60);
    EXPECT_LE(s.chart.paints, 1);
}

TEST(StripChart, FramesOfNewValuesAddUpToTheWholePicture)
{
    // The view starts 10 ms before the tick at 1 s, whose label then stands
    // over the pane's left end, and scrolls past it. Two plots add the band
    // between their panes, which such frames fill rather than copy. With
    // more sets than columns, a column's rows are kept from frame to frame:
    // a zoom and a scroll must leave none of them stale. The legend stands
    // below, or at the right where its rows have no room there.
    struct Case {
        int plots, sets, length, traces;
    };
    for (const auto [plots, sets, length, traces] :
         {Case{1, 299, 200, 2}, {2, 299, 200, 2}, {2, 1500, 1000, 2}, {2, 299, 200, 20}}) {
        SCOPED_TRACE(testing::Message() << plots << " plots, " << sets << " sets, " << traces);
        Shown s(0, length);
        s.chart.setTraceCount(traces);
        s.addSets(sets);
        s.chart.setPlotCount(plots);
        s.chart.setTracePlot(1, plots - 1);
        QTest::qWait(50);
        auto frame = [&](int n) {
            const int paints = s.chart.paints;
            s.addSets(n);
            EXPECT_TRUE(QTest::qWaitFor([&] { return s.chart.paints > paints; }, 2000));
        };
        // Frames of values alone, then one that brings the legend's figures too.
        for (int n : {3, 3, 3, 3, 11})
            frame(n);
        auto rgb = [&](const QImage& i) {
            return i.copy(QRect(QPoint(), s.chart.size())).convertToFormat(QImage::Format_RGB32);
        };
        auto shown = [&] {
            return rgb(*static_cast<QImage*>(s.chart.backingStore()->paintDevice()));
        };
        // Another width and back: painted with nothing kept.
        auto afresh = [&] {
            s.chart.resize(s.chart.width() + 1, s.chart.height());
            s.chart.grab();
            s.chart.resize(s.chart.width() - 1, s.chart.height());
            return rgb(s.chart.grab().toImage());
        };
        EXPECT_TRUE(shown() == afresh());
        s.chart.zoomValueAxis(plots - 1, 500, 0.5);
        frame(3);
        EXPECT_TRUE(shown() == afresh());
    }
}

TEST(StripChart, AColumnStillFillingIsDrawnAnewNextFrame)
{
    // More sets than columns, and a paint comes between two traces' values
    // of the newest set: its column must not be kept with one value missing.
    Shown s(1500, 1000);
    s.services.virtualClock().advanceMs(10);
    s.chart.append(0, 900);
    s.chart.grab();
    s.chart.append(1, 900);
    const QImage half = s.chart.grab().toImage();
    s.chart.resize(s.chart.width() + 1, s.chart.height());
    s.chart.grab();
    s.chart.resize(s.chart.width() - 1, s.chart.height());
    EXPECT_TRUE(half == s.chart.grab().toImage());
}

TEST(StripChart, APlotNeverShrinksAsItsChartGrows)
{
    Shown s(50);
    s.chart.setTraceCount(12);
    for (int t = 0; t < 12; ++t)
        s.chart.append(t, 10.0 * t);
    // The legend moves beside the plot only where it has no room below.
    for (const int h : {200, 400}) {
        int width = 0;
        for (int w = 500; w <= 1600; w += 10) {
            s.chart.resize(w, h);
            EXPECT_GE(s.chart.plotRect(0).width(), width) << w << "x" << h;
            width = s.chart.plotRect(0).width();
        }
    }
}

TEST(StripChart, ShowsOnlyTracesInViewAndMarksValuesBeyondTheRange)
{
    Shown s;
    s.chart.setTraceColor(0, QColor(255, 0, 255));
    s.chart.setTraceColor(1, QColor(0, 255, 0));
    auto count = [&](const QColor& color, const QRect& area, int n = 0) {
        const QImage image = s.chart.grab().toImage();
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                n += image.pixelColor(x, y) == color;
        return n;
    };
    for (int i = 0; i < 20; ++i)
        s.chart.append(0, 5000);                            // far above the range, a set each
    EXPECT_EQ(count(QColor(0, 255, 0), s.chart.rect()), 0); // trace 1 has no values: no entry
    const QRect r = s.chart.plotRect(0);
    EXPECT_GT(count(QColor(255, 0, 255), r.adjusted(2, 2, -2, -r.height() + 24)), 10);
    EXPECT_EQ(count(QColor(255, 0, 255), r.adjusted(2, 30, -2, -2)), 0);
    // Beside the plot, the title over its left half (the rate stands right),
    // the value labels and the legend's swatch.
    s.chart.setTitle(QStringLiteral("Values"));
    const QImage image = s.chart.grab().toImage();
    auto dark = [&](const QRect& area, int n = 0) {
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                n += image.pixelColor(x, y).lightness() < 128;
        return n;
    };
    EXPECT_GT(dark(QRect(0, 0, r.center().x(), r.top() - 8)), 20);
    // Left of the controls, the rate: here "no new sets", in red.
    int red = 0;
    for (int y = 0; y < r.top() - 8; ++y)
        for (int x = r.center().x(); x < s.chart.findChild<QComboBox*>()->x(); ++x)
            red += image.pixelColor(x, y).saturation() > 100;
    EXPECT_GT(red, 20);
    EXPECT_GT(dark(QRect(0, r.top(), r.left(), r.height())), 20);
    EXPECT_GE(count(QColor(255, 0, 255), QRect(0, r.bottom() + 20, s.chart.width(), 99)), 28);
}

TEST(StripChart, CrossHairReadsTheSetUnderTheCursor)
{
    Shown s(100, 100);
    const QRect r = s.chart.plotRect(0);
    const QStringList newest = s.chart.readOut(QPoint(r.right(), r.top() + r.height() / 2));
    ASSERT_EQ(newest.size(), 3);
    EXPECT_TRUE(newest[0].startsWith(QStringLiteral("0.990 s   set 99   cursor ")));
    EXPECT_EQ(newest[1], "Stage 0: 99.0");
    EXPECT_EQ(newest[2], "Stage 1: 501.0");
    const QStringList oldest = s.chart.readOut(QPoint(r.left(), r.top() + 1));
    EXPECT_TRUE(oldest[0].startsWith(QStringLiteral("0.000 s   set 0 ")));
    EXPECT_TRUE(s.chart.readOut(QPoint(1, 1)).isEmpty());

    s.chart.paints = 0;
    QTest::mouseMove(&s.chart, s.inPlot()); // paints the cross-hair
    QTest::qWait(60);
    EXPECT_GE(s.chart.paints, 1);

    // Low in the pane, the read-out reaches below it; as new sets scroll
    // its figures along, no frame leaves an old one standing there.
    QTest::mouseMove(&s.chart, s.inPlot(0.2, 0.97));
    for (int i = 0; i < 3; ++i) {
        const int paints = s.chart.paints;
        s.addSets(3);
        EXPECT_TRUE(QTest::qWaitFor([&] { return s.chart.paints > paints; }, 2000));
    }
    auto rgb = [&](const QImage& i) {
        return i.copy(QRect(QPoint(), s.chart.size())).convertToFormat(QImage::Format_RGB32);
    };
    EXPECT_TRUE(rgb(*static_cast<QImage*>(s.chart.backingStore()->paintDevice())) ==
                rgb(s.chart.grab().toImage()));
}

TEST(StripChart, SavesTheSetsInViewAsCsvAndThePictureAsPng)
{
    QTemporaryDir dir;
    Shown s(0, 3);
    for (double v : {1.5, 2.0, 3.25, 4.0}) {
        s.services.virtualClock().advanceMs(250);
        s.chart.append(0, v);
    }
    s.chart.append(1, 7);

    const QString csv = dir.filePath(QStringLiteral("v.csv"));
    ASSERT_TRUE(s.chart.saveVisibleCsv(csv));
    QFile saved(csv);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), "t_s,set,Stage 0,Stage 1\r\n0.250,1,2,\r\n0.500,2,3.25,\r\n"
                               "0.750,3,4,7\r\n");

    // The menu's entries ask for the path through the services.
    const std::unique_ptr<QMenu> menu(s.chart.createContextMenu(&s.chart));
    ASSERT_EQ(menu->actions().size(), 2);

    const QString png = dir.filePath(QStringLiteral("chart.png"));
    s.services.fileAnswers.push_back(png);
    menu->actions()[0]->trigger();
    EXPECT_EQ(QImage(png).size(), s.chart.size() * s.chart.devicePixelRatio());

    // A path that cannot be written is told in the program's words, then
    // the file and the reason; a cancelled dialog does nothing.
    s.services.fileAnswers.push_back(dir.filePath(QStringLiteral("missing/x.csv")));
    menu->actions()[1]->trigger();
    ASSERT_EQ(s.services.messages.size(), 1u);
    EXPECT_EQ(s.services.messages[0].text, "Error: Cannot Save Values to File\n" +
                                               dir.filePath("missing/x.csv") +
                                               ": No such file or directory");
    s.services.fileAnswers.push_back(dir.filePath(QStringLiteral("missing/x.png")));
    s.chart.saveAsPng();
    ASSERT_EQ(s.services.messages.size(), 2u);
    EXPECT_TRUE(s.services.messages[1].text.startsWith("Error: Cannot Save Chart to File\n" +
                                                       dir.filePath("missing/x.png") + ": "));
    s.chart.saveAsPng(); // cancelled
    EXPECT_EQ(s.services.messages.size(), 2u);
}

TEST(StripChart, APauseBreaksTheLineAndTheFiguresStartAfterIt)
{
    // A line through every set, and one drawn by pixel columns of many sets.
    for (const int sets : {200, 2000}) {
        SCOPED_TRACE(sets);
        test::FakeServices services;
        StripChart c;
        c.resize(600, 300);
        c.setTraceCount(1);
        c.setTraceColor(0, QColor(255, 0, 0));
        c.setBounds(0, 1000);
        c.setTimeSpan(10);
        c.setRateLimit(99);
        // The caller's stamps, not the arrivals: 1 s of sets, 1 s paused, 1 s of sets.
        const int half = sets / 2, stepUs = 1'000'000 / half;
        for (int i = 0; i < sets; ++i) {
            services.virtualClock().advanceUs(600'000 / sets);
            if (i == half)
                c.breakLine();
            c.setNextSetTime(int64_t(i) * stepUs + (i < half ? 0 : 1'000'000));
            c.append(0, i < half ? 200 : 800);
        }
        EXPECT_NEAR(c.viewEndSeconds(), 3.0 - stepUs / 1e6, 1e-9);
        EXPECT_EQ(c.rate(), 99); // 100 sets/s or more since the pause, capped
        const TraceStats st = c.visibleStats(0);
        EXPECT_EQ(st.count, half);
        EXPECT_EQ(st.min, 800);
        EXPECT_NEAR(st.fromSeconds, 2.0, 1e-9);
        // Nothing of the trace between 1 s and 2 s.
        const QImage image = c.grab().toImage();
        const QRect r = c.plotRect(0);
        auto x = [&](double t) {
            return r.left() + int((t - c.viewStartSeconds()) * (r.width() - 1) / 10);
        };
        for (int px = x(1.0) + 2; px < x(2.0) - 2; ++px)
            for (int y = r.top() + 1; y < r.bottom(); ++y)
                ASSERT_NE(image.pixelColor(px, y), QColor(255, 0, 0)) << px << "," << y;
    }
}

TEST(GlyphText, DrawsAndMeasuresAsThePainterDoes)
{
    QFont font;
    font.setPointSize(8);
    GlyphText glyphs;
    glyphs.setFont(font);
    // The inked columns of a text drawn at x 20 on baseline 30, left and right.
    auto inked = [&](const QString& text, bool ours) {
        QImage image(300, 40, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter p(&image);
        p.setFont(font);
        p.setPen(Qt::black);
        if (ours)
            glyphs.draw(p, QPointF(20, 30), text);
        else
            p.drawText(QPointF(20, 30), text);
        p.end();
        int left = 300, right = -1, top = 40;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 300; ++x)
                if (qGray(image.pixel(x, y)) < 128) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                }
        return std::array<int, 3>{left, right, top};
    };
    // Digits, the axis's letters, and a mark outside the table drawn as usual.
    for (const char* text : {"32541.0", "-0.25", "108.4 sets/s", "\u25B2 65535"}) {
        const QString s = QString::fromUtf8(text);
        EXPECT_NEAR(glyphs.width(s), QFontMetricsF(font).horizontalAdvance(s), 1.0) << text;
        const auto want = inked(s, false), got = inked(s, true);
        ASSERT_GE(got[1], got[0]) << text;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(got[size_t(i)], want[size_t(i)]) << text << " edge " << i;
    }
}
