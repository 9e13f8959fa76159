#include "platform/OpenFiles.h"
#include "support/FakeServices.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace cv;

TEST(OpenFiles, FilesBeingWrittenAreFlushedAndClosedWhenTheProgramEnds)
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
    QFile f(dir.filePath("results.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "32768\t32770\r\n");
}
