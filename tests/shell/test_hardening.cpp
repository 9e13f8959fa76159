// The programs given bad command lines, an unwritable trace and rehearsed
// board failures.
#include "shell/BoardSession.h"
#include "support/RunProgram.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using cv::test::ProgramRun;
using cv::test::runProgram;

TEST(CtlCommandLine, WholeLineIsCheckedBeforeTheFirstAccess)
{
    QTemporaryDir dir;
    const QString log = dir.filePath("usb.log");
    ProgramRun r = runProgram(
        "cv5320ctl", {"--board", "sim", "--usb-log", log, "write", "0x80", "0x1234", "frobnicate"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("unknown command \"frobnicate\"")) << r.err.toStdString();
    // Not even the start-up touched the board.
    EXPECT_FALSE(QFile::exists(log) && QFile(log).size() > 0);

    r = runProgram("cv5320ctl", {"--board", "sim", "read", "0x80", "wait", "x"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();

    r = runProgram("cv5320ctl", {"--board", "sim", "read", "0x3F0", "28"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("28 registers from 0x03F0 run past 0x03FF")) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    r = runProgram("cv5320ctl", {"--board", "sim", "read", "--board-reg", "0x3F0", "16"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("0x03FF ")) << r.out.toStdString();
}

TEST(SimFault, ParsesTheTwoKinds)
{
    using cv::SimFault;
    auto f = cv::parseSimFault("request=7");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->kind, SimFault::Request);
    EXPECT_EQ(f->at, 7);
    f = cv::parseSimFault("after=0");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->kind, SimFault::After);
    for (const char* bad : {"request=0", "request=-1", "after=", "after=1e3", "later=5", "request",
                            "after=99999999999999999999", ""})
        EXPECT_FALSE(cv::parseSimFault(bad)) << bad;
}

TEST(SimFault, BothProgramsRehearseAFailingBoardAndRefuseARealOne)
{
    // Start-up makes two requests (chip identity, EEPROM); the fourth is the read.
    ProgramRun r = runProgram("cv5320ctl", {"--board", "sim", "--sim-fault", "request=4", "write",
                                            "0x80", "1", "read", "0x80", "info"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("USB communication failed")) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();

    r = runProgram("cv5320ctl",
                   {"--board", "sim", "--sim-fault", "after=1000", "info", "wait", "1000", "info"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out.count("Board ID: 58"), 1) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains("USB communication failed"));

    r = runProgram("cv5320ctl", {"--board", "sim", "--sim-fault", "sometimes", "info"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("Unknown fault \"sometimes\"")) << r.err.toStdString();

    r = runProgram("cv5320ctl", {"--board", "usb", "--sim-fault", "request=1", "info"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("simulated board only")) << r.err.toStdString();

    QTemporaryDir dir;
    r = runProgram("cv5320-eval", {"--sim-fault", "request=3", "--render", dir.path()});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.err.contains("USB communication failed")) << r.err.toStdString();
    r = runProgram("cv5320-eval",
                   {"--board", "usb", "--sim-fault", "after=5", "--render", dir.path()});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("simulated board only")) << r.err.toStdString();
}

TEST(Programs, RefuseWhatTheyCannotDoBeforeOrAsTheyDoIt)
{
    QTemporaryDir dir;
    const struct {
        const char* shell; // $0: cv5320ctl, $1: cv5320-eval, run in an empty folder
        int code;
        const char* said;
    } cases[] = {
        {"\"$0\" --board sim dump >/dev/full", 1, "standard output: No space left"},
        {"\"$0\" --board sim info >&-", 1, "standard output: closed"},
        // A trace that cannot be written is said once; every command still runs.
        {"\"$0\" --board sim --usb-log /dev/full info read 0x80 >/dev/null", 3,
         "USB log \"/dev/full\" cannot be written"},
        // The transport reads at most 28 registers: refused before start-up.
        {"\"$0\" --board sim --usb-log u read 0x80 29", 2, "count 29 is out of range (1 to 28)"},
        // Bytes that are not valid text would name another file.
        {"\"$0\" --board sim save \"$(printf 'r\\377')\"", 2, "\"r\\xff\" is not valid text"},
        // An option's value is a value: "-h" names a scenario file here.
        {"\"$1\" --scenario -h --render .", 2, "Scenario -h cannot be read"},
    };
    for (const auto& c : cases) {
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start("/bin/sh", {"-c", c.shell, CV_BIN_DIR "/cv5320ctl", CV_BIN_DIR "/cv5320-eval"});
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), c.code) << c.shell;
        EXPECT_TRUE(p.readAllStandardError().contains(c.said)) << c.shell;
        EXPECT_TRUE(QDir(dir.path()).isEmpty()) << c.shell;
    }
}
