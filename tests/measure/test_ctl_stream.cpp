// `cv5320ctl stream` run as a user would: the results file of the converter
// window and the closing statistics.
#include "support/RunProgram.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace cv::test;

TEST(CtlStream, WritesTheWindowsResultsFileAndTheNoiseFigures)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("adc.txt");
    const auto run = runProgram(QStringLiteral("cv5320ctl"),
                                {"--board", "sim", "--scenario", "none", "write", "0", "0x02B0",
                                 "stream", "--seconds", "1", "--out", out});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 13) << run.out.toStdString();
    const auto counters =
        QRegularExpression("^produced (\\d+) fetched (\\d+) overflow (\\d+)$").match(lines[0]);
    ASSERT_TRUE(counters.hasMatch()) << lines[0].toStdString();
    const int produced = counters.captured(1).toInt(), fetched = counters.captured(2).toInt();
    // Decimation 64, twelve stages: a set every 9.2 ms; none lost by the board,
    // only those of the last poll pause (55 ms) still waiting when it ended.
    EXPECT_GT(produced, 80);
    EXPECT_LE(produced - fetched, 8);
    EXPECT_EQ(counters.captured(3), "0");

    const QRegularExpression stage(
        "^stage (\\d+) count (\\d+) mean ([0-9.]+) min (\\d+) max (\\d+) p2p (\\d+) stddev "
        "([0-9.]+)$");
    int kept = -1;
    for (int s = 0; s < 12; ++s) {
        const auto m = stage.match(lines[s + 1]);
        ASSERT_TRUE(m.hasMatch()) << lines[s + 1].toStdString();
        EXPECT_EQ(m.captured(1).toInt(), s);
        kept = m.captured(2).toInt();
        EXPECT_EQ(kept, fetched - 2); // the first two sets fetched are never kept
        EXPECT_NEAR(m.captured(3).toDouble(), 32768, 2500);
        EXPECT_EQ(m.captured(6).toInt(), m.captured(5).toInt() - m.captured(4).toInt());
        EXPECT_LT(m.captured(7).toDouble(), 50); // no finger: noise only
    }

    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.startsWith("Stage 0\tStage 1\t"));
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_EQ(bytes.count("\r\n"), kept + 1);
}

TEST(CtlStream, BadArgumentsAndAnUnwritableFile)
{
    auto run = runProgram(QStringLiteral("cv5320ctl"), {"--board", "sim", "stream"});
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.err.contains("stream needs --seconds S")) << run.err.toStdString();
    run = runProgram(QStringLiteral("cv5320ctl"), {"--board", "sim", "stream", "--seconds", "x"});
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.err.contains("seconds expected")) << run.err.toStdString();

    QTemporaryDir dir;
    run = runProgram(QStringLiteral("cv5320ctl"), {"--board", "sim", "stream", "--seconds", "1",
                                                   "--out", dir.filePath("missing/adc.txt")});
    EXPECT_NE(run.code, 0);
    EXPECT_TRUE(run.err.contains("Error: Cannot Save Values to File")) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());

    // A chip in shutdown streams nothing, and says why.
    run = runProgram(QStringLiteral("cv5320ctl"),
                     {"--board", "sim", "write", "0", "0x00B1", "stream", "--seconds", "1"});
    EXPECT_NE(run.code, 0);
    EXPECT_TRUE(run.err.contains("CV5310 is in Shutdown Mode. No Results Available"))
        << run.err.toStdString();
}
