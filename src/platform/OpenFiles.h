#pragma once
// Files the program is writing register here while open, so that an ending
// program can flush and close them first.

#include <QFile>
#include <QString>

namespace cv {

// A file opened for writing whose contents survive the program's end.
class TrackedFile {
public:
    explicit TrackedFile(const QString& path);
    ~TrackedFile();
    TrackedFile(const TrackedFile&) = delete;
    TrackedFile& operator=(const TrackedFile&) = delete;

    bool open(QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Truncate);
    bool write(const QByteArray& bytes);
    bool flush();
    void close();
    bool isOpen() const { return file_.isOpen(); }
    QFile& file() { return file_; }

private:
    QFile file_;
};

// Flushes and closes every open TrackedFile; called before the program ends.
void closeAllTrackedFiles();
int trackedFileCount();

} // namespace cv
