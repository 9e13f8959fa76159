#include "platform/TextFileRead.h"

#include "platform/Services.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cv {

namespace {
QString sizeText(qint64 bytes)
{
    return bytes >= (1 << 20) && bytes % (1 << 20) == 0
               ? QStringLiteral("%1 MiB").arg(bytes >> 20)
               : QStringLiteral("%1 KiB").arg((bytes + 1023) >> 10);
}
} // namespace

TextFileRead readTextFile(const QString& path, const TextFileLimits& limits)
{
    auto failed = [&path](int err) {
        return TextFileRead{std::nullopt, QStringLiteral("%1 cannot be read: %2")
                                              .arg(path, QString::fromLocal8Bit(strerror(err)))};
    };
    // Non-blocking, so that opening a pipe nobody writes to returns at once.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return failed(errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    // A device has no size: read in pieces up to the cap and no further.
    QByteArray bytes;
    while (bytes.size() <= limits.maxBytes) {
        // A pipe, socket or terminal is waited on, but only so long.
        if (!regular && !services().waitReadable(fd, kReadWaitMs))
            return {std::nullopt, QStringLiteral("%1 cannot be read: nothing came in %2 s")
                                      .arg(path)
                                      .arg(kReadWaitMs / 1000)};
        const qsizetype want = std::min<qint64>(1 << 20, limits.maxBytes + 1 - bytes.size());
        const qsizetype had = bytes.size();
        bytes.resize(had + want);
        const ssize_t n = ::read(fd, bytes.data() + had, size_t(want));
        bytes.resize(had + std::max<ssize_t>(n, 0));
        if (n == 0)
            break;
        if (n < 0 && errno != EINTR && errno != EAGAIN)
            return failed(errno);
    }
    if (bytes.size() > limits.maxBytes)
        return {std::nullopt,
                QStringLiteral("%1 is larger than %2").arg(path, sizeText(limits.maxBytes))};
    qsizetype start = 0;
    for (int line = 1; start < bytes.size(); ++line) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        qsizetype length = end - start;
        if (length > 0 && bytes[end - 1] == '\r')
            --length;
        if (length > limits.maxLineBytes)
            return {std::nullopt, QStringLiteral("%1 line %2: longer than %3 characters (\"%4\")")
                                      .arg(path)
                                      .arg(line)
                                      .arg(limits.maxLineBytes)
                                      .arg(shortQuote(QString::fromLatin1(bytes.mid(start, 64))))};
        start = end + 1;
    }
    return {std::move(bytes), {}};
}

QString shortQuote(const QString& text, int n)
{
    QString out;
    for (qsizetype i = 0; i < text.size() && i < n; ++i) {
        const QChar c = text[i];
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    if (text.size() > n)
        out += QStringLiteral("...");
    return out;
}

} // namespace cv
