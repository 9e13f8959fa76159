// Every file the programs write, against a file-size limit and a device
// that takes nothing: the writer says so, and the file keeps its whole lines.
#include "platform/OpenFiles.h"
#include "support/FakeServices.h"

#include <QTemporaryDir>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace cv;

namespace {
constexpr rlim_t kLimit = 2048;

// Runs `write` with the process's file-size limit at 2 KiB (SIGXFSZ
// ignored, as the programs do), then lifts it again.
bool underSizeLimit(const std::function<bool()>& write)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit low = old;
    low.rlim_cur = kLimit;
    setrlimit(RLIMIT_FSIZE, &low);
    const bool ok = write();
    setrlimit(RLIMIT_FSIZE, &old);
    return ok;
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray numberedLines(int n)
{
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out += QByteArray::number(100000 + i) + "\t32768\t32770\r\n";
    return out;
}
} // namespace

TEST(OpenFiles, FilesBeingWrittenAreClosedWhenTheProgramEnds)
{
    test::FakeServices fake;
    QTemporaryDir dir;
    TrackedFile results(dir.filePath("results.txt"));
    ASSERT_TRUE(results.open());
    results.write("32768\t32770\r\n");
    EXPECT_EQ(trackedFileCount(), 1);
    EXPECT_THROW(fake.endProgram(1), ProgramEnded);
    EXPECT_FALSE(results.isOpen());
    EXPECT_EQ(trackedFileCount(), 0);
    EXPECT_EQ(contents(dir.filePath("results.txt")), "32768\t32770\r\n");
}

TEST(OpenFiles, AShortWriteLeavesTheLastWholeLineAndRefusesMore)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("lines.txt");
    // Line by line, and many lines in one write: both stop at a line end.
    for (int perWrite : {1, 1000}) {
        TrackedFile f(path);
        ASSERT_TRUE(f.open());
        const bool ok = underSizeLimit([&] {
            for (int i = 0; i < 1000; i += perWrite)
                if (!f.write(numberedLines(perWrite)))
                    return false;
            return true;
        });
        EXPECT_FALSE(ok);
        EXPECT_FALSE(f.write("1\r\n"));
        EXPECT_FALSE(f.close());
        EXPECT_TRUE(f.errorText().startsWith(path + ": ")) << f.errorText().toStdString();
        const QByteArray got = contents(path);
        EXPECT_TRUE(got.endsWith("\r\n")) << perWrite;
        EXPECT_GT(got.size(), qsizetype(kLimit) - 20) << perWrite;
        EXPECT_EQ(got, numberedLines(1000).left(got.size()));
    }
    TrackedFile full(QStringLiteral("/dev/full"));
    ASSERT_TRUE(full.open());
    EXPECT_FALSE(full.write("1\r\n"));
    EXPECT_TRUE(full.errorText().contains(QStringLiteral("space"))) << full.errorText().toStdString();
}
