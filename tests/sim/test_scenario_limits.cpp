// Scenario files as a careless or hostile user writes them: numbers that do
// not fit, loops that hide events, and long generated scripts.
#include "sim/SensorBoard.h"

#include <gtest/gtest.h>
#include <random>

using namespace cv;
using namespace cv::sim;

namespace {
QString parseError(const QString& text)
{
    QString error;
    const auto s = Scenario::parse(text, BoardLayout::forBoard(58), &error);
    EXPECT_FALSE(s) << text.toStdString();
    return error;
}
} // namespace

TEST(ScenarioLimits, BadLinesAreRefusedWithTheirLine)
{
    std::vector<std::pair<QString, QString>> cases = {
        {"100 tap up\n\n200 tap nose\n", "line 3: unknown key \"nose\""},
        {"100 slide 0 300 50\n", "line 1:"},
        {"100 slide -1 255 100\n", "line 1:"},
        {"100 release up\n", "line 1:"},
        {"abc tap up\n", "line 1:"},
        {"loop\n", "line 1:"},
        {"loop 1000\n100 tap up\nloop 2000\n",
         "line 3: a second \"loop\" line (the first is line 1)"},
        {"100 tap up\n8000 tap down\n9000 tap left\n500 tap right\nloop 8000\n",
         "line 3: the event at 9000 ms never happens: the script loops every 8000 ms (line 5)"},
        {"loop 500\n100 press up\n600 release up\n", "line 3:"},
    };
    for (const char* bad : {"9000000000000000000", "1e30", "inf", "nan", "-5", "1000000000001"}) {
        const QString b = QString::fromLatin1(bad);
        cases.push_back({"100 tap up\n" + b + " tap up\n", "line 2: a time in ms"});
        cases.push_back({"100 tap up\n\n200 slide 0 255 " + b + "\n", "line 3:"});
        cases.push_back({"loop " + b + "\n", "line 1: \"loop PERIOD\""});
    }
    for (const char* bad : {"0 hum 50", "0 hum 0 40", "0 hum 50 -1", "0 hum 50 40 centre",
                            "0 hum 50 40 nose", "0 hum of"})
        cases.push_back({bad, "line 1: "});
    for (const auto& [text, error] : cases)
        EXPECT_TRUE(parseError(text).startsWith(error)) << text.toStdString();
}

TEST(ScenarioLimits, TimesLoopAndTheLargestTimeStillTaken)
{
    const BoardLayout& b = BoardLayout::forBoard(58);
    QString error;
    auto s = Scenario::parse(
        "# comment\n100 press up\n300 release up # done\n400 slide 0 200 100\nloop 1000\n", b,
        &error);
    EXPECT_EQ(s->at(50).touched, 0u);
    EXPECT_EQ(s->at(150).touched, 1u << *b.target("up"));
    EXPECT_EQ(s->at(1150).touched, 1u << *b.target("up")); // looped
    EXPECT_NEAR(s->at(450).sliderPos, 100, 1e-9);
    EXPECT_LT(s->at(600).sliderPos, 0);
    s = Scenario::parse("1000000000000 slide 0 255 1000000000000\n", b, &error);
    ASSERT_TRUE(s) << error.toStdString();
    EXPECT_NEAR(s->at(1500000000000).sliderPos, 127.5, 1e-6);
}

// The looked-up finger is the one every event of the script describes:
// every press that covers the moment, and the last slide written that does.
TEST(ScenarioLimits, LookupAgreesWithEveryEventOfALongScript)
{
    const BoardLayout& board = BoardLayout::forBoard(70);
    const QStringList names = board.targetNames();
    std::mt19937 rng(7);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    struct Touch {
        int target;
        int64_t from, to;
    };
    struct Move {
        int64_t from, to;
        double a, b;
    };
    std::vector<Touch> touches;
    std::vector<Move> moves;
    QString text;
    for (int i = 0; i < 3000; ++i) {
        const int64_t t = pick(100000);
        if (pick(2)) {
            const int target = pick(static_cast<int>(names.size()));
            text += QStringLiteral("%1 tap %2\n").arg(t).arg(names[target]);
            touches.push_back({target, t, t + 200});
        } else {
            const int a = pick(256), b = pick(256), d = pick(800);
            text += QStringLiteral("%1 slide %2 %3 %4\n").arg(t).arg(a).arg(b).arg(d);
            moves.push_back({t, t + d, double(a), double(b)});
        }
    }
    text += "loop 100000\n";
    QString error;
    const auto s = Scenario::parse(text, board, &error);
    ASSERT_TRUE(s) << error.toStdString();
    for (int64_t ms = 0; ms < 250000; ms += 37) {
        const int64_t m = ms % 100000;
        FingerState want;
        for (const auto& t : touches)
            if (m >= t.from && m < t.to)
                want.touched |= 1u << t.target;
        for (const auto& v : moves)
            if (m >= v.from && m <= v.to)
                want.sliderPos = v.a + (v.b - v.a) * double(m - v.from) /
                                           double(std::max<int64_t>(1, v.to - v.from));
        const FingerState got = s->at(ms);
        ASSERT_EQ(got.touched, want.touched) << ms;
        ASSERT_DOUBLE_EQ(got.sliderPos, want.sliderPos) << ms;
    }
}
