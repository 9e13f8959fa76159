// The two programs as a user runs them.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "support/RunProgram.h"

using cv::test::ProgramRun;

namespace {
ProgramRun run(const QString& program, const QStringList& args)
{
    return cv::test::runProgram(program, args);
}
} // namespace

TEST(Ctl, CommandsRunInOrderOnOneBoard)
{
    const ProgramRun r =
        run("cv5320ctl", {"--board", "sim", "write", "0x80", "0x1234", "wait", "100", "read",
                          "0x80", "2", "read", "--board-reg", "6", "info"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "0x0080 0x1234\n0x0081 0x0FFF\nstatus 0\n"
                     "0x0006 0x003A\nstatus 0\n"
                     "Board ID: 58\nDevice ID: 532\nSilicon Revision: 2\nFirmware Revision: 4.1\n"
                     "Board: Simulated board 58\n");
}

TEST(Ctl, MessagesGoToStderrAndEndingIsNonZero)
{
    ProgramRun r = run("cv5320ctl", {"--board", "sim:5", "info"});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.err.contains("Error:  5 Cannot Load Correct Version of Firmware"))
        << r.err.toStdString();

    r = run("cv5320ctl", {"--board", "sim", "frobnicate"});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.err.contains("unknown command")) << r.err.toStdString();

    r = run("cv5320ctl", {"--board", "sim", "write", "0x400", "1"});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.err.contains("out of range")) << r.err.toStdString();
}

TEST(Ctl, UsbLogHasOneLinePerVendorRequest)
{
    QTemporaryDir dir;
    const QString log = dir.filePath("usb.log");
    const ProgramRun r =
        run("cv5320ctl", {"--board", "sim", "--usb-log", log, "write", "0x0A5", "0x1234"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLatin1(f.readAll()).split('\n', Qt::SkipEmptyParts);
    // Start-up's chip identity read and EEPROM read, then the write.
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].section(' ', 1).startsWith("0xDD 0x8417 0x0000 1 64 0 17"));
    EXPECT_TRUE(lines[1].section(' ', 1).startsWith("0xE2 0x0003 0x0002 1 64 0"));
    EXPECT_TRUE(lines[2].section(' ', 1, 6) == "0xDD 0x0000 0x0040 0 64 0")
        << lines[2].toStdString();
    EXPECT_TRUE(lines[2].endsWith("0A851234"));
}

TEST(Eval, RenderWritesOnePicturePerWindow)
{
    QTemporaryDir dir;
    const ProgramRun r = run("cv5320-eval", {"--render", dir.path()});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath("CV5320TopLevelFrm.png")));
}

TEST(Programs, HelpAndVersionAnswerWithoutABoard)
{
    for (const char* program : {"cv5320ctl", "cv5320-eval"}) {
        ProgramRun r = run(program, {"--version"});
        EXPECT_EQ(r.code, 0) << program;
        EXPECT_EQ(r.out, QString(program) + " 4.0\n");
        r = run(program, {"--help"});
        EXPECT_EQ(r.code, 0) << program;
        EXPECT_TRUE(r.out.contains("usb:BUS-PORT")) << r.out.toStdString();
        EXPECT_TRUE(r.out.contains("fx2-emu"));
    }
}
