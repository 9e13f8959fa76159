// Every file the programs write, against a file-size limit and a device
// that takes nothing: the writer says so, and the file keeps its whole lines.
#include "config/ConfigHeader.h"
#include "config/StageContext.h"
#include "measure/AdcReading.h"
#include "measure/AdcStream.h"
#include "measure/StageResults.h"
#include "measure/StageStreamCommand.h"
#include "measure/ui/AdcFrm.h"
#include "measure/ui/RRTabStageFrm.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "platform/OpenFiles.h"
#include "shell/RegisterFile.h"
#include "support/SimRig.h"
#include "widgets/StripChart.h"

#include <QCheckBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
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

QByteArray numberedLines(int from, int n)
{
    QByteArray out;
    for (int i = from; i < from + n; ++i)
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
                if (!f.write(numberedLines(i, perWrite)))
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
        EXPECT_EQ(got, numberedLines(0, 1000).left(got.size()));
    }
    TrackedFile full(QStringLiteral("/dev/full"));
    ASSERT_TRUE(full.open());
    EXPECT_FALSE(full.write("1\r\n"));
    EXPECT_TRUE(full.errorText().contains(QStringLiteral("space"))) << full.errorText().toStdString();
}

namespace {
// A window saving its results while reading: true when it said the file
// failed and stopped saving.
template <class Window> bool windowSaves(test::SimRig& rig, const QString& path, int tab = 0)
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
    return !save->isChecked() && rig.services.lastMessage() == kResultsFileError;
}

// A chart whose CSV and picture are well over the limit.
std::unique_ptr<StripChart> filledChart()
{
    auto chart = std::make_unique<StripChart>();
    chart->setTraceCount(1);
    chart->setLength(1000);
    chart->setBufferLength(1000);
    chart->resize(800, 600);
    for (int i = 0; i < 1000; ++i)
        chart->append(i * 1000.5 + (i * 7919) % 997);
    return chart;
}

struct Writer {
    const char* name;
    bool wholeFile; // written at once: a failure leaves nothing behind
    std::function<bool(test::SimRig&, const QString&)> fails;
};

const Writer kWriters[] = {
    {"stream", false,
     [](test::SimRig& rig, const QString& path) {
         return StreamConverterResults(20, path).fileFailed &&
                rig.services.lastMessage().startsWith(kAdcFileError + "\n" + path + ": ");
     }},
    {"stage-stream", false,
     [](test::SimRig& rig, const QString& path) {
         bool ok = true;
         RunStageStream({0, true, 20, path}, &ok);
         return !ok && rig.services.lastMessage().startsWith(kResultsFileError + "\n" + path);
     }},
    {"register file", false,
     [](test::SimRig&, const QString& path) {
         QString why;
         return !saveRegisterFile(path, &why) && why.startsWith(path + ": ");
     }},
    {"header", false, [](test::SimRig&, const QString& path) { return !writeConfigHeader(path, 0); }},
    {"converter window", false, [](test::SimRig& rig, const QString& path) {
         WriteRegister(reg::PWR_CONTROL, 0x02B0, TargetChip); // every stage converting
         return windowSaves<AdcFrm>(rig, path);
     }},
    {"stage window", false, [](test::SimRig& rig, const QString& path) {
         CurrentStage = 0;
         StageResultsSetup = stageResultsSetupFor(0);
         return windowSaves<RRTabStageFrm>(rig, path, 1);
     }},
    {"chart CSV", true,
     [](test::SimRig&, const QString& path) { return !filledChart()->saveVisibleCsv(path); }},
    {"chart PNG", true,
     [](test::SimRig&, const QString& path) { return !filledChart()->savePng(path); }},
};
} // namespace

TEST(OpenFiles, EveryWriterSaysWhenTheFileFailsAndKeepsItsWholeLines)
{
    QTemporaryDir dir;
    for (const Writer& w : kWriters) {
        SCOPED_TRACE(w.name);
        {
            test::SimRig rig;
            const QString path = dir.filePath(QString::fromLatin1(w.name));
            EXPECT_TRUE(underSizeLimit([&] { return w.fails(rig, path); }));
            const QByteArray got = contents(path);
            if (w.wholeFile)
                EXPECT_TRUE(got.isEmpty()) << got.size();
            else
                EXPECT_TRUE(got.endsWith('\n') && got.size() > qsizetype(kLimit) / 2) << got.size();
        }
        test::SimRig rig;
        EXPECT_TRUE(w.fails(rig, QStringLiteral("/dev/full")));
        EXPECT_EQ(trackedFileCount(), 0);
    }
}
