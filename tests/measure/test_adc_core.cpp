// The converter view's plain parts: the results file lines, the fields it
// shows of PWR_CONTROL, and the chart's value range.
#include "measure/AdcReading.h"

#include <gtest/gtest.h>

using namespace cv;

TEST(AdcResultsFile, HeaderAndDataLinesByteForByte)
{
    EXPECT_EQ(adcResultsHeaderLine(),
              QByteArray("Stage 0\tStage 1\tStage 2\tStage 3\tStage 4\tStage 5\tStage 6\t"
                         "Stage 7\tStage 8\tStage 9\tStage 10\tStage 11\r\n"));

    int32_t r[13] = {};
    for (int s = 0; s < 12; ++s)
        r[s] = 1000 + s;
    r[12] = 77777; // not a result: never written
    // A TAB and two blanks before the digits, but one blank after stages 2 and 7.
    EXPECT_EQ(adcResultsDataLine(r),
              QByteArray(" 1000\t  1001\t  1002\t 1003\t  1004\t  1005\t  1006\t  1007\t 1008\t"
                         "  1009\t  1010\t  1011\r\n"));

    const int32_t edges[12] = {0, 65535, 7, 0, 0, 0, 0, 0, 0, 0, 0, 65535};
    EXPECT_EQ(adcResultsDataLine(edges),
              QByteArray(" 0\t  65535\t  7\t 0\t  0\t  0\t  0\t  0\t 0\t  0\t  0\t  65535\r\n"));
}

// The lists' items are in the window's golden file.
TEST(AdcFields, TheFieldsOfPowerControl)
{
    const ConverterFields f = converterFieldsOf(0xC2F3);
    EXPECT_EQ(f.decimation, 2);
    EXPECT_EQ(f.sequenceStages, 11); // 15 on the chip: the list ends at 11
    EXPECT_EQ(f.bias, 3);
    EXPECT_EQ(converterFieldsOf(0x0050).sequenceStages, 5);

    EXPECT_TRUE(isConverting(0x00B0));
    EXPECT_FALSE(isConverting(0x00B1));
    EXPECT_TRUE(isConverting(0x00B2)); // low power still converts
    EXPECT_FALSE(isConverting(0x00B3));
}

TEST(AdcChartRange, HoldsTheTracesWithRoomInsideTheConverterScale)
{
    const ValueRange r = adcChartRange(32100, 33200);
    EXPECT_EQ(r.lower, 31800);
    EXPECT_EQ(r.upper, 33500);
    // A flat trace still gets a readable range; the ends of the scale hold.
    const ValueRange flat = adcChartRange(32768, 32768);
    EXPECT_EQ(flat.upper - flat.lower, 400);
    EXPECT_LT(flat.lower, 32768);
    EXPECT_EQ(adcChartRange(0, 50).lower, 0);
    EXPECT_GE(adcChartRange(0, 50).upper, 400);
    EXPECT_EQ(adcChartRange(65500, 65535).upper, 65535);

    EXPECT_FALSE(adcRangeTooWide(r, 32100, 33200));
    EXPECT_TRUE(adcRangeTooWide({0, 65535}, 32700, 32800));
}
