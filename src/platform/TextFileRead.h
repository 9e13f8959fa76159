#pragma once
// Reading a text file a user hands in, within limits: a cap on the file's
// size and on the length of a line, so a device such as /dev/zero or a file
// of one endless line is refused after a bounded read. Messages name the
// file and line and quote at most a short prefix of the offending text.

#include <QByteArray>
#include <QString>
#include <optional>

namespace cv {

struct TextFileLimits {
    qint64 maxBytes;
    qint64 maxLineBytes; // without the line end
};

struct TextFileRead {
    std::optional<QByteArray> bytes;
    // "FILE cannot be read: reason", "FILE is larger than N KiB" or
    // "FILE line N: longer than M characters ("prefix...")".
    QString error;
};

// Reads at most maxBytes (+1, to see the file is longer) from any kind of
// file. A pipe, socket or terminal is given up on when nothing comes for
// kReadWaitMs ("FILE cannot be read: nothing came in 4 s"); waiting goes
// through the services, so those must be installed to read one.
TextFileRead readTextFile(const QString& path, const TextFileLimits& limits);
inline constexpr int kReadWaitMs = 4000;

// At most `n` characters of `text` for a message: control characters (NUL
// included) as \xNN so the message cannot be cut short or garbled, and
// "..." when there is more.
QString shortQuote(const QString& text, int n = 24);

} // namespace cv
