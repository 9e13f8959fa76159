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

TEST(AdcFields, ListsAndTheFieldsOfPowerControl)
{
    EXPECT_EQ(decimationItems(), (QStringList{"256", "128", "64", "64"}));
    EXPECT_EQ(cdcBiasItems(), (QStringList{"100%", "120%", "135%", "150%"}));
    const QStringList seq = sequenceStageItems();
    ASSERT_EQ(seq.size(), 12);
    EXPECT_EQ(seq.first(), " 0");
    EXPECT_EQ(seq.last(), " 11");

    const ConverterFields f = converterFieldsOf(0x82B3);
    EXPECT_EQ(f.decimation, 2);
    EXPECT_EQ(f.sequenceStages, 11);
    EXPECT_EQ(f.bias, 2);
    // The four-bit sequence field above 11 shows as 11.
    EXPECT_EQ(converterFieldsOf(0x00E0).sequenceStages, 11);
    EXPECT_EQ(converterFieldsOf(0x00F0).sequenceStages, 11);
    EXPECT_EQ(converterFieldsOf(0x0050).sequenceStages, 5);
    EXPECT_EQ(converterFieldsOf(0xC000).bias, 3);

    EXPECT_TRUE(isConverting(0x00B0));
    EXPECT_FALSE(isConverting(0x00B1));
    EXPECT_TRUE(isConverting(0x00B2)); // low power still converts
    EXPECT_FALSE(isConverting(0xFFFF));
}

TEST(AdcChartRange, HoldsTheTracesWithRoomInsideTheConverterScale)
{
    const ValueRange r = adcChartRange(32100, 33200);
    EXPECT_LE(r.lower, 32100 - 200);
    EXPECT_GE(r.upper, 33200 + 200);
    EXPECT_EQ(int(r.lower) % 100, 0);
    EXPECT_EQ(int(r.upper) % 100, 0);
    // A flat trace still gets a readable range.
    const ValueRange flat = adcChartRange(32768, 32768);
    EXPECT_GE(flat.upper - flat.lower, 400);
    EXPECT_LT(flat.lower, 32768);
    EXPECT_GT(flat.upper, 32768);
    // Near the ends of the scale the range stays inside it.
    const ValueRange low = adcChartRange(0, 50);
    EXPECT_EQ(low.lower, 0);
    EXPECT_GE(low.upper, 400);
    const ValueRange high = adcChartRange(65500, 65535);
    EXPECT_EQ(high.upper, 65535);
    EXPECT_LT(high.lower, 65500);

    EXPECT_FALSE(adcRangeTooWide(r, 32100, 33200));
    EXPECT_TRUE(adcRangeTooWide({0, 65535}, 32700, 32800));
}
