#include "widgets/StripChartData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

using namespace cv::chart;

namespace {
// `sets` sets of `traces` values 10 ms apart; trace 1 skips every third set
// and sets 4930 to 4989 (whole blocks without a value).
History historyOf(int64_t capacity, int sets, std::mt19937& rng, int traces = 2)
{
    History h;
    h.reset(traces, capacity);
    std::uniform_real_distribution<double> d(-500, 500);
    for (int s = 0; s < sets; ++s)
        for (int t = 0; t < traces; ++t)
            if (t != 1 || (s % 3 && (s < 4930 || s >= 4990)))
                h.append(t, std::round(d(rng)), 1'000'000 + s * 10'000LL);
    return h;
}
} // namespace

TEST(History, KeepsTheNewestSetsAndReducesLikeACountOverThem)
{
    std::mt19937 rng(7);
    History h = historyOf(300, 600, rng); // rounded up to a power of two
    EXPECT_EQ(h.capacity(), 512);
    EXPECT_EQ(h.firstSet(), 88);
    EXPECT_EQ(h.seconds(599), 5.99);
    EXPECT_TRUE(std::isnan(h.value(1, 597))); // skipped set
    EXPECT_EQ(h.lowerBound(1'000'000 + 3'055'000), 306);
    EXPECT_EQ(h.lowerBound(0), 88);

    // Reductions and last values over every kind of stretch, blocks or not,
    // against a count.
    for (int64_t capacity : {256, 1024, 4096}) {
        const History r = historyOf(capacity, 5000, rng);
        for (int trace : {0, 1})
            // clang-format off
            for (auto [a, b] : {std::pair<int64_t, int64_t>{0, 5000}, {4990, 5000}, {4100, 4999},
                                {4903, 4937}, {4999, 5000}, {4990, 4990}, {1000, 4700},
                                {4903, 4980}, {4000, 4992}, {4929, 4960}}) {
                // clang-format on
                Reduction want;
                double sum = 0, sumSq = 0;
                for (int64_t s = std::max(a, r.firstSet()); s < b; ++s) {
                    const double v = r.value(trace, s);
                    if (std::isnan(v))
                        continue;
                    want.min = want.count ? std::min(want.min, v) : v;
                    want.max = want.count ? std::max(want.max, v) : v;
                    want.first = want.count++ ? want.first : v;
                    want.last = v;
                    sum += v;
                    sumSq += v * v;
                }
                const Reduction got = r.reduce(trace, a, b);
                ASSERT_EQ(got.count, want.count) << capacity << " " << a << ".." << b;
                const double last = r.lastIn(trace, a, b);
                if (!want.count) {
                    EXPECT_TRUE(std::isnan(last)) << a << ".." << b;
                    continue;
                }
                EXPECT_EQ(last, want.last) << capacity << " " << a << ".." << b;
                const double mean = sum / double(want.count);
                EXPECT_EQ(got.min, want.min);
                EXPECT_EQ(got.max, want.max);
                EXPECT_EQ(got.first, want.first);
                EXPECT_EQ(got.last, want.last);
                EXPECT_NEAR(got.mean(), mean, 1e-9);
                if (want.count > 1)
                    EXPECT_NEAR(got.stddev(), std::sqrt(sumSq / double(want.count) - mean * mean),
                                1e-6);
            }
    }

    h.clear();
    EXPECT_EQ(h.size(), 0);
    EXPECT_EQ(h.reduce(0, 0, 100).count, 0);
}

TEST(History, ArrivalTimesGiveTheRate)
{
    History h;
    h.reset(1, 1000);
    EXPECT_EQ(h.rate(0), 0);
    for (int s = 0; s < 500; ++s)
        h.append(0, s, s * 9225LL); // 108.4 sets/s
    EXPECT_NEAR(h.rate(500 * 9225LL), 108.4, 0.05);
    EXPECT_GT(h.rate(499 * 9225LL + 1'000'000), 0); // quiet for a second
    EXPECT_EQ(h.rate(499 * 9225LL + 1'000'001), 0); // stalled for over a second
}

TEST(TimeWindow, SpansSetsOrSecondsLiveOrHeld)
{
    History h;
    h.reset(1, 100);
    auto window = [&](TimeSpan span, std::optional<int64_t> held = std::nullopt) {
        const TimeWindow w = timeWindow(h, span, held);
        return std::pair<int64_t, int64_t>{w.startUs, w.endUs};
    };
    using W = std::pair<int64_t, int64_t>;
    EXPECT_EQ(window({10, 0}), (W{-1'000'000, 0})); // nothing yet
    for (int s = 0; s < 5; ++s)
        h.append(0, s, 1'000'000 + s * 100'000LL);
    // A young history extends to the left at its rate so far.
    EXPECT_EQ(window({10, 0}), (W{500'000, 1'400'000}));
    for (int s = 5; s < 30; ++s)
        h.append(0, s, 1'000'000 + s * 100'000LL);
    EXPECT_EQ(window({10, 0}), (W{3'000'000, 3'900'000}));
    EXPECT_EQ(window({10, 2.5}), (W{1'400'000, 3'900'000}));
    EXPECT_EQ(window({10, 0}, 2'050'000), (W{1'100'000, 2'050'000})); // held

    // Spans as a person says them, the list's own and those of a time zoom.
    const std::pair<double, const char*> spans[] = {
        {0.35, "0.35 s"}, {1.6384, "1.6 s"}, {9.94, "9.9 s"},         {9.96, "10 s"},
        {59.4, "59 s"},   {59.6, "1 min"},   {196.608, "3 min 17 s"}, {600, "10 min"}};
    for (const auto& [seconds, text] : spans)
        EXPECT_EQ(spanText({200, seconds}), text) << seconds;
    EXPECT_EQ(spanText({200, 0}), "200 sets");
}

TEST(ValueZoom, StaysInsideTheOuterBoundsAndKeepsTheAnchor)
{
    const ValueRange limit = zoomLimit({0, 100}, {-100, 200});
    EXPECT_EQ(limit, (ValueRange{-100, 200}));
    // Outer bounds inside the set ones widen to take the set ones in.
    EXPECT_EQ(zoomLimit({0, 600}, {0, 300}), (ValueRange{0, 600}));

    ValueRange in = zoomRange({0, 100}, 25, 0.5, limit);
    EXPECT_DOUBLE_EQ(in.lower, 12.5);
    EXPECT_DOUBLE_EQ(in.upper, 62.5);

    // Zooming out far ends exactly at the outer bounds.
    ValueRange out = {0, 100};
    for (int i = 0; i < 20; ++i)
        out = zoomRange(out, 90, 1.25, limit);
    EXPECT_EQ(out, limit);

    // Near an edge the range slides inside instead of passing it.
    const ValueRange edge = zoomRange({150, 200}, 200, 2.0, limit);
    EXPECT_DOUBLE_EQ(edge.upper, 200);
    EXPECT_DOUBLE_EQ(edge.lower, 100);

    // Zooming in never collapses the range.
    ValueRange tight = {0, 100};
    for (int i = 0; i < 200; ++i)
        tight = zoomRange(tight, 50, 0.5, limit);
    EXPECT_NEAR(tight.lower, 50, 0.01);
    EXPECT_GT(tight.span(), 0);
}

TEST(AxisTicks, AreRoundAndInsideTheRange)
{
    const struct {
        double lo, hi;
        int max;
    } cases[] = {{0, 65535, 8},  {20000, 45000, 6},     {-400, 600, 4}, {0.001, 0.0042, 5},
                 {-1999, 0, 10}, {31000.5, 31003.2, 6}, {-7, -3, 4}};
    for (const auto& c : cases) {
        const Ticks t = niceTicks(c.lo, c.hi, c.max);
        ASSERT_FALSE(t.values.empty()) << c.lo << ".." << c.hi;
        const double mantissa = t.step / std::pow(10.0, std::floor(std::log10(t.step)));
        EXPECT_TRUE(std::abs(mantissa - 1) < 1e-9 || std::abs(mantissa - 2) < 1e-9 ||
                    std::abs(mantissa - 5) < 1e-9)
            << t.step;
        EXPECT_LE(int(t.values.size()), c.max + 1);
        for (double v : t.values) {
            EXPECT_GE(v, c.lo - 1e-9);
            EXPECT_LE(v, c.hi + 1e-9);
            EXPECT_NEAR(v / t.step, std::round(v / t.step), 1e-6);
        }
    }
    EXPECT_TRUE(niceTicks(5, 5, 4).values.empty());
}

TEST(NumberTexts, KeepOneFormatPerRange)
{
    const struct {
        double value, span;
        const char* text;
    } cases[] = {{32541, 4500, "32541.0"}, {32541.27, 65535, "32541.3"}, {12.346, 5, "12.35"},
                 {0.2033, 0.5, "0.203"},   {-0.00001, 100, "0.0"},       {NAN, 100, "-"}};
    for (const auto& c : cases)
        EXPECT_EQ(valueText(c.value, valueDecimals(c.span)), c.text) << c.value;
    EXPECT_EQ(tickText(20000, 5000), "20000");
    EXPECT_EQ(tickText(0.0015, 0.0005), "0.0015");
    EXPECT_EQ(tickText(-1500, 500), "-1500");
}

TEST(HistoryCsv, StartsWithTimeAndSetThenTheTraces)
{
    History h;
    h.reset(2, 16);
    for (int s = 0; s < 20; ++s) {
        h.append(0, s + 0.5, 2'000'000 + s * 2'000LL);
        if (s % 2)
            h.append(1, -s, 2'000'000 + s * 2'000LL);
    }
    EXPECT_EQ(historyCsv({QStringLiteral("Stage 0"), QStringLiteral("x,\"y\"")}, h, 4, 7),
              "t_s,set,Stage 0,\"x,\"\"y\"\"\"\r\n"
              "0.008,4,4.5,\r\n"
              "0.010,5,5.5,-5\r\n"
              "0.012,6,6.5,\r\n");
}

TEST(EdgeMarks, StackInTheirCornerWithoutOverlapping)
{
    const QRect pane(10, 20, 200, 100);
    const std::vector<int> widths = {30, 60, 20, 40, 50, 30, 30, 25, 45};
    for (const bool top : {true, false}) {
        const auto boxes = stackedBoxes(pane, widths, 10, top);
        ASSERT_EQ(boxes.size(), widths.size());
        EXPECT_EQ(boxes[0].right(), pane.right() - 2);
        EXPECT_EQ(top ? boxes[0].top() : boxes[0].bottom(),
                  top ? pane.top() + 2 : pane.bottom() - 2);
        for (size_t i = 0; i < boxes.size(); ++i) {
            EXPECT_EQ(boxes[i].size(), QSize(widths[i], 10));
            EXPECT_TRUE(pane.contains(boxes[i])) << i;
            // Each column stays in its half of the pane.
            EXPECT_TRUE(top ? boxes[i].bottom() < pane.center().y()
                            : boxes[i].top() > pane.center().y())
                << i;
            for (size_t j = 0; j < i; ++j)
                EXPECT_FALSE(boxes[i].adjusted(-1, -1, 1, 1).intersects(boxes[j])) << i << " " << j;
        }
    }
}

TEST(SimplifyLine, KeepsEveryPointWithinTheToleranceOfWhatIsDrawn)
{
    using Line = std::vector<QPointF>;
    Line noisy; // a flat trace with a fifth of a pixel of noise
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> noise(-0.2, 0.2);
    for (int x = 0; x < 400; ++x)
        noisy.emplace_back(x, 50 + noise(rng));
    const struct {
        const char* name;
        Line in;
        size_t most; // points kept at most
    } cases[] = {
        {"flat with noise", noisy, 100},
        {"ramp", {{0, 0}, {1, 1}, {2, 2}, {3, 3.2}, {4, 4}, {5, 5}}, 2},
        {"step", {{0, 10}, {1, 10}, {2, 10}, {3, 40}, {4, 40}, {5, 40}}, 4},
        {"upright", {{0, 10}, {1, 10}, {1, 20}, {1, 30}, {1, 25}, {2, 25}, {3, 25}}, 6},
        {"zigzag past it", {{0, 0}, {1, 1}, {2, 0}, {3, 1}, {4, 0}}, 5},
        {"two points", {{0, 5}, {1, 9}}, 2},
    };
    for (const auto& c : cases) {
        Line out = c.in;
        simplifyLine(out, 0.25);
        EXPECT_LE(out.size(), c.most) << c.name;
        ASSERT_GE(out.size(), 2u) << c.name;
        EXPECT_EQ(out.front(), c.in.front()) << c.name;
        EXPECT_EQ(out.back(), c.in.back()) << c.name;
        // The kept points are the line's own, in order; each dropped one lies
        // within a quarter pixel of the segment drawn over it.
        size_t k = 0;
        for (const QPointF& pt : c.in) {
            if (k < out.size() && pt == out[k]) {
                ++k;
                continue;
            }
            ASSERT_TRUE(k > 0 && k < out.size()) << c.name << " x " << pt.x();
            const QPointF a = out[k - 1], b = out[k];
            ASSERT_LT(a.x(), b.x()) << c.name << " x " << pt.x();
            const double onLine = a.y() + (b.y() - a.y()) * (pt.x() - a.x()) / (b.x() - a.x());
            EXPECT_LE(std::abs(pt.y() - onLine), 0.25 + 1e-9) << c.name << " x " << pt.x();
        }
        EXPECT_EQ(k, out.size()) << c.name;
    }
}
