// Scenario files as a careless or hostile user writes them, and the finger
// their events describe.
#include "sim/SensorBoard.h"
#include "support/Captions.h"

#include <QFile>
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

// The fixture's scripts, each with the whole error it is refused with.
TEST(ScenarioLimits, BadLinesAreRefusedWithTheirLine)
{
    test::expectCases(QStringLiteral("sim/fixtures/bad_scenarios.txt"), [](const QString& script) {
        return parseError(QString(script).replace("\\n", "\n"));
    });
}

TEST(ScenarioLimits, TheLargestTimeIsStillTaken)
{
    QString error;
    const auto s = Scenario::parse("1000000000000 slide 0 255 1000000000000\n",
                                   BoardLayout::forBoard(58), &error);
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
    const auto s = Scenario::parse("# keys\n100 tap up\n200 tap up\n150 tap down\n"
                                   "500 press left\n700 release left # done\n"
                                   "1000 slide 0 200 100\n1050 slide 255 255 10\n"
                                   "1020 slide 100 100 100\n2000 slide 0 255 100\nloop 3000\n",
                                   b, &error);
    ASSERT_TRUE(s) << error.toStdString();
    const uint32_t up = 1u << *b.target("up"), down = 1u << *b.target("down"),
                   left = 1u << *b.target("left");
    const struct {
        int64_t ms;
        FingerState want;
    } rows[] = {
        {99, {0, -1}},    {100, {up, -1}},         {160, {up | down, -1}}, {349, {up | down, -1}},
        {350, {up, -1}},  {399, {up, -1}},         {400, {0, -1}},         {699, {left, -1}},
        {700, {0, -1}},   {1010, {0, 20}},         {1055, {0, 100}},       {1100, {0, 100}},
        {1120, {0, 100}}, {1121, {0, -1}},         {2050, {0, 127.5}},     {2100, {0, 255}},
        {2101, {0, -1}},  {3160, {up | down, -1}}, {5050, {0, 127.5}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(s->at(r.ms), r.want) << r.ms;
}
