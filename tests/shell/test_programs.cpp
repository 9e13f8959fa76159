// The two programs as a user runs them: command lines good and bad, the
// rehearsed board failures, traces and the files they read and write.
#include "support/Captions.h"
#include "support/Files.h"
#include "support/RunProgram.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using cv::test::fileBytes;
using cv::test::ProgramRun;
using cv::test::runProgram;

TEST(Programs, CommandLinesAndWhatTheyAnswer)
{
    QTemporaryDir dir;
    struct Case {
        const char* shell; // $0: cv5320ctl, $1: cv5320-eval, run in an empty folder
        int code;          // -1: any failure
        const char* out;   // contained in stdout
        const char* err;   // contained in stderr
    };
    // clang-format off
    const Case cases[] = {
        {"\"$0\" --board sim write 0x80 0x1234 wait 100 read 0x80 2 read --board-reg 6 info", 0,
         "0x0080 0x1234\n0x0081 0x0FFF\nstatus 0\n0x0006 0x003A\nstatus 0\nBoard ID: 58\n"
         "Device ID: 532\nSilicon Revision: 2\nFirmware Revision: 4.1\nBoard: Simulated board 58\n", ""},
        // Only the sensor boards the simulation has, before start-up.
        {"\"$0\" --board sim:2 info", 2, "", "Unknown board \"sim:2\": use sim, sim:1, sim:58, sim:70, usb"},
        {"\"$0\" --board sim write 0x400 1", -1, "", "out of range"},
        // The whole line is checked before the first access.
        {"\"$0\" --board sim read 0x80 wait x", 2, "", ""},
        {"\"$0\" --board sim read 0x3F0 28", 2, "", "28 registers from 0x03F0 run past 0x03FF"},
        {"\"$0\" --board sim read --board-reg 0x3F0 16", 0, "0x03FF ", ""},
        {"\"$0\" --board sim:58 calibrate 12", 2, "", ""},
        {"\"$0\" --board sim load missing.txt", -1, "", "Error in writing to file"},
        // Rehearsed failures: start-up makes two requests, so the fourth is the read.
        {"\"$0\" --board sim --sim-fault request=4 write 0x80 1 read 0x80 info", 1, "", "USB communication failed"},
        {"\"$0\" --board sim --sim-fault sometimes info", 2, "", "Unknown fault \"sometimes\""},
        {"\"$0\" --board usb --sim-fault request=1 info", 2, "", "simulated board only"},
        {"\"$1\" --sim-fault request=3 --render .", -1, "", "USB communication failed"},
        {"\"$0\" --version", 0, "cv5320ctl 4.0\n", ""},
        {"\"$1\" --version", 0, "cv5320-eval 4.0\n", ""},
        {"\"$0\" --help", 0, "usb:BUS-PORT", ""},
        {"\"$1\" --help", 0, "fx2-emu", ""},
        {"\"$0\" --board sim dump >/dev/full", 1, "", "standard output: No space left"},
        {"\"$0\" --board sim info >&-", 1, "", "standard output: closed"},
        // The transport reads at most 28 registers: refused before start-up.
        {"\"$0\" --board sim --usb-log u read 0x80 29", 2, "", "count 29 is out of range (1 to 28)"},
        // Bytes that are not valid text would name another file.
        {"\"$0\" --board sim save \"$(printf 'r\\377')\"", 2, "", "\"r\\xff\" is not valid text"},
        // An option's value is a value: "-h" names a scenario file here.
        {"\"$1\" --scenario -h --render .", 2, "", "Scenario -h cannot be read"},
        {"\"$1\" --help >/dev/full", 1, "", ""},
        // A second value would silently win.
        {"\"$1\" --render . --render .", 2, "", "--render is given twice"},
        {"\"$0\" --board sim stream --seconds 1 --seconds 2", 2, "", "--seconds is given twice"},
        {"\"$0\" --board sim --sim-fault after=99999999999999999999 info", 2, "",
         "--sim-fault after=99999999999999999999 is out of range (0 to 1000000000000)"},
        {"\"$0\" --board sim read 99999999999999999999", 2, "", "address 99999999999999999999 is out of range"},
        // A pipe with a writer is read to its end.
        {"mkfifo f && { printf '1000 tap up\\n' >f & } && \"$0\" --board sim --scenario f info "
         ">/dev/null; s=$?; rm f; exit $s", 0, "", ""},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shell);
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start("/bin/sh", {"-c", c.shell, CV_BIN_DIR "/cv5320ctl", CV_BIN_DIR "/cv5320-eval"});
        ASSERT_TRUE(p.waitForFinished(60000));
        const QString out = p.readAllStandardOutput(), err = p.readAllStandardError();
        if (c.code < 0)
            EXPECT_NE(p.exitCode(), 0);
        else
            EXPECT_EQ(p.exitCode(), c.code) << err.toStdString();
        EXPECT_TRUE(out.contains(c.out)) << out.toStdString();
        EXPECT_TRUE(err.contains(c.err)) << err.toStdString();
        if (c.code == 2)
            EXPECT_TRUE(out.isEmpty()) << out.toStdString();
        EXPECT_TRUE(QDir(dir.path()).isEmpty());
    }
}

TEST(Programs, FilesCarryRegistersAndTheConfigurationBetweenRunsAndLogTheUsb)
{
    QTemporaryDir dir;
    const QString regs = dir.filePath("regs.txt"), log = dir.filePath("usb.log");
    ProgramRun r = runProgram("cv5320ctl", {"--board", "sim", "--usb-log", log, "write", "0x99",
                                            "39321", "write", "7", "0x0999", "save", regs});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    // One line per request: start-up's two reads, the two writes, the save's nine reads.
    EXPECT_EQ(fileBytes(log).count('\n'), 13);

    // A fresh board: the file brings the registers back.
    r = runProgram("cv5320ctl", {"--board", "sim", "load", regs, "dump"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    // Every register the console shows, with its label, against the fixture.
    cv::test::expectGolden(r.out, "shell/fixtures/dump-after-load.txt");

    // The configuration commands run the same code as the windows.
    const QString header = dir.filePath("config.h");
    r = runProgram("cv5320ctl", {"--board", "sim:58", "--scenario", "none", "init-inputs",
                                 "calibrate", "3", "export-header", header});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("stage 3: all bias, AFE offset 0x0000, result "));
    EXPECT_TRUE(r.out.endsWith(", 0 steps\n")) << r.out.toStdString();
    // The header's own text is pinned by its fixture; here, one line per stage.
    EXPECT_EQ(fileBytes(header).toUpper().count("    STAGEBUFFER[0]=0XFFFF;\r\n"), 12);

    r = runProgram("cv5320-eval", {"--render", dir.path()});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath("CV5320TopLevelFrm.png")));

    // An unwritable log fails the run, said once; the board was not disturbed.
    r = runProgram("cv5320ctl",
                   {"--board", "sim", "--usb-log", "/dev/full", "info", "read", "0x80"});
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.err.count("USB log \"/dev/full\" cannot be written"), 1) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("Board ID: 58") && r.out.contains("0x0080 ")) << r.out.toStdString();
    r = runProgram("cv5320-eval", {"--usb-log", "/dev/full", "--render", dir.path()});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.err.contains("USB log")) << r.err.toStdString();
}
