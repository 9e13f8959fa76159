#pragma once
// The file-level readers take a path: each input is written to one file of
// this process first. Messages must stay short and whole: a prefix of the
// text at most, no NUL that would cut them when printed.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace fuzzfile {

inline QString write(const uint8_t* data, size_t size)
{
    // Removed when the fuzzer ends.
    static const struct Own {
        QString path = QDir::temp().filePath(QStringLiteral("cv5320-fuzz-%1").arg(::getpid()));
        ~Own() { QFile::remove(path); }
    } own;
    const QString& path = own.path;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        f.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        std::abort();
    return path;
}

inline void checkMessage(const QString& error, const QString& path)
{
    if (error.contains(QChar(0)) || error.size() > path.size() + 300)
        std::abort();
}

} // namespace fuzzfile
