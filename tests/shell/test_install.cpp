// The installed program, as `cmake --install` (and so the package) lays it out.
#include "support/Files.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <filesystem>
#include <gtest/gtest.h>

TEST(Install, InstalledProgramRunsFromItsOwnFolderThroughRelativeLinks)
{
    QTemporaryDir prefix;
    QProcess install;
    install.start(QStringLiteral(CV_CMAKE_COMMAND),
                  {"--install", CV_BUILD_DIR, "--prefix", prefix.path()});
    ASSERT_TRUE(install.waitForFinished(120000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();

    const QDir root(prefix.path());
    for (const char* program : {"cv5320ctl", "cv5320-eval"}) {
        const QFileInfo link(root.filePath(QStringLiteral("bin/") + program));
        ASSERT_TRUE(link.isSymLink()) << program;
        // Relative, so an unpacked package works wherever it lies.
        EXPECT_EQ(std::filesystem::read_symlink(link.filePath().toStdString()).string(),
                  std::string("../lib/cv5320/") + program);
    }
    for (const char* file : {"lib/cv5320/CV5320 Protocol FX2 - Version 4.hex",
                             "share/applications/cv5320-eval.desktop",
                             "share/icons/hicolor/scalable/apps/cv5320-eval.svg"})
        EXPECT_TRUE(root.exists(file)) << file;
    const QByteArray rules = cv::test::fileBytes(root.filePath("lib/udev/rules.d/60-cv5320.rules"));
    EXPECT_TRUE(rules.contains("TAG+=\"uaccess\""));
    EXPECT_TRUE(rules.contains("ATTR{idVendor}==\"1209\""));

    // Moved elsewhere, the links still lead to the program and its firmware file.
    const QString moved = prefix.filePath("moved");
    ASSERT_TRUE(QDir().mkpath(moved));
    for (const char* dir : {"bin", "lib"})
        ASSERT_TRUE(QDir().rename(root.filePath(dir), moved + "/" + dir));
    QProcess ctl;
    ctl.start(moved + "/bin/cv5320ctl", {"--board", "sim", "info"});
    ASSERT_TRUE(ctl.waitForFinished(60000));
    EXPECT_EQ(ctl.exitCode(), 0) << ctl.readAllStandardError().toStdString();
    EXPECT_TRUE(ctl.readAllStandardOutput().startsWith("Board ID: 58\n"));
}
