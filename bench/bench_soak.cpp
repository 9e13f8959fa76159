// Each live view streaming for an hour of simulated time on virtual time, the
// results file on where the view has one: the windows are driven offscreen by
// calling their timer handlers and pausing each interval on the virtual clock.
// Prints one line of key=value per view:
//   view            the window (and tab)
//   sim_s           simulated seconds streamed
//   sets            result blocks the view fetched from the board
//   dropped         blocks the board dropped for want of room (target 0)
//   rss_growth_kib  resident memory growth from the first simulated minute
//                   to the end (target under 1024)
//   file_kib        size of the results file written (0: the view has none)
//   wall_s          wall time the view took
// Usage: bench_soak [--seconds S] [--view NAME]   (default 3600 s, every view)
#include "BenchRig.h"
#include "config/StageContext.h"
#include "demo/ui/EvalBoardFrm.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "measure/ui/AdcFrm.h"
#include "measure/ui/RRTabStageFrm.h"
#include "platform/CliServices.h"
#include "sim/SimBoard.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <unistd.h>

using namespace cv;

namespace {

// Virtual time, and the save dialog answers a file of our own.
class SoakServices final : public CliServices {
public:
    SoakServices() : CliServices(true) {}
    QString savePath;
    std::optional<QString> fileDialog(const FileDialogRequest&) override { return savePath; }
};

long rssKib()
{
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// A live view opened and started: one tick of its timer (returning the pause
// before the next), and its stop.
struct Running {
    std::unique_ptr<QWidget> window;
    std::function<int()> tick;
    std::function<void()> stop;
};

// The measurement windows: one pass per tick of their read timer, whose
// interval is the pause the pass asks for; closing ends the stream.
template <class Window> void driveByReadTimer(Running& r, Window* w)
{
    r.tick = [w] {
        w->ReadTimer_Timer();
        return w->readTimer()->interval();
    };
    r.stop = [w] { w->cmdClose_Click(); };
}

struct View {
    const char* name;
    std::function<Running()> start;
};

Running adcView()
{
    // The fastest stream: twelve stages at decimation 64.
    WriteRegister(reg::PWR_CONTROL, 0x02B0, TargetChip);
    auto* w = new AdcFrm;
    Running r{std::unique_ptr<QWidget>(w), nullptr, nullptr};
    w->Form_Load();
    w->Timer1_Timer();
    w->ChkSaveResults->click();
    w->ReadContCV5310Cmd_Click();
    driveByReadTimer(r, w);
    return r;
}

Running stageView(int tab)
{
    CurrentStage = 0;
    StageResultsSetup = stageResultsSetupFor(0);
    auto* w = new RRTabStageFrm;
    Running r{std::unique_ptr<QWidget>(w), nullptr, nullptr};
    w->Form_Load();
    w->Timer1_Timer();
    w->findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentIndex(tab);
    w->findChild<QCheckBox*>(QStringLiteral("ChkSaveResults"))->click();
    w->ReadContCV5310Cmd_Click();
    driveByReadTimer(r, w);
    return r;
}

Running demoView(DemoTab tab)
{
    EvalBoardFrm* w = createEvalBoardFrm(58);
    Running r{std::unique_ptr<QWidget>(w), nullptr, nullptr};
    w->Form_Load();
    w->tabs()->setCurrentIndex(int(tab));
    w->Timer1_Timer();
    r.tick = [w] {
        w->DemoTimer_Timer();
        return w->demoTimer()->interval();
    };
    r.stop = [w] { w->cmdClose_Click(); };
    return r;
}

const View kViews[] = {
    {"AdcFrm", adcView},
    {"RRTabStageFrm", [] { return stageView(0); }},
    {"RRTabStageFrm-RAM", [] { return stageView(1); }},
    {"EvalBoard3Frm-Demo", [] { return demoView(DemoTab::Demo); }},
    {"EvalBoard3Frm-Slider", [] { return demoView(DemoTab::Slider); }},
};

void soak(const View& view, double seconds)
{
    QElapsedTimer wall;
    wall.start();
    QTemporaryDir dir;
    SoakServices services;
    services.savePath = dir.filePath(QStringLiteral("results.txt"));
    Services* previous = setServices(&services);
    {
        sim::SimBoard board(services.clock());
        QTemporaryFile hex;
        bench::bringUpBoard(board, hex);
        Running run = view.start();
        const BoardBlockCounts before = *board.blockCounts();
        const int64_t startMs = services.nowMs();
        const int64_t minuteMs = startMs + std::min<int64_t>(60'000, int64_t(seconds * 500));
        const int64_t endMs = startMs + int64_t(seconds * 1000);
        long rssAtMinute = -1;
        int64_t nextPaintMs = startMs;
        while (services.nowMs() < endMs) {
            const int pause = run.tick();
            services.sleepMs(std::max(1, pause));
            // What the windows post (repaint requests and the like) is taken
            // as the event loop would; their timers are the ticks above.
            QCoreApplication::sendPostedEvents();
            // The whole window painted once a simulated second, charts included.
            if (services.nowMs() >= nextPaintMs) {
                (void)run.window->grab();
                nextPaintMs += 1000;
            }
            if (rssAtMinute < 0 && services.nowMs() >= minuteMs)
                rssAtMinute = rssKib();
        }
        const long rssEnd = rssKib();
        run.stop();
        const BoardBlockCounts after = *board.blockCounts();
        const qint64 fileBytes = QFileInfo(services.savePath).size();
        std::printf("view=%s sim_s=%.0f sets=%lld dropped=%lld rss_growth_kib=%ld "
                    "file_kib=%lld wall_s=%.1f\n",
                    view.name, double(services.nowMs() - startMs) / 1000.0,
                    static_cast<long long>(after.fetched - before.fetched),
                    static_cast<long long>(after.overflow - before.overflow), rssEnd - rssAtMinute,
                    static_cast<long long>(fileBytes / 1024), double(wall.elapsed()) / 1000.0);
        std::fflush(stdout);
        run.window.reset();
    }
    setServices(previous);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    double seconds = 3600;
    QString only;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--seconds"))
            seconds = std::max(2.0, std::atof(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--view"))
            only = QString::fromLocal8Bit(argv[i + 1]);
        else {
            std::fprintf(stderr, "Usage: bench_soak [--seconds S] [--view NAME]\n");
            return 2;
        }
    }
    for (const View& v : kViews)
        if (only.isEmpty() || only == QLatin1String(v.name))
            soak(v, seconds);
    return 0;
}
