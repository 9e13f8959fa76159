#pragma once
// The one writer for every file the programs write. Each write goes
// straight to the file and is checked: a full disk, a file-size limit or a
// device that takes nothing is noticed at the line it hits, the file is cut
// back to its last whole line and takes nothing more. Files register here
// while open, so that an ending program can close them first. A file
// written whole (Mode::Whole) appears complete or not at all.

#include <QByteArray>
#include <QString>

namespace cv {

class TrackedFile {
public:
    // Whole: written under a temporary name in the same folder and renamed
    // over the file by a close() after which nothing failed; a failed or
    // abandoned file leaves the old one (or none). A device or pipe has no
    // folder entry to replace and is written in place.
    enum class Mode { Truncate, Append, Whole };

    explicit TrackedFile(const QString& path);
    ~TrackedFile();
    TrackedFile(const TrackedFile&) = delete;
    TrackedFile& operator=(const TrackedFile&) = delete;

    bool open(Mode mode = Mode::Truncate);
    // Writes whole lines at once (`bytes` ends at a line end, or is the
    // whole of a file that has none). False when the file is not open or
    // not all of it landed; the file then ends on its last whole line, is
    // failed for good and further writes are refused.
    bool write(const QByteArray& bytes);
    // Nothing is held back, so this only reports the state: false once failed.
    bool flush() const { return isOpen() && !failed(); }
    // False when anything written since open() failed (closing included).
    bool close();
    // Closes without keeping a file written whole (the program ends half way).
    void abandon();

    bool isOpen() const { return fd_ >= 0; }
    bool failed() const { return !error_.isEmpty(); }
    // Why it failed ("No space left on device"), else empty.
    QString reason() const { return error_; }
    // "FILE: reason" once failed, else empty.
    QString errorText() const
    {
        return failed() ? path_ + QStringLiteral(": ") + error_ : QString();
    }
    const QString& path() const { return path_; }

private:
    void fail(int err);

    QString path_;
    QByteArray temp_; // the temporary name of a file written whole, else empty
    int fd_ = -1;
    qint64 whole_ = 0; // bytes up to the last whole line written
    QString error_;
};

// Closes every open TrackedFile, abandoning those written whole; called
// before the program ends.
void closeAllTrackedFiles();
int trackedFileCount();

// Writes a whole file at once (Mode::Whole), so a failed save leaves no
// half file. False with `error` ("FILE: reason") on any failure.
bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// Standard output of a command-line program: flushed and checked. False
// after anything printed could not be written (a full disk, a closed
// descriptor); `error` says why.
bool flushStandardOutput(QString* error = nullptr);

// Called once at program start. A file-size limit then makes writes fail
// instead of killing the program, so the writers above can say what
// happened; a closed standard output or error is held by a device that
// refuses writes, so nothing opened later lands there by accident and
// printing to it is noticed.
void prepareOutput();

} // namespace cv
