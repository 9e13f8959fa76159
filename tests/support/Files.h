#pragma once
// Whole files in and out, for tests that check what a program wrote or give
// it something to read.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

namespace cv::test {

// The file's bytes; empty when it cannot be read.
inline QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes `bytes` as the whole file; returns its path.
inline QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size())
        << path.toStdString();
    return path;
}

} // namespace cv::test
