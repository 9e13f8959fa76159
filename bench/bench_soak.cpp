// Each live view streaming on virtual time (five simulated minutes by
// default), the results file on where the view has one: the windows are
// driven offscreen by calling their timer handlers, pausing each interval on
// the virtual clock, and painted whole at the display rate (every 16 ms),
// as a shown window is. A check that fails: exits 1 when a view grows by
// 1 MiB or more, or its results file holds fewer lines than the sets it kept.
// Prints one line of key=value per view:
//   view            the window (and tab)
//   sim_s           simulated seconds streamed
//   sets            result blocks the view fetched from the board
//   lines           data lines in its results file (only for views with one):
//                   `sets` less the sets the first two passes after a start
//                   only read (both fetch: the start's read-back already
//                   says a set waits)
//   dropped         blocks the board dropped for want of room
//   paints          whole-window paints
//   rss_growth_kib  resident memory growth from the first simulated minute
//                   to the end (limit: under 1024)
//   wall_s          wall time the view took
// The last line says "soak: ok" or what failed.
// Usage: bench_soak [--seconds S] [--view NAME]   (default 300 s, every view)
#include "BenchRig.h"
#include "RealTime.h"
#include "config/StageContext.h"
#include "demo/ui/EvalBoardFrm.h"
#include "link/RegMap.h"
#include "link/UsbUtils.h"
#include "measure/ui/AdcFrm.h"
#include "measure/ui/RRTabStageFrm.h"
#include "platform/CliServices.h"
#include "sim/SimBoard.h"
#include "sim/ui/VirtualSensorBoardFrm.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTextStream>
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

constexpr int kFrameMs = 16; // the charts' display rate
constexpr long kGrowthLimitKib = 1024;

// A live view opened and started: one tick of its timer (returning the pause
// before the next), and its stop.
struct Running {
    std::unique_ptr<QWidget> window;
    std::function<int()> tick;
    std::function<void()> stop;
    bool writesFile = true;
    int64_t warmUpSets = 0; // fetched at the start, kept nowhere
};

// Data lines of a results file: every line but the header.
int64_t dataLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    int64_t lines = 0;
    while (!f.atEnd())
        lines += f.readLine().endsWith('\n') ? 1 : 0;
    return std::max<int64_t>(0, lines - 1);
}

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
    std::function<Running(sim::SimBoard&)> start;
};

Running adcView(sim::SimBoard&)
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
    r.warmUpSets = 2;
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
    r.warmUpSets = 2;
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
    r.writesFile = false;
    return r;
}

// The sensor board beside the main window, its keys following the finger.
Running sensorBoardView(sim::SimBoard& board)
{
    auto* w = new sim::VirtualSensorBoardFrm(board);
    Running r{std::unique_ptr<QWidget>(w), nullptr, nullptr};
    w->Form_Load();
    r.tick = [w] {
        w->Timer1_Timer();
        return 100;
    };
    r.stop = [] {};
    r.writesFile = false;
    return r;
}

const View kViews[] = {
    {"AdcFrm", adcView},
    {"RRTabStageFrm", [](sim::SimBoard&) { return stageView(0); }},
    {"RRTabStageFrm-RAM", [](sim::SimBoard&) { return stageView(1); }},
    {"EvalBoard3Frm-Demo", [](sim::SimBoard&) { return demoView(DemoTab::Demo); }},
    {"EvalBoard3Frm-Slider", [](sim::SimBoard&) { return demoView(DemoTab::Slider); }},
    {"VirtualSensorBoardFrm", sensorBoardView},
};

// Streams one view; false when it grew or lost a line.
bool soak(const View& view, double seconds)
{
    QElapsedTimer wall;
    wall.start();
    QTemporaryDir dir;
    SoakServices services;
    services.savePath = dir.filePath(QStringLiteral("results.txt"));
    Services* previous = setServices(&services);
    bool ok = true;
    {
        sim::SimBoard board(services.clock());
        QTemporaryFile hex;
        bench::bringUpBoard(board, hex);
        Running run = view.start(board);
        const BoardBlockCounts before = *board.blockCounts();
        const int64_t startMs = services.nowMs();
        const int64_t minuteMs = startMs + std::min<int64_t>(60'000, int64_t(seconds * 500));
        const int64_t endMs = startMs + int64_t(seconds * 1000);
        long rssAtMinute = -1;
        int64_t nextTickMs = startMs;
        int64_t nextPaintMs = startMs;
        int64_t paints = 0;
        // One picture, painted over and over as a shown window's backing store is.
        QImage frame(run.window->size(), QImage::Format_ARGB32_Premultiplied);
        while (services.nowMs() < endMs) {
            if (services.nowMs() >= nextTickMs)
                nextTickMs = services.nowMs() + std::max(1, run.tick());
            // What the windows post (repaint requests and the like) is taken
            // as the event loop would; their timers are the ticks above.
            QCoreApplication::sendPostedEvents();
            if (services.nowMs() >= nextPaintMs) {
                run.window->render(&frame);
                ++paints;
                nextPaintMs += kFrameMs;
            }
            services.sleepMs(int(std::min(nextTickMs, nextPaintMs) - services.nowMs()));
            if (rssAtMinute < 0 && services.nowMs() >= minuteMs)
                rssAtMinute = bench::rssKib();
        }
        const long growth = bench::rssKib() - rssAtMinute;
        run.stop();
        const BoardBlockCounts after = *board.blockCounts();
        const int64_t sets = after.fetched - before.fetched;
        QString lines;
        if (run.writesFile) {
            const int64_t n = dataLines(services.savePath);
            lines = QStringLiteral(" lines=%1").arg(n);
            if (n != sets - run.warmUpSets) {
                std::printf("%s: %lld sets fetched, %lld lines in the results file\n", view.name,
                            static_cast<long long>(sets), static_cast<long long>(n));
                ok = false;
            }
        }
        if (growth >= kGrowthLimitKib) {
            std::printf("%s: grew by %ld KiB\n", view.name, growth);
            ok = false;
        }
        std::printf("view=%s sim_s=%.0f sets=%lld%s dropped=%lld paints=%lld rss_growth_kib=%ld "
                    "wall_s=%.1f\n",
                    view.name, double(services.nowMs() - startMs) / 1000.0,
                    static_cast<long long>(sets), lines.toLatin1().constData(),
                    static_cast<long long>(after.overflow - before.overflow),
                    static_cast<long long>(paints), growth, double(wall.elapsed()) / 1000.0);
        std::fflush(stdout);
        run.window.reset();
    }
    setServices(previous);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    double seconds = 300;
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
    bool ok = true;
    for (const View& v : kViews)
        if (only.isEmpty() || only == QLatin1String(v.name))
            ok = soak(v, seconds) && ok;
    std::printf("soak: %s\n", ok ? "ok" : "FAILED");
    return ok ? 0 : 1;
}
