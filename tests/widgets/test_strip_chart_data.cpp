#include "widgets/StripChartData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

using namespace cv;
using namespace cv::chart;

namespace {
std::vector<double> oldestFirst(const TraceRing::Runs& r)
{
    std::vector<double> v(r.a, r.a + r.na);
    v.insert(v.end(), r.b, r.b + r.nb);
    return v;
}

TraceRing ringOf(int capacity, int pushes, std::mt19937& rng)
{
    TraceRing r(capacity);
    std::uniform_real_distribution<double> d(-500, 500);
    for (int i = 0; i < pushes; ++i)
        r.push(std::round(d(rng)));
    return r;
}
} // namespace

TEST(TraceRing, KeepsTheNewestValuesAcrossTheWrap)
{
    TraceRing r(5);
    for (int i = 1; i <= 8; ++i)
        r.push(i);
    EXPECT_EQ(r.size(), 5);
    EXPECT_EQ(r.pushed(), 8);
    EXPECT_EQ(r.at(0), 8);
    EXPECT_EQ(r.at(4), 4);
    EXPECT_EQ(oldestFirst(r.runs(0, 5)), (std::vector<double>{4, 5, 6, 7, 8}));
    EXPECT_EQ(oldestFirst(r.runs(2, 3)), (std::vector<double>{4, 5, 6}));
    EXPECT_EQ(oldestFirst(r.runs(1, 99)), (std::vector<double>{4, 5, 6, 7}));
    EXPECT_TRUE(oldestFirst(r.runs(5, 3)).empty());

    // Wrapping exactly onto the end of the storage.
    TraceRing e(4);
    for (int i = 1; i <= 4; ++i)
        e.push(i);
    EXPECT_EQ(oldestFirst(e.runs(0, 4)), (std::vector<double>{1, 2, 3, 4}));

    // Resizing keeps the newest values that fit; pushing goes on from there.
    r.resize(3);
    EXPECT_EQ(oldestFirst(r.runs(0, 3)), (std::vector<double>{6, 7, 8}));
    r.resize(10);
    r.push(9);
    EXPECT_EQ(oldestFirst(r.runs(0, 10)), (std::vector<double>{6, 7, 8, 9}));
    for (int i = 10; i <= 16; ++i)
        r.push(i);
    EXPECT_EQ(r.size(), 10);
    EXPECT_EQ(r.at(9), 7);

    r.clear();
    EXPECT_EQ(r.size(), 0);
    EXPECT_EQ(spanStats(r, 10).count, 0);
}

TEST(TraceRing, SpanStatsMatchACountOverTheNewestValues)
{
    std::mt19937 rng(7);
    for (int capacity : {1, 7, 64}) {
        for (int pushes : {0, 3, 64, 150}) {
            const TraceRing r = ringOf(capacity, pushes, rng);
            for (int span : {1, 5, 64, 200}) {
                for (int skip : {0, 2}) {
                    const TraceStats s = spanStats(r, span, skip);
                    const int n = std::max(0, std::min(span, r.size() - skip));
                    ASSERT_EQ(s.count, n) << capacity << " " << pushes << " " << span;
                    if (n == 0)
                        continue;
                    double sum = 0, lo = 1e9, hi = -1e9;
                    for (int age = skip; age < skip + n; ++age) {
                        sum += r.at(age);
                        lo = std::min(lo, r.at(age));
                        hi = std::max(hi, r.at(age));
                    }
                    EXPECT_EQ(s.latest, r.at(skip));
                    EXPECT_NEAR(s.mean, sum / n, 1e-9);
                    EXPECT_EQ(s.min, lo);
                    EXPECT_EQ(s.peakToPeak(), hi - lo);
                }
            }
        }
    }
}

TEST(ColumnReduction, MatchesABruteForceReference)
{
    std::mt19937 rng(11);
    struct Case {
        int capacity, pushes, span, skip, columns;
    };
    const Case cases[] = {{2000, 2600, 2000, 0, 700}, {2000, 900, 2000, 0, 700},
                          {500, 1234, 400, 37, 123},  {100, 100, 100, 0, 100},
                          {300, 300, 300, 0, 7},      {50, 20, 50, 5, 3},
                          {1000, 1003, 999, 0, 998},  {10, 10, 10, 0, 1}};
    for (const auto& c : cases) {
        const TraceRing r = ringOf(c.capacity, c.pushes, rng);
        std::vector<ColumnExtent> out;
        std::vector<uint8_t> has;
        reduceColumns(r, c.span, c.skip, c.columns, out, has);
        ASSERT_EQ(int(has.size()), c.columns);

        // Reference: every shown value mapped to its column one by one.
        const int n = std::max(0, std::min(c.span, r.size() - c.skip));
        std::vector<std::vector<double>> cols(size_t(c.columns));
        for (int age = c.skip + n - 1; age >= c.skip; --age) {
            const int slot = c.span - 1 - (age - c.skip);
            cols[size_t(int64_t(slot) * c.columns / c.span)].push_back(r.at(age));
        }
        for (int col = 0; col < c.columns; ++col) {
            const auto& v = cols[size_t(col)];
            ASSERT_EQ(bool(has[size_t(col)]), !v.empty()) << "column " << col;
            if (v.empty())
                continue;
            EXPECT_EQ(out[size_t(col)].lo, float(*std::min_element(v.begin(), v.end())));
            EXPECT_EQ(out[size_t(col)].hi, float(*std::max_element(v.begin(), v.end())));
            EXPECT_EQ(out[size_t(col)].rising, v.front() <= v.back());
        }
    }
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
    EXPECT_GT(tight.span(), 0);
    EXPECT_NEAR(tight.lower, 50, 0.01);
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
    EXPECT_EQ(niceTicks(0, 65535, 8).step, 10000);
    EXPECT_TRUE(niceTicks(5, 5, 4).values.empty());

    EXPECT_EQ(tickText(20000, 5000), "20000");
    EXPECT_EQ(tickText(0.0015, 0.0005), "0.0015");
    EXPECT_EQ(tickText(-0.00001, 0.5), "0.0");
    EXPECT_EQ(tickText(-1500, 500), "-1500");
    EXPECT_EQ(valueText(32541), "32541");
    EXPECT_EQ(valueText(32541.27), "32541.3");
    EXPECT_EQ(valueText(0.2033), "0.203");
}

TEST(VisibleCsv, WritesNamesThenRowsOldestFirstAlignedAtTheNewest)
{
    TraceRing a(4), b(4);
    for (double v : {1, 2, 3, 4, 5})
        a.push(v);
    b.push(0.1);
    b.push(-2);
    const QString csv =
        visibleCsv({QStringLiteral("Stage 0"), QStringLiteral("x,\"y\"")}, {&a, &b}, {0, 0}, 3);
    EXPECT_EQ(csv, "Stage 0,\"x,\"\"y\"\"\"\r\n"
                   "3,\r\n"
                   "4,0.1\r\n"
                   "5,-2\r\n");
    // A held view ends where hold began.
    EXPECT_EQ(visibleCsv({QStringLiteral("a")}, {&a}, {2}, 3), "a\r\n2\r\n3\r\n");
    EXPECT_EQ(visibleCsv({QStringLiteral("a")}, {&a}, {0}, 1), "a\r\n5\r\n");
}
