// Scenario files as a careless or hostile user writes them: numbers that do
// not fit, loops that hide events, and long generated scripts.
#include "sim/SensorBoard.h"

#include <gtest/gtest.h>

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
// every press that covers the moment (a tap holds [t, t + 200)), and the
// last slide written that covers it (a slide holds [t, t + duration]).
TEST(ScenarioLimits, LookupAgreesWithEveryEventThatCoversTheMoment)
{
    const BoardLayout& b = BoardLayout::forBoard(70);
    QString error;
    const auto s = Scenario::parse("100 tap up\n200 tap up\n150 tap down\n1000 slide 0 200 100\n"
                                   "1050 slide 255 255 10\n1020 slide 100 100 100\n"
                                   "2000 slide 0 255 100\nloop 3000\n",
                                   b, &error);
    ASSERT_TRUE(s) << error.toStdString();
    const uint32_t up = 1u << *b.target("up"), down = 1u << *b.target("down");
    const struct {
        int64_t ms;
        FingerState want;
    } rows[] = {
        {99, {0, -1}},      {100, {up, -1}},  {160, {up | down, -1}}, {349, {up | down, -1}},
        {350, {up, -1}},    {399, {up, -1}},  {400, {0, -1}},         {1010, {0, 20}},
        {1055, {0, 100}},   {1100, {0, 100}}, {1120, {0, 100}},       {1121, {0, -1}},
        {2050, {0, 127.5}}, {2100, {0, 255}}, {2101, {0, -1}},        {3160, {up | down, -1}},
        {5050, {0, 127.5}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(s->at(r.ms), r.want) << r.ms;
}
