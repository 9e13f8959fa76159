// `cv5320ctl stream` and `stage-stream` run as a user would: the results
// files of their windows, the closing figures and what they refuse.
#include "support/Files.h"
#include "support/RunProgram.h"

#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace cv::test;

namespace {
ProgramRun ctl(const QStringList& args)
{
    return runProgram(QStringLiteral("cv5320ctl"), QStringList{"--board", "sim:58"} + args);
}

const QStringList kStageTraces = {"CDC-Val",   "Amb-Val", "Max-Avg",
                                  "Max-Thrsh", "Min-Avg", "Min-Thrsh"};

struct Summary {
    int fetched = 0, overflow = 0;
};
// "produced P fetched F overflow O", then a line per trace, each counting the
// sets fetched but the first two of a start (the figures themselves are
// pinned with the statistics).
Summary expectSummary(const QString& out, const QStringList& traces)
{
    const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), traces.size() + 1) << out.toStdString();
    const auto m = QRegularExpression("^produced (\\d+) fetched (\\d+) overflow (\\d+)$")
                       .match(lines.value(0));
    EXPECT_TRUE(m.hasMatch()) << out.toStdString();
    const Summary s{m.captured(2).toInt(), m.captured(3).toInt()};
    // However the machine kept up, every set the board made was fetched,
    // dropped, or still in its 64-set queue when the stop cleared it.
    const int cleared = m.captured(1).toInt() - s.fetched - s.overflow;
    EXPECT_GE(cleared, 0);
    EXPECT_LE(cleared, 64);
    EXPECT_GT(s.fetched, 10);
    for (int i = 0; i < traces.size(); ++i)
        EXPECT_TRUE(lines.value(i + 1).startsWith(
            QStringLiteral("%1 count %2 mean ").arg(traces[i]).arg(s.fetched - 2)))
            << lines.value(i + 1).toStdString();
    return s;
}

// A results file: its header, then one CR LF line per set kept (the lines
// themselves are pinned byte for byte with their formats).
void expectResultsFile(const QString& path, const QByteArray& header, int kept)
{
    const QByteArray text = fileBytes(path);
    EXPECT_TRUE(text.startsWith(header));
    EXPECT_TRUE(text.endsWith("\r\n"));
    EXPECT_EQ(text.count("\r\n"), kept + 1);
}
} // namespace

TEST(CtlStream, TheRamModeSaysWhatTheBoardDropped)
{
    // At decimation 64 the 20 ms poll of the RAM mode cannot keep up.
    const ProgramRun r =
        ctl({"write", "0", "0x02B0", "stage-stream", "0", "--seconds", "2", "--ram"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const Summary s = expectSummary(r.out, kStageTraces);
    EXPECT_GT(s.overflow, 1);
    EXPECT_EQ(r.err, QStringLiteral("board dropped %1 sets\n").arg(s.overflow));
}

TEST(CtlStream, BadArgumentsAnUnwritableFileAndAChipInShutdownSayWhy)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("missing/r.txt");
    const struct {
        QStringList args;
        int code;
        const char* says;
    } refusals[] = {
        {{"stream"}, 2, "stream needs --seconds S"},
        {{"stage-stream", "2"}, 2, "stage-stream needs --seconds S"},
        {{"stage-stream", "12", "--seconds", "1"}, 2, "out of range"},
        // Stages 0 to 11, above 0 and up to a day: the whole line is checked first.
        {{"stream", "--seconds", "0"}, 2, "seconds expected (above 0, up to 86400), got \"0\""},
        {{"stage-stream", "11", "--seconds", "86400", "stream", "--seconds", "86400.01"},
         2,
         "got \"86400.01\""},
        {{"stream", "--seconds", "1", "--out", missing}, 1, "Error: Cannot Save Values to File"},
    };
    for (const auto& r : refusals) {
        const auto run = ctl(r.args);
        EXPECT_EQ(run.code, r.code) << r.args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(r.says))) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }

    // A chip in shutdown streams nothing, says why and leaves no file behind.
    for (const QStringList& command : {QStringList{"stream"}, QStringList{"stage-stream", "0"}}) {
        const auto run = ctl(QStringList{"write", "0", "0x00B1"} + command +
                             QStringList{"--seconds", "1", "--out", dir.filePath("s.txt"), "--csv",
                                         dir.filePath("s.csv")});
        EXPECT_NE(run.code, 0);
        EXPECT_TRUE(run.err.contains("CV5310 is in Shutdown Mode. No Results Available"))
            << run.err.toStdString();
        EXPECT_TRUE(QDir(dir.path()).isEmpty()) << command[0].toStdString();
    }
}

TEST(CtlStream, BothStreamsWriteTheirWindowsResultsFileAndACsvLogWithItsStamp)
{
    struct Case {
        QStringList args;
        QStringList traces;    // of the closing figures: the log's columns
        QByteArray header;     // of the results file
        QStringList registers; // stamped beyond 0x000 to 0x007
        QString firstColumn;
        double period; // of a sequence: 12 stages at the decimation the args set
    };
    QStringList stages;
    for (int s = 0; s < 12; ++s)
        stages << QStringLiteral("stage %1").arg(s);
    const Case cases[] = {
        // Sets ready at once: both first passes fetch, neither is kept.
        {{"write", "0", "0x02B0", "stream"},
         stages,
         "Stage 0\tStage 1\t",
         {},
         "stage0",
         12 * 3 * 64 / 250e3},
        {{"stage-stream", "3"},
         kStageTraces,
         "CDC-Val\tAmb-Val\tMax-Avg Max-Thrsh Min-Avg Min-Thrsh\r\n",
         {"0x098", "0x09F"},
         "cdc",
         12 * 3 * 256 / 250e3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        QTemporaryDir dir;
        const QString csv = dir.filePath("log.csv"), out = dir.filePath("results.txt");
        const auto run = ctl(QStringList{"--scenario", "none"} + c.args +
                             QStringList{"--seconds", "1", "--out", out, "--csv", csv});
        ASSERT_EQ(run.code, 0) << run.err.toStdString();
        EXPECT_EQ(run.err, QString()); // nothing dropped, nothing said
        const int kept = expectSummary(run.out, c.traces).fetched - 2;
        expectResultsFile(out, c.header, kept);
        const QStringList lines = QString::fromUtf8(fileBytes(csv)).split('\n', Qt::SkipEmptyParts);
        const QJsonObject stamp = QJsonDocument::fromJson(fileBytes(csv + ".json")).object();
        const QJsonObject origin{
            {"program", "cv5320ctl"}, {"log", "log.csv"}, {"board_id", 58}, {"firmware", "4.1"}};
        for (auto it = origin.begin(); it != origin.end(); ++it)
            EXPECT_EQ(stamp[it.key()], it.value()) << it.key().toStdString();
        EXPECT_TRUE(QDateTime::fromString(stamp["date"].toString(), Qt::ISODate).isValid());
        const QJsonObject registers = stamp["registers"].toObject();
        EXPECT_EQ(registers.size(), 8 + c.registers.size() / 2 * 8);
        for (const QString& a : QStringList{"0x000", "0x007"} + c.registers)
            EXPECT_TRUE(
                QRegularExpression("^0x[0-9A-F]{4}$").match(registers[a].toString()).hasMatch())
                << a.toStdString();
        // The header names the columns the stamp gives units for, in order.
        const QJsonArray columns = stamp["columns"].toArray();
        QStringList header;
        for (const auto& col : columns)
            header << col.toObject()["name"].toString() + " " + col.toObject()["unit"].toString();
        EXPECT_EQ(header.mid(0, 4),
                  (QStringList{"t_s s", "fetch_s s", "set ", c.firstColumn + " LSB"}));
        EXPECT_EQ(header.replaceInStrings(QRegularExpression(" .*"), "").join(','), lines[0]);
        const QStringList rows = lines.mid(1);
        ASSERT_EQ(rows.size(), kept);
        // Conversion times: one sequence period apart to a tenth of a
        // millisecond, never after the fetch.
        double last = -1;
        for (int i = 0; i < rows.size(); ++i) {
            const QStringList f = rows[i].split(',');
            ASSERT_EQ(f.size(), 3 + c.traces.size()) << i;
            if (i > 0)
                EXPECT_NEAR(f[0].toDouble() - last, c.period, 0.0002) << i;
            EXPECT_LE(f[0].toDouble(), f[1].toDouble()) << i;
            last = f[0].toDouble();
            EXPECT_EQ(f[2].toInt(), i);
        }
        EXPECT_GT(last, 0.5); // seconds: the last of a second's sets
        EXPECT_LT(last, 2);
    }
}
