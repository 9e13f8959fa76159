// A board that fails in the middle of a live view: every window that streams
// and every streaming command ends on the fatal path, and the results file it
// was writing is on disk whole, header first, to its last full line.
#include "config/StageContext.h"
#include "demo/DemoLoop.h"
#include "demo/ui/EvalBoardFrm.h"
#include "link/CaptureOwner.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "measure/AdcReading.h"
#include "measure/StageResults.h"
#include "measure/ui/AdcFrm.h"
#include "measure/ui/RRTabStageFrm.h"
#include "platform/OpenFiles.h"
#include "support/Files.h"
#include "support/RunProgram.h"
#include "support/SimRig.h"
#include "support/StubbornBoard.h"

#include <QCheckBox>
#include <QJsonDocument>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace cv;
using namespace cv::test;

namespace {

// Checks a results file as it is on disk: the header, then whole CR LF lines
// of as many columns as the first; returns the number of data lines.
int expectWholeFile(const QString& path, const QByteArray& header)
{
    const QByteArray bytes = fileBytes(path);
    EXPECT_TRUE(bytes.startsWith(header)) << bytes.left(80).toStdString();
    EXPECT_TRUE(bytes.endsWith("\r\n")) << bytes.right(80).toStdString();
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast(); // what follows the last line feed: empty when whole
    const qsizetype columns = lines.size() > 1 ? lines[1].count('\t') : 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(lines[i].endsWith('\r')) << "line " << i;
        if (i > 0)
            EXPECT_EQ(lines[i].count('\t'), columns) << "line " << i;
    }
    return int(lines.size()) - 1;
}

// Runs a view for `ms` of the virtual clock.
void runFor(const std::function<void()>& tick, FakeServices& services, int64_t ms)
{
    for (const int64_t end = services.nowMs() + ms; services.nowMs() < end;)
        tick();
}

// A live view running on the simulated board, as the test drives it.
struct Running {
    std::function<void()> tick; // one tick of its timer with the pause after it
    std::function<bool()> reading;
    std::function<QString()> status;  // its status line
    std::function<void()> listChange; // a list of its own, changed; empty: none
};

struct LiveView {
    const char* name;
    int boardId;
    QByteArray header; // the results file's first line; empty: the view writes none
    int setsNotKept;   // sets fetched after a start that add no line; -1: those of two passes
    int32_t mode;      // the capture mode it reads in
    // Opens the view (its results file at `path` when it has one) and starts it.
    std::function<Running(std::unique_ptr<QWidget>&, const QString& path, FakeServices&)> start;
};

// A results window started with its results file at `path`.
template <class W>
Running resultsView(std::unique_ptr<QWidget>& owner, const QString& path, FakeServices& services,
                    void (W::*list)())
{
    StageResultsSetup = stageResultsSetupFor(CurrentStage = 0);
    auto* w = new W;
    owner.reset(w);
    w->Form_Load();
    w->Timer1_Timer();
    services.fileAnswers.push_back(path);
    w->template findChild<QCheckBox*>(QStringLiteral("ChkSaveResults"))->click();
    w->ReadContCV5310Cmd_Click();
    return {
        [w, &services] {
            w->ReadTimer_Timer();
            services.sleepMs(std::max(1, w->readTimer()->interval()));
        },
        [w] { return w->reading(); },
        [w] { return w->template findChild<QLabel*>(QStringLiteral("CaptureStatusLbl"))->text(); },
        [w, list] { (w->*list)(); }};
}

// The demo's polling tabs write no file.
LiveView demoEntry(const char* name, int boardId, DemoTab tab)
{
    const auto start = [boardId, tab](std::unique_ptr<QWidget>& owner, const QString&,
                                      FakeServices& services) -> Running {
        EvalBoardFrm* w = createEvalBoardFrm(boardId);
        owner.reset(w);
        w->Form_Load();
        w->tabs()->setCurrentIndex(int(tab));
        w->Timer1_Timer();
        return {[w, &services] {
                    w->DemoTimer_Timer();
                    services.sleepMs(std::max(1, w->demoTimer()->interval()));
                },
                [w] { return w->loop().active(); }};
    };
    return {name, boardId, {}, 0, demoTabTraffic(*demoVariantFor(boardId), tab).modeWord, start};
}

// Runs a started view's first two passes; returns the sets fetched after
// the start that add no line.
int firstPasses(const LiveView& view, const std::function<void()>& tick, SimRig& rig)
{
    tick();
    tick();
    return view.setsNotKept >= 0 ? view.setsNotKept : int(rig.board->firmware().blocksFetched());
}

const std::vector<LiveView>& liveViews()
{
    static const std::vector<LiveView> views = {
        {"AdcFrm", 58, adcResultsHeaderLine(), -1, 0x0F00,
         [](auto& owner, const QString& path, FakeServices& services) {
             return resultsView(owner, path, services, &AdcFrm::DecCmb_Click);
         }},
        {"RRTabStageFrm", 58, stageResultsHeader(), 2, 0x8001,
         [](auto& owner, const QString& path, FakeServices& services) {
             return resultsView(owner, path, services, &RRTabStageFrm::NegSensCmb_Click);
         }},
        demoEntry("EvalBoard3Frm Demo", 58, DemoTab::Demo),
        demoEntry("EvalBoard2Frm Slider", 1, DemoTab::Slider),
        demoEntry("EvalBoard4Frm Slider", 70, DemoTab::Slider),
    };
    return views;
}

} // namespace

TEST(LiveViewFaults, EveryWindowEndsOnTheFatalPathWithItsFileWhole)
{
    for (const LiveView& view : liveViews()) {
        SCOPED_TRACE(view.name);
        SimRig rig(sim::SimConfig{view.boardId});
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("results.txt"));
        std::unique_ptr<QWidget> window;
        const int filesBefore = trackedFileCount();
        const auto tick = view.start(window, path, rig.services).tick;
        const int notKept = firstPasses(view, tick, rig);
        if (!view.header.isEmpty())
            ASSERT_EQ(trackedFileCount(), filesBefore + 1);
        // Three seconds of streaming, then every request fails.
        rig.board->failFromUs(rig.services.nowUs() + 3'000'000);
        bool ended = false;
        try {
            runFor(tick, rig.services, 10'000);
        } catch (const ProgramEnded& e) {
            ended = true;
            EXPECT_EQ(e.code, 1);
            // What is on disk now is all the user keeps: the window still exists.
            EXPECT_EQ(trackedFileCount(), filesBefore);
            if (!view.header.isEmpty()) {
                // Every set fetched up to the failure is there, but those a
                // start never shows.
                const int lines = expectWholeFile(path, view.header);
                EXPECT_GT(lines, 5);
                EXPECT_EQ(lines, rig.board->firmware().blocksFetched() - notKept);
            }
        }
        ASSERT_TRUE(ended) << "the failure went unnoticed";
        // The message's title and icon are the transport's to check.
        EXPECT_TRUE(
            rig.services.lastMessage().startsWith(QLatin1String("USB communication failed")))
            << rig.services.lastMessage().toStdString();
        window.reset(); // tearing down the window after the end touches nothing
    }
}

TEST(LiveViewFaults, AViewWhoseCaptureIsEndedElsewhereRearmsKeepsEverySetAndClosesWhole)
{
    // What ends a running view's capture behind its back: a list of its own
    // (views without one skip it), or another window's chip identity read
    // (the main window's identification is one), last on a board that never
    // takes the rearm up.
    enum Act { ListChange, OtherRead, RefusedRearm };
    const char* const actNames[] = {"a list change", "another window's read", "a refused rearm"};
    for (const LiveView& view : liveViews())
        for (Act act : {ListChange, OtherRead, RefusedRearm}) {
            SCOPED_TRACE(std::string(view.name) + ", " + actNames[act]);
            SimRig rig(sim::SimConfig{view.boardId});
            QTemporaryDir dir;
            const QString path = dir.filePath(QStringLiteral("results.txt"));
            std::unique_ptr<QWidget> window;
            Running r = view.start(window, path, rig.services);
            const int notKept = firstPasses(view, r.tick, rig);
            runFor(r.tick, rig.services, 1000);
            const int64_t before = rig.board->firmware().blocksFetched();
            if (act == ListChange && !r.listChange)
                continue;
            StubbornBoard stubborn(rig);
            if (act == RefusedRearm)
                attachLink(&stubborn, usbLink().BoardHandle);
            if (act == ListChange)
                r.listChange();
            else
                ReadRegister(reg::PART_ID, TargetChip);
            if (act == RefusedRearm) {
                for (int i = 0; i < 3 && r.reading(); ++i)
                    r.tick();
                EXPECT_FALSE(r.reading());
                attachLink(rig.tracer.get(), usbLink().BoardHandle);
                if (!view.header.isEmpty())
                    EXPECT_EQ(r.status(), rearmFailedText(view.mode));
                continue;
            }
            runFor(r.tick, rig.services, 1500);
            EXPECT_TRUE(r.reading());
            EXPECT_GT(rig.board->firmware().blocksFetched(), before + 5); // sets flow again
            if (!view.header.isEmpty())
                EXPECT_TRUE(r.status().startsWith(QLatin1String("Capture ended elsewhere")))
                    << r.status().toStdString();

            // Closed while it reads, by its button or its close box: the
            // capture ends, and the file holds one line per set kept.
            const int64_t fetched = rig.board->firmware().blocksFetched();
            auto* closeButton = window->findChild<QPushButton*>(QStringLiteral("cmdClose"));
            window->show();
            if (closeButton && act == ListChange)
                closeButton->click();
            else
                window->close();
            EXPECT_FALSE(r.reading());
            EXPECT_FALSE(rig.board->firmware().capturing());
            EXPECT_EQ(trackedFileCount(), 0);
            if (!view.header.isEmpty())
                EXPECT_EQ(expectWholeFile(path, view.header), fetched - notKept);
        }
}

TEST(LiveViewFaults, EveryStreamingCommandEndsOnTheFatalPathWithItsFileWhole)
{
    struct Command {
        QStringList args; // --out FILE follows where there is a header
        QByteArray header;
    };
    // In a second and a half the converter stream writes less than its file
    // holds in memory: only the flush on the way out puts it on disk.
    const std::vector<Command> commands = {
        {{"stream", "--seconds", "20"}, adcResultsHeaderLine()},
        {{"stage-stream", "0", "--seconds", "20"}, stageResultsHeader()},
        {{"demo", "--tab", "demo", "--seconds", "20"}, {}},
    };
    for (const Command& c : commands) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("results.txt"));
        QStringList args = {"--board", "sim:58", "--sim-fault", "after=1500"};
        args += c.args;
        if (!c.header.isEmpty())
            args += {"--out", out};
        const ProgramRun run = runProgram(QStringLiteral("cv5320ctl"), args);
        EXPECT_EQ(run.code, 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String("USB communication failed")))
            << run.err.toStdString();
        if (!c.header.isEmpty()) {
            EXPECT_GT(expectWholeFile(out, c.header), 5);
            // The closing figures belong to a stream that ended well.
            EXPECT_FALSE(run.out.contains(QLatin1String("produced"))) << run.out.toStdString();
        } else {
            // The demo's lines on stdout are whole JSON objects, flushed one by one.
            ASSERT_TRUE(run.out.endsWith('\n')) << run.out.right(80).toStdString();
            const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
            EXPECT_GT(lines.size(), 5);
            for (const QString& l : lines)
                EXPECT_TRUE(QJsonDocument::fromJson(l.toUtf8()).isObject()) << l.toStdString();
        }
    }
}
