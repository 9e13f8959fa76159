// cv5320ctl stage-stream as a user runs it: the window's passes without the
// window, its results file and its noise figures.
#include "support/RunProgram.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
using cv::test::ProgramRun;

ProgramRun ctl(const QStringList& args)
{
    return cv::test::runProgram(QStringLiteral("cv5320ctl"),
                                QStringList{"--board", "sim:58"} + args);
}

// "produced P fetched F overflow O", then six trace lines.
void expectSummary(const QString& out, int* fetched)
{
    const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 7) << out.toStdString();
    const QRegularExpression head(QStringLiteral("^produced (\\d+) fetched (\\d+) overflow 0$"));
    const auto m = head.match(lines[0]);
    ASSERT_TRUE(m.hasMatch()) << lines[0].toStdString();
    // The board may finish a block while the stream is being stopped: that
    // one is made but never fetched. Any more would be a lost set.
    const int produced = m.captured(1).toInt();
    *fetched = m.captured(2).toInt();
    EXPECT_GE(produced, *fetched);
    EXPECT_LE(produced, *fetched + 2);
    const QStringList names = {"CDC-Val",   "Amb-Val", "Max-Avg",
                               "Max-Thrsh", "Min-Avg", "Min-Thrsh"};
    const QRegularExpression trace(QStringLiteral("^(\\S+) count (\\d+) mean \\d+\\.\\d\\d min "
                                                  "\\d+ max \\d+ p2p \\d+ stddev \\d+\\.\\d\\d$"));
    for (int i = 0; i < 6; ++i) {
        const auto t = trace.match(lines[i + 1]);
        ASSERT_TRUE(t.hasMatch()) << lines[i + 1].toStdString();
        EXPECT_EQ(t.captured(1), names[i]);
        // The first two blocks of a start count as fetched but add nothing.
        EXPECT_EQ(t.captured(2).toInt(), *fetched - 2);
    }
}
} // namespace

TEST(CtlStageStream, SummaryAndRamModeWithTheirResultsFile)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("stage2.txt");
    ProgramRun r = ctl({"stage-stream", "2", "--seconds", "1", "--out", file});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    int fetched = 0;
    expectSummary(r.out, &fetched);
    EXPECT_GT(fetched, 10); // some 27 sets a second at decimation 256

    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.startsWith("CDC-Val\tAmb-Val\tMax-Avg Max-Thrsh Min-Avg Min-Thrsh\r\n"));
    EXPECT_TRUE(text.endsWith("\r\n"));
    EXPECT_EQ(text.count("\r\n"), 1 + fetched - 2);
    const QRegularExpression line(
        QStringLiteral("^ \\d+\\t  \\d+\\t  \\d+\\t \\d+\\t  \\d+\\t  \\d+\\r$"));
    const QList<QByteArray> lines = text.split('\n');
    EXPECT_TRUE(line.match(QString::fromLatin1(lines[1])).hasMatch()) << lines[1].toStdString();

    r = ctl({"stage-stream", "0", "--seconds", "1", "--ram"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    expectSummary(r.out, &fetched);
    EXPECT_GT(fetched, 10);
    EXPECT_FALSE(r.err.contains("dropped")) << r.err.toStdString();
    // At decimation 64 the 20 ms poll cannot keep up: the loss is said in words.
    r = ctl({"write", "0", "0x02B0", "stage-stream", "0", "--seconds", "2", "--ram"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const auto dropped = QRegularExpression("overflow (\\d+)").match(r.out);
    ASSERT_TRUE(dropped.hasMatch()) << r.out.toStdString();
    EXPECT_GT(dropped.captured(1).toInt(), 0);
    EXPECT_EQ(r.err, QStringLiteral("board dropped %1 sets\n").arg(dropped.captured(1)));
}
