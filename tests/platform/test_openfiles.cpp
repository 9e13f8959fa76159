// Files. Every one the programs write, against a file-size limit, a device
// that takes nothing and a folder that is not there: the writer says so, and
// the file keeps its whole lines (or, written whole, is not left half). Every
// one they read, against more than it should take: refused after a bounded
// read, naming the file and line, quoting only a short prefix.
#include "config/ConfigHeader.h"
#include "config/StageContext.h"
#include "link/RegMap.h"
#include "link/RegisterFile.h"
#include "link/UsbUtils.h"
#include "measure/AdcStream.h"
#include "measure/CsvLog.h"
#include "measure/StageResults.h"
#include "measure/StageStreamCommand.h"
#include "measure/ui/AdcFrm.h"
#include "measure/ui/RRTabStageFrm.h"
#include "platform/OpenFiles.h"
#include "sim/SensorBoard.h"
#include "support/FakeServices.h"
#include "support/Files.h"
#include "support/SimRig.h"

#include <QCheckBox>
#include <QDir>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace cv;

namespace {

// The writer's message, then "FILE: reason" on a line of its own; a CSV
// log's stamp beside it is written first, so either may be the one named.
bool saysWhy(const QString& message, const QString& text, const QString& path, bool csv = false)
{
    return message.startsWith(text + "\n" + path + ": ") ||
           (csv && message.startsWith(text + "\n" + csvStampPath(path) + ": "));
}

// A window saving while it reads: true when it said so and stopped saving.
template <class Window> bool windowSaves(test::SimRig& rig, const QString& path, int tab)
{
    Window w;
    w.Form_Load();
    w.Timer1_Timer();
    if (auto* tabs = w.template findChild<QTabWidget*>(QStringLiteral("SSTab1")))
        tabs->setCurrentIndex(tab);
    rig.services.fileAnswers.push_back(path);
    auto* save = w.template findChild<QCheckBox*>(QStringLiteral("ChkSaveResults"));
    save->click();
    w.ReadContCV5310Cmd_Click();
    for (int i = 0; i < 400 && save->isChecked(); ++i) {
        w.ReadTimer_Timer();
        rig.services.virtualClock().advanceMs(std::max(1, w.readTimer()->interval()));
    }
    w.cmdClose_Click();
    return !save->isChecked() && saysWhy(rig.services.lastMessage(), kResultsFileError, path);
}

using Write = std::function<bool(test::SimRig&, const QString&)>; // true: failure reported
struct Writer {
    const char* name;
    bool wholeFile; // written at once through a temporary file
    Write fails;
};
const Writer kWriters[] = {
    {"stream", false,
     [](test::SimRig& rig, const QString& path) {
         return StreamConverterResults(20, path).fileFailed &&
                saysWhy(rig.services.lastMessage(), kAdcFileError, path);
     }},
    {"stream --csv", false,
     [](test::SimRig& rig, const QString& path) {
         return StreamConverterResults(20, {}, {path, {}}).fileFailed &&
                saysWhy(rig.services.lastMessage(), kAdcFileError, path, true);
     }},
    {"stage-stream", false,
     [](test::SimRig& rig, const QString& path) {
         bool ok = true;
         RunStageStream({0, true, 20, path}, &ok);
         return !ok && saysWhy(rig.services.lastMessage(), kResultsFileError, path);
     }},
    {"stage-stream --csv", false,
     [](test::SimRig& rig, const QString& path) {
         bool ok = true;
         RunStageStream({0, true, 20, {}, {path, {}}}, &ok);
         return !ok && saysWhy(rig.services.lastMessage(), kResultsFileError, path, true);
     }},
    {"register file", true,
     [](test::SimRig&, const QString& path) {
         QString why;
         return !saveRegisterFile(path, &why) && why.startsWith(path + ": ");
     }},
    {"header", true,
     [](test::SimRig& rig, const QString& path) {
         return !CreateConfigFile(path) &&
                saysWhy(rig.services.lastMessage(), kHeaderWriteError, path);
     }},
    {"converter window", false,
     [](test::SimRig& rig, const QString& path) {
         WriteRegister(reg::PWR_CONTROL, 0x02B0, TargetChip); // all twelve stages
         return windowSaves<AdcFrm>(rig, path, 0);
     }},
    {"stage window", false,
     [](test::SimRig& rig, const QString& path) {
         CurrentStage = 0;
         StageResultsSetup = stageResultsSetupFor(0);
         return windowSaves<RRTabStageFrm>(rig, path, 1);
     }},
    {"whole file", true,
     [](test::SimRig&, const QString& path) {
         return !writeWholeFile(path, QByteArray(4096, 'x'));
     }},
};

// The process's file-size limit at `limit` bytes (SIGXFSZ ignored, as the
// programs do) while `write` runs.
constexpr rlim_t kLimit = 2048;
bool underSizeLimit(const std::function<bool()>& write, rlim_t limit = kLimit)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit low = old;
    low.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &low);
    const bool failed = write();
    setrlimit(RLIMIT_FSIZE, &old);
    return failed;
}
struct Reader {
    const char* name;
    const char* prefix; // of its messages
    qint64 maxBytes;
    const char* size; // maxBytes as its message says it
    std::function<QString(const QString&)> error;
};
const Reader kReaders[] = {
    {"scenario", "Scenario ", 16 << 20, "16 MiB",
     [](const QString& path) {
         QString error;
         EXPECT_FALSE(sim::Scenario::readFile(path, sim::BoardLayout::forBoard(58), &error));
         return error;
     }},
    {"register file", "", 1 << 20, "1 MiB",
     [](const QString& path) { return readRegisterFile(path).error; }},
};

} // namespace

TEST(OpenFiles, EveryWriterSaysWhenTheFileFailsAndKeepsItsWholeLines)
{
    QTemporaryDir dir;
    for (const Writer& w : kWriters) {
        SCOPED_TRACE(w.name);
        const QString path = dir.filePath(QString::fromLatin1(w.name));
        {
            test::SimRig rig;
            EXPECT_TRUE(underSizeLimit([&] { return w.fails(rig, path); }));
        }
        const QByteArray got = test::fileBytes(path);
        if (w.wholeFile)
            EXPECT_TRUE(got.isEmpty()) << got.size();
        else
            EXPECT_TRUE(got.endsWith('\n') && got.size() > qsizetype(kLimit) / 2) << got.size();
        for (const QString& bad : {QStringLiteral("/dev/full"), dir.filePath("missing/x")}) {
            test::SimRig rig;
            EXPECT_TRUE(w.fails(rig, bad)) << bad.toStdString();
        }
        EXPECT_EQ(trackedFileCount(), 0);
    }
    // No temporary file stays behind (a CSV log's stamp is no temporary).
    for (const QString& name : QDir(dir.path()).entryList(QDir::Files))
        EXPECT_FALSE(name.contains('.') && !name.endsWith(".json")) << name.toStdString();
}

TEST(OpenFiles, AWholeFileReplacesTheOldOneOnlyWhenComplete)
{
    QTemporaryDir dir;
    const QString path = test::writeFile(dir.filePath("f"), "old\n");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    const auto mode = QFile::permissions(path);
    TrackedFile f(path);
    ASSERT_TRUE(f.open(TrackedFile::Mode::Whole) && f.write("new, half\n"));
    closeAllTrackedFiles(); // the program ends half way
    EXPECT_EQ(test::fileBytes(path), "old\n");
    ASSERT_TRUE(writeWholeFile(path, "new\n"));
    EXPECT_EQ(test::fileBytes(path), "new\n");
    EXPECT_EQ(QFile::permissions(path), mode);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"f"});
}

TEST(TrackedFile, AWriteCutShortAnywhereAroundALineEndKeepsTheWholeLinesBeforeIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("f");
    // The size limit each write hits, and the file after it; "x\n" was there.
    const std::pair<rlim_t, QByteArray> cases[] = {
        {1, "x\n"},     {2, "x\n"},     {3, "x\n"},     {4, "x\n"},
        {5, "x\nab\n"}, {6, "x\nab\n"}, {7, "x\nab\n"}, {8, "x\nab\ncd\n"},
    };
    for (const auto& [limit, want] : cases) {
        test::writeFile(path, "x\n");
        TrackedFile f(path);
        ASSERT_TRUE(f.open(TrackedFile::Mode::Append));
        EXPECT_EQ(underSizeLimit([&] { return !f.write("ab\ncd\n"); }, limit), limit < 8) << limit;
        EXPECT_EQ(f.write("ef\n"), limit == 8) << limit; // a failed file takes nothing more
        f.close();
        EXPECT_EQ(test::fileBytes(path), limit == 8 ? want + "ef\n" : want) << limit;
    }
}

TEST(TextFileLimits, EveryReaderTakesExactlyItsLimitsAndRefusesOneMoreQuotingOnlyAPrefix)
{
    test::FakeServices services;
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const Reader& r : kReaders) {
        SCOPED_TRACE(r.name);
        const QString prefix = QString::fromLatin1(r.prefix);
        const QString big = dir.filePath("big");
        const QByteArray full = QByteArray("1\n").repeated(r.maxBytes / 2);
        EXPECT_FALSE(r.error(test::writeFile(big, full)).contains("larger than"));
        EXPECT_EQ(r.error(test::writeFile(big, full + "1")),
                  prefix + big + " is larger than " + r.size);
        EXPECT_EQ(r.error("/dev/zero"), prefix + "/dev/zero is larger than " + r.size);
        // 1024 characters and a CR LF fit; what the file says wrong comes
        // with its name and line.
        const QString at =
            test::writeFile(dir.filePath("at"), "1\n" + QByteArray(1024, 'x') + "\r\n");
        EXPECT_TRUE(r.error(at).startsWith(prefix + at + " line ")) << r.error(at).toStdString();
        EXPECT_FALSE(r.error(at).contains("longer than"));
        // Nobody writes to the pipe: given up on after four seconds.
        const int64_t before = services.nowMs();
        EXPECT_EQ(r.error(fifo), prefix + fifo + " cannot be read: nothing came in 4 s");
        EXPECT_EQ(services.nowMs() - before, 4000);
        // A NUL first, then one more than a line may hold.
        const QString longLine = test::writeFile(
            dir.filePath("long"), "1\n" + QByteArray(1, '\0') + QByteArray(1024, 'x') + "\n");
        const QString e = r.error(longLine);
        EXPECT_EQ(e,
                  prefix + longLine +
                      " line 2: longer than 1024 characters (\"\\x00xxxxxxxxxxxxxxxxxxxxxxx...\")");
    }
}
