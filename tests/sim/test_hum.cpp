// Interference on the simulated board: the scenario's hum lines, and each
// stage sampling it at its own conversion instant.
#include "link/RegMap.h"
#include "sim/ChipModel.h"
#include "sim/SensorBoard.h"

#include <gtest/gtest.h>

using namespace cv;
using namespace cv::sim;

TEST(Hum, LinesStartReplaceAndEndTones)
{
    const BoardLayout& b = BoardLayout::forBoard(58);
    QString error;
    const auto s = Scenario::parse("0 hum 50 40\n1000 hum 50 10 up seg2\n2000 hum 60 5\n"
                                   "3000 hum off\n",
                                   b, &error);
    ASSERT_TRUE(s) << error.toStdString();
    using T = Scenario::Tone;
    EXPECT_EQ(s->humAt(999), (std::vector<T>{{50, 40, 0xFFF}})); // every sensor
    EXPECT_EQ(s->humAt(1000), (std::vector<T>{{50, 10, 0x41}}));
    EXPECT_EQ(s->humAt(2999), (std::vector<T>{{50, 10, 0x41}, {60, 5, 0xFFF}}));
    EXPECT_TRUE(s->humAt(3000).empty());
}

TEST(Hum, EachStageSamplesAtTheMiddleOfItsOwnConversion)
{
    VirtualClock clock;
    ChipModel chip(clock, 1);
    std::vector<int64_t> at;
    chip.setInterferenceSource([&](int64_t us, std::array<double, 13>&) { at.push_back(us); });
    chip.write(reg::PWR_CONTROL, 0x02B0); // twelve stages of 768 us (decimation 64)
    const int64_t start = clock.nowUs();
    clock.advanceUs(12 * 768);
    chip.catchUp();
    ASSERT_EQ(at.size(), 12u);
    for (int s = 0; s < 12; ++s)
        EXPECT_EQ(at[size_t(s)], start + s * 768 + 384) << s;
}
