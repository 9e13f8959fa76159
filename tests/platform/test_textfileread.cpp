// Every file-level reader against more than it should take: a file over its
// cap, a device that never ends, a line over its length. Each refuses after
// a bounded read, names the file (and line) and quotes only a short prefix.
#include "shell/RegisterFile.h"
#include "sim/SensorBoard.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace cv;

namespace {
struct Reader {
    const char* name;
    const char* prefix; // of its messages
    TextFileLimits limits;
    std::function<QString(const QString&)> error;
};
const Reader kReaders[] = {
    {"scenario", "Scenario ", sim::Scenario::kFileLimits,
     [](const QString& path) {
         QString error;
         EXPECT_FALSE(sim::Scenario::readFile(path, sim::BoardLayout::forBoard(58), &error));
         return error;
     }},
    {"register file", "", kRegisterFileLimits,
     [](const QString& path) { return readRegisterFile(path).error; }},
};

QString written(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    return path;
}
} // namespace

TEST(TextFileLimits, EveryReaderRefusesTooMuchAndQuotesOnlyAPrefix)
{
    QTemporaryDir dir;
    for (const Reader& r : kReaders) {
        SCOPED_TRACE(r.name);
        const QString prefix = QString::fromLatin1(r.prefix);
        const QString big =
            written(dir.filePath("big"), QByteArray("1\n").repeated(r.limits.maxBytes / 2 + 1));
        EXPECT_EQ(r.error(big), QStringLiteral("%1%2 is larger than %3 MiB")
                                    .arg(prefix, big)
                                    .arg(r.limits.maxBytes >> 20));
        EXPECT_EQ(r.error("/dev/zero"), prefix + "/dev/zero is larger than " +
                                            QString::number(r.limits.maxBytes >> 20) + " MiB");
        // A NUL first, then far more than a line may hold.
        const QString longLine = written(dir.filePath("long"), "1\n" + QByteArray(1, '\0') +
                                                                   QByteArray(5000, 'x') + "\n");
        const QString e = r.error(longLine);
        EXPECT_EQ(e,
                  prefix + longLine +
                      " line 2: longer than 1024 characters (\"\\x00xxxxxxxxxxxxxxxxxxxxxxx...\")");
        // What the file says wrong comes with its name and line too.
        EXPECT_TRUE(r.error(written(dir.filePath("bad"), "1\n"))
                        .startsWith(prefix + dir.filePath("bad") + " line "));
    }
}
