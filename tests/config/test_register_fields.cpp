#include "config/RegisterFields.h"
#include "link/VendorRequest.h"
#include "support/SimRig.h"

#include <gtest/gtest.h>

using namespace cv;
using namespace cv::test;

namespace
{
struct Named {
    const char* name;
    RegField f;
    int lowBit, width;
};
const Named kFields[] = {
    {"POWER_MODE", field::POWER_MODE, 0, 2},
    {"LP_CONV_DELAY", field::LP_CONV_DELAY, 2, 2},
    {"SEQUENCE_STAGE_NUM", field::SEQUENCE_STAGE_NUM, 4, 4},
    {"DECIMATION", field::DECIMATION, 8, 2},
    {"SW_RESET", field::SW_RESET, 10, 1},
    {"INT_POL", field::INT_POL, 11, 1},
    {"EXCITATION_SOURCE_DISABLE", field::EXCITATION_SOURCE_DISABLE, 12, 1},
    {"FLOATING_MODE", field::FLOATING_MODE, 13, 1},
    {"STAGE_CAL_EN", field::STAGE_CAL_EN, 0, 12},
    {"AVG_FP_SKIP", field::AVG_FP_SKIP, 12, 2},
    {"AVG_LP_SKIP", field::AVG_LP_SKIP, 14, 2},
    {"FF_SKIP_CNT", field::FF_SKIP_CNT, 0, 4},
    {"FP_PROXIMITY_CNT", field::FP_PROXIMITY_CNT, 4, 4},
    {"LP_PROXIMITY_CNT", field::LP_PROXIMITY_CNT, 8, 4},
    {"PWR_DOWN_TIMEOUT", field::PWR_DOWN_TIMEOUT, 12, 2},
    {"FORCE_CAL", field::FORCE_CAL, 14, 1},
    {"CONV_RESET", field::CONV_RESET, 15, 1},
    {"PROXIMITY_RECAL_LVL", field::PROXIMITY_RECAL_LVL, 0, 8},
    {"PROXIMITY_DETECTION_RATE", field::PROXIMITY_DETECTION_RATE, 8, 6},
    {"SLOW_FIFO_LVL", field::SLOW_FIFO_LVL, 14, 2},
    {"FP_PROXIMITY_RECAL", field::FP_PROXIMITY_RECAL, 0, 10},
    {"LP_PROXIMITY_RECAL", field::LP_PROXIMITY_RECAL, 10, 6},
    {"GPIO_SETUP", field::GPIO_SETUP, 12, 2},
    {"GPIO_INPUT_CONFIG", field::GPIO_INPUT_CONFIG, 14, 2},
    {"GPIO_INT_EN", field::GPIO_INT_EN, 12, 1},
};
} // namespace

TEST(RegisterFields, EachFieldOwnsExactlyItsBits)
{
    for (const auto& n : kFields) {
        SCOPED_TRACE(n.name);
        const int32_t max = (1 << n.width) - 1;
        EXPECT_EQ(n.f.mask, max << n.lowBit);
        EXPECT_EQ(n.f.multiplier, 1 << n.lowBit);
        for (int32_t word : {0x0000, 0xFFFF, 0xA55A}) {
            for (int32_t v : {0, 1, max}) {
                const int32_t w = n.f.with(word, v);
                EXPECT_EQ(n.f.of(w), v);
                EXPECT_EQ(w & ~n.f.mask & 0xFFFF, word & ~n.f.mask & 0xFFFF);
            }
        }
    }
}

TEST(RegisterFields, StageFlagsReplaceBits11To0Only)
{
    bool flags[12] = {};
    flags[0] = flags[11] = true;
    EXPECT_EQ(withStageFlags(0xF7FE, flags), 0xF801);
    EXPECT_EQ(withStageFlags(0x0000, flags), 0x0801);
}

TEST(RegisterFields, ListItemsIndexedByFieldValue)
{
    EXPECT_EQ(powerModeItems(),
              (QStringList{"Full Power", "Shutdown Mode", "Low Power", "Shutdown Mode"}));
    EXPECT_EQ(convDelayItems().at(3), "800ms");
    EXPECT_EQ(gpioSetupItems().at(3), "GPIO HIGH Output");
    EXPECT_EQ(gpioInputConfigItems().at(0), "Negative Level");
    EXPECT_EQ(fullPowerSkipItems().at(3), "31");
    EXPECT_EQ(powerDownTimeoutItems().at(3), "2.0");
    EXPECT_EQ(blankNumberItems(3), (QStringList{" 0", " 1", " 2", " 3"}));
    EXPECT_EQ(blankNumberItems(15).at(15), " 15");
}

TEST(RegisterFields, UpdateReadsTheChipAtTheMomentOfTheChange)
{
    SimRig rig;
    rig.board->chip().poke(0x000, 0xC0F3);
    EXPECT_EQ(UpdateField(field::LP_CONV_DELAY, 1), 0xC0F7);
    EXPECT_EQ(SetCommandBit(field::SW_RESET), 0xC4F7);
    const auto ops = rig.registerOps();
    ASSERT_EQ(ops.size(), 4u);
    EXPECT_FALSE(ops[0].write);
    EXPECT_TRUE(ops[1].write);
    EXPECT_EQ(ops[1].address, 0x000);
    EXPECT_EQ(ops[1].value, 0xC0F7);
    EXPECT_EQ(rig.board->chip().peek(0x000), 0xC4F7);
}
