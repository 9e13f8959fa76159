// cv5320ctl's configuration commands run the same code as the windows.
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "support/RunProgram.h"

namespace {
using cv::test::ProgramRun;

ProgramRun ctl(const QStringList& args)
{
    return cv::test::runProgram(QStringLiteral("cv5320ctl"), QStringList{"--board", "sim:58", "--scenario", "none"} + args);
}
} // namespace

TEST(CtlConfig, InitialiseCalibrateAndExportTheHeader)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("config.h");
    ProgramRun r = ctl({"init-inputs", "calibrate", "3", "export-header", file});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "stage 3: all bias, AFE offset 0x0000, result " +
                         r.out.section("result ", 1).section(',', 0, 0) + ", 0 steps\n");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.contains("#define POWER_UP_INTERRUPT                          0x0\r\n"));
    EXPECT_EQ(text.count("    StageBuffer[0]=0xFFFF;\r\n"), 12);

    r = ctl({"calibrate", "12"});
    EXPECT_EQ(r.code, 2);
    r = ctl({"export-header", dir.filePath("no/such/dir.h")});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.err.contains("Error in writing to file")) << r.err.toStdString();
}
