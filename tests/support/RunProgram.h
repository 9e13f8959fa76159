#pragma once
// Runs one of the built programs as a user would and collects what it said.
// Header-only: CV_BIN_DIR is defined for each test program.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

namespace cv::test {

struct ProgramRun {
    int code;
    QString out;
    QString err;
};

inline ProgramRun runProgram(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(CV_BIN_DIR "/") + program, args);
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

} // namespace cv::test
