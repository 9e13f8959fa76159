// The stage results window's arithmetic and texts: thresholds, formula
// texts, the level diagram's scale, value box checks, status rows and the
// results file, byte for byte.
#include "measure/StageResults.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace cv;

TEST(StageThresholds, RoundHalvesToEvenOnTheExactQuotients)
{
    // 30000 + 200 + (600 / 16) x 5 = 30387.5; 30000 + 200 + 37.5 x 3 = 30312.5
    // has its even neighbour below. Offsets that are not multiples of 4 give
    // exact, not integer, quarters (1000.5 and 1001.5 at the end).
    for (const auto& [sens, high] : {std::pair{5, 30388}, {3, 30312}, {0, 30200}, {15, 30762}})
        EXPECT_EQ(highThreshold(30000, 800, sens), high) << sens;
    for (const auto& [sens, low] : {std::pair{4, 29650}, {5, 29612}, {1, 29762}})
        EXPECT_EQ(lowThreshold(30000, 800, sens), low) << sens;
    EXPECT_EQ(highThreshold(1000, 2, 0), 1000);
    EXPECT_EQ(highThreshold(1000, 6, 0), 1002);
}

TEST(StageDiagram, ScaleStartsOnAMultipleOfTenAndStepsAFifthOfTheSpan)
{
    // top 31200, bottom 28800, span 2400, a step of 480.
    DiagramScale s = diagramScale(30000, 800, 800);
    EXPECT_EQ(s.span, 2400);
    EXPECT_EQ(s.labels, (std::array<int64_t, 6>{31200, 30720, 30240, 29760, 29280, 28800}));
    EXPECT_EQ(s.base, 28320);
    // (30000 - 28320) x 4815 / 2400 x 0.69 = 2325.6...
    EXPECT_EQ(levelHeight(30000, s), 2326);
    EXPECT_EQ(levelHeight(28320, s), 0);

    // The top 31203 moves up to 31210.
    s = diagramScale(30003, 800, 800);
    EXPECT_EQ(s.labels[0], 31210);
    EXPECT_EQ(s.labels[5], 28810);
    // A fractional top rounds half to even first: 31207.5 -> 31208 -> 31210.
    s = diagramScale(30000, 805, 800);
    EXPECT_EQ(s.span, 2408); // 2407.5
    EXPECT_EQ(s.labels[0], 31210);
    // A step that is not whole: top 103, bottom 95.5, span 8 (7.5), steps of 1.6.
    s = diagramScale(100, 2, 3);
    EXPECT_EQ(s.span, 8);
    EXPECT_EQ(s.labels, (std::array<int64_t, 6>{110, 108, 107, 105, 104, 102}));
    EXPECT_EQ(s.base, 100); // 100.4
    // No offsets: no span, every level at the base.
    s = diagramScale(30000, 0, 0);
    EXPECT_EQ(s.span, 0);
    EXPECT_EQ(levelHeight(35000, s), 0);
}

TEST(StageSetup, ListFieldsAndValueBoxNumbersWithTheirRange)
{
    // Bit 15 and bit 7 belong to no list (each list's own field shows in the
    // stage window as it loads).
    const SensitivityFields g = sensitivityFields(0x8080);
    EXPECT_EQ(g.neg + g.negPeak + g.pos + g.posPeak, 0);
    for (const auto& [text, v] :
         {std::pair{"1200abc", 1200}, {"abc", 0}, {"  650", 650}, {"100.5", 100}, {"   ", 0}})
        EXPECT_EQ(valueBoxNumber(QString::fromLatin1(text), true, 7), v) << text;
    EXPECT_EQ(valueBoxNumber(QString(), false, 7), 7); // not armed: the chip's value
    const std::pair<int, bool> ranges[] = {{0, false}, {1, true}, {65535, true}, {65536, false}};
    for (const auto& [v, in] : ranges)
        EXPECT_EQ(valueBoxInRange(v), in) << v;
    EXPECT_EQ(kValueRangeMessage, "Value must be a decimal number under 65,535");
}

TEST(StageStatus, RowsShowTwelveStageBitsAndTheStagesLamp)
{
    // A stage's own bit lights its lamp (the stage window shows stage 3's).
    EXPECT_FALSE(statusRow(0x0008, 2).lamp);
    // Bits above the twelve stages are not shown.
    const StatusRow r = statusRow(0xF801, 11);
    EXPECT_EQ(r.valueText, "801");
    EXPECT_TRUE(r.lamp);
    EXPECT_FALSE(r.bits[12]);
    EXPECT_EQ(statusRow(0x00FF, 0, 0x00FF).valueText, "FF");
    EXPECT_EQ(statusRow(0x0F00, 0, 0x00FF).valueText, "0");
    // The threshold captions are in the stage window's golden file.
}

TEST(StageResultsFileFormat, HeaderAndLinesByteForByte)
{
    EXPECT_EQ(stageResultsHeader(),
              QByteArray("CDC-Val\tAmb-Val\tMax-Avg Max-Thrsh Min-Avg Min-Thrsh\r\n"));
    EXPECT_EQ(stageResultsLine({0, 65535, 7, 12, 100, 9}),
              QByteArray(" 0\t  65535\t  7\t 12\t  100\t  9\r\n"));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("stage.txt"));
    {
        auto f = StageResultsFile::create(path);
        ASSERT_TRUE(f);
        EXPECT_TRUE(f->writeLine({1, 2, 3, 4, 5, 6}));
        // Each line is in the file at once, before any close.
        QFile check(path);
        ASSERT_TRUE(check.open(QIODevice::ReadOnly));
        EXPECT_EQ(check.readAll(), stageResultsHeader() + stageResultsLine({1, 2, 3, 4, 5, 6}));
    }
    EXPECT_FALSE(StageResultsFile::create(QString()));
}
