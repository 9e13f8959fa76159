#include "platform/TextFileRead.h"

#include <QFile>

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
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {std::nullopt, QStringLiteral("%1 cannot be read: %2").arg(path, f.errorString())};
    // A device has no size: read in pieces up to the cap and no further.
    QByteArray bytes;
    while (bytes.size() <= limits.maxBytes) {
        const QByteArray piece =
            f.read(std::min<qint64>(1 << 20, limits.maxBytes + 1 - bytes.size()));
        if (piece.isEmpty())
            break;
        bytes += piece;
    }
    if (f.error() != QFileDevice::NoError)
        return {std::nullopt, QStringLiteral("%1 cannot be read: %2").arg(path, f.errorString())};
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
