// cv5320ctl's register file commands: the same files as the console.
#include "shell/RegisterFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "support/RunProgram.h"

namespace {
using cv::test::ProgramRun;

ProgramRun ctl(const QStringList& args)
{
    return cv::test::runProgram(QStringLiteral("cv5320ctl"), QStringList{"--board", "sim"} + args);
}
} // namespace

TEST(CtlRegisterFile, SaveLoadAndDumpCarryRegistersBetweenRuns)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("regs.txt");
    ProgramRun r = ctl({"write", "0x80", "0x1234", "write", "0xDF", "65535", "write", "7", "0x0FFF",
                    "save", file});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_EQ(bytes.count("\r\n"), cv::kRegisterFileLines);
    EXPECT_TRUE(bytes.startsWith(" 4660  - Connection Mem 0 0x(80) = 1234\r\n"));

    // A fresh board: the file brings the registers back.
    r = ctl({"load", file, "dump"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 108);
    // Register 0 as the board's start-up configuration left it.
    EXPECT_TRUE(lines[0].startsWith("0x0000 0x")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(" Power Control  0x00")) << lines[0].toStdString();
    EXPECT_EQ(lines[7], "0x0007 0x0FFF Stage Complete Int Enable 0x07");
    EXPECT_EQ(lines[11], "0x0017 0x5322 Part ID Register 0x17");
    EXPECT_EQ(lines[12], "0x0080 0x1234 Conn Mem 0 0x80");
    EXPECT_EQ(lines[107], "0x00DF 0xFFFF Low Clamp Val 0xDF");

    r = ctl({"load", dir.filePath("missing.txt")});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.err.contains("Error in writing to file")) << r.err.toStdString();
}
