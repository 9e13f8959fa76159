#include "platform/OpenFiles.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace cv {

namespace {
std::vector<TrackedFile*>& registry()
{
    static std::vector<TrackedFile*> files;
    return files;
}

QString errnoText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

bool g_stdoutHeld = false; // standard output was closed when the program started
} // namespace

TrackedFile::TrackedFile(const QString& path) : path_(path) {}

TrackedFile::~TrackedFile()
{
    // Only an explicit close() keeps a file written whole.
    abandon();
}

bool TrackedFile::open(Mode mode)
{
    close();
    error_.clear();
    whole_ = 0;
    const QByteArray name = QFile::encodeName(path_);
    struct stat st {};
    // A device or pipe is written in place: a rename would replace it (as
    // root, even /dev/full).
    if (mode == Mode::Whole && !name.isEmpty() &&
        (::stat(name.constData(), &st) != 0 || S_ISREG(st.st_mode))) {
        QByteArray temp = name + ".XXXXXX";
        fd_ = ::mkostemp(temp.data(), O_CLOEXEC);
        if (fd_ >= 0) {
            // The mode a new file would get (mkostemp gives 0600).
            const mode_t mask = ::umask(0);
            ::umask(mask);
            (void)::fchmod(fd_,
                           ::stat(name.constData(), &st) == 0 ? st.st_mode & 07777 : 0666 & ~mask);
            temp_ = temp;
        } else if (errno != EACCES) {
            error_ = errnoText(errno);
            return false;
        }
        // A folder that takes no new name: the file is written in place.
    }
    if (fd_ < 0) {
        const int flags =
            O_WRONLY | O_CREAT | O_CLOEXEC | (mode == Mode::Append ? O_APPEND : O_TRUNC);
        fd_ = name.isEmpty() ? -1 : ::open(name.constData(), flags, 0666);
    }
    if (fd_ < 0) {
        error_ = errnoText(name.isEmpty() ? ENOENT : errno);
        return false;
    }
    if (mode == Mode::Append)
        whole_ = std::max<qint64>(0, ::lseek(fd_, 0, SEEK_END));
    registry().push_back(this);
    return true;
}

bool TrackedFile::write(const QByteArray& bytes)
{
    if (!isOpen() || failed())
        return false;
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            const int err = n < 0 ? errno : ENOSPC;
            // Keep the whole lines that landed; the partial one goes.
            const qsizetype lastEnd = done > 0 ? bytes.lastIndexOf('\n', done - 1) : -1;
            whole_ += lastEnd + 1;
            fail(err);
            return false;
        }
    }
    whole_ += done;
    return true;
}

void TrackedFile::fail(int err)
{
    error_ = errnoText(err);
    // A device such as /dev/full cannot be cut: nothing landed there anyway.
    if (::ftruncate(fd_, whole_) != 0)
        (void)::lseek(fd_, whole_, SEEK_SET);
}

bool TrackedFile::close()
{
    if (!isOpen())
        return !failed();
    if (::close(fd_) != 0 && !failed())
        error_ = errnoText(errno);
    fd_ = -1;
    auto& r = registry();
    r.erase(std::remove(r.begin(), r.end(), this), r.end());
    if (!temp_.isEmpty()) {
        if (!failed() && ::rename(temp_.constData(), QFile::encodeName(path_).constData()) != 0)
            error_ = errnoText(errno);
        if (failed())
            ::unlink(temp_.constData());
        temp_.clear();
    }
    return !failed();
}

void TrackedFile::abandon()
{
    if (!temp_.isEmpty() && !failed())
        error_ = QStringLiteral("not finished");
    close();
}

void closeAllTrackedFiles()
{
    // abandon() edits the registry, so work on a copy.
    const auto files = registry();
    for (TrackedFile* f : files)
        f->abandon();
}

int trackedFileCount()
{
    return static_cast<int>(registry().size());
}

bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* error)
{
    TrackedFile f(path);
    const bool ok = f.open(TrackedFile::Mode::Whole) && f.write(bytes) && f.close();
    if (!ok && error)
        *error = f.errorText();
    return ok;
}

bool flushStandardOutput(QString* error)
{
    const bool ok = std::fflush(stdout) == 0 && !std::ferror(stdout);
    const int err = errno;
    if (!ok && error)
        *error = QStringLiteral("standard output: ") +
                 (g_stdoutHeld ? QStringLiteral("closed") : errnoText(err));
    return ok;
}

void prepareOutput()
{
    std::signal(SIGXFSZ, SIG_IGN);
    // /dev/full refuses every write, so output to a closed stream fails loudly.
    for (int fd : {STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF)
            continue;
        const int held = ::open("/dev/full", O_WRONLY);
        if (held >= 0 && held != fd) {
            ::dup2(held, fd);
            ::close(held);
        }
        if (fd == STDOUT_FILENO)
            g_stdoutHeld = true;
    }
}

} // namespace cv
