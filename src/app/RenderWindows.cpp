#include "app/RenderWindows.h"

#include "config/StageContext.h"
#include "config/ui/AmbCompFrm.h"
#include "config/ui/ExcitSourceFrm.h"
#include "config/ui/InputMuxFrm.h"
#include "config/ui/IntStatFrm.h"
#include "config/ui/InterruptFrm.h"
#include "config/ui/PowControlFrm.h"
#include "demo/ui/EvalBoardFrm.h"
#include "link/Startup.h"
#include "measure/ui/AdcFrm.h"
#include "measure/ui/FormulaFrm.h"
#include "measure/ui/RRTabStageFrm.h"
#include "measure/ui/SensorOverviewFrm.h"
#include "measure/ui/SpectrumPanel.h"
#include "platform/OpenFiles.h"
#include "platform/Services.h"
#include "shell/ui/CV5320TopLevelFrm.h"
#include "shell/ui/DiagramFrm.h"
#include "shell/ui/RegCtrlFrm.h"
#include "sim/SimBoard.h"
#include "sim/ui/VirtualSensorBoardFrm.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QPixmap>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace cv {

namespace {
struct Renderable {
    const char* name;
    // Creates the window and runs its loading, as opening it would.
    std::function<std::unique_ptr<QWidget>()> open;
};

// Creates a window and runs its loading, as its opener would.
template <class W> std::unique_ptr<QWidget> loaded()
{
    auto w = std::make_unique<W>();
    w->Form_Load();
    return w;
}
// A stage results window of stage 0 as its button opens it, on the given tab,
// after some seconds of reading so the chart and the numbers show.
std::unique_ptr<RRTabStageFrm> stageWindow(int tab, int readMs)
{
    CurrentStage = 0;
    StageResultsSetup = stageResultsSetupFor(0);
    auto w = std::make_unique<RRTabStageFrm>();
    w->Form_Load();
    w->setWindowTitle(DiagramFrm::resultsWindowTitle(0));
    w->Timer1_Timer();
    if (tab)
        w->findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentIndex(tab);
    if (readMs > 0) {
        w->ReadContCV5310Cmd_Click();
        const int64_t end = services().nowMs() + readMs;
        while (w->reading() && services().nowMs() < end) {
            w->ReadTimer_Timer();
            services().sleepMs(std::max(1, w->readTimer()->interval()));
        }
    }
    return w;
}
} // namespace

int renderAllWindows(const QString& dir, UsbAccess& access, const QString& appFolder,
                     const QString& boardDescription)
{
    QDir().mkpath(dir);
    // The main window brings the board up; every other window then talks to it.
    auto top = std::make_unique<CV5320TopLevelFrm>(access, appFolder, boardDescription);
    top->Form_Load();

    std::vector<Renderable> windows = {
        {"CV5320TopLevelFrm", [&]() -> std::unique_ptr<QWidget> { return std::move(top); }},
        {"DiagramFrm", [] { return loaded<DiagramFrm>(); }},
        {"RegCtrlFrm", [] { return loaded<RegCtrlFrm>(); }},
        {"PowControlFrm", [] { return loaded<PowControlFrm>(); }},
        {"ExcitSourceFrm", [] { return loaded<ExcitSourceFrm>(); }},
        {"InterruptFrm", [] { return loaded<InterruptFrm>(); }},
        {"IntStatFrm", [] { return loaded<IntStatFrm>(); }},
        {"AmbCompFrm", [] { return loaded<AmbCompFrm>(); }},
        {"InputMuxFrm",
         [] {
             // Stage 0 as its button opens it.
             CurrentStage = 0;
             StageInputSetup = stageInputSetupFor(0);
             auto w = loaded<InputMuxFrm>();
             w->setWindowTitle(DiagramFrm::inputWindowTitle(0));
             return w;
         }},
        {"RRTabStageFrm", [] { return stageWindow(0, 6000); }},
        {"RRTabStageFrm-RAM", [] { return stageWindow(1, 3000); }},
        {"FormulaFrm",
         []() -> std::unique_ptr<QWidget> {
             auto stage = stageWindow(0, 0);
             auto f = std::make_unique<FormulaFrm>();
             stage->FillFormula(*f, true);
             return f;
         }},
        {"AdcFrm",
         [] {
             // Eight seconds of streaming on virtual time, so the chart has its traces.
             auto w = std::make_unique<AdcFrm>();
             w->Form_Load();
             w->Timer1_Timer();
             w->ReadContCV5310Cmd_Click();
             const int64_t end = services().nowMs() + 8000;
             while (w->reading() && services().nowMs() < end) {
                 w->ReadTimer_Timer();
                 services().sleepMs(w->readTimer()->interval());
             }
             w->readTimer()->stop();
             return std::unique_ptr<QWidget>(std::move(w));
         }},
        {"SensorOverviewFrm",
         [] {
             // Noise for two seconds, then the keys the scenario touches in twenty.
             auto w = std::make_unique<SensorOverviewFrm>();
             w->Form_Load();
             auto run = [&w](int ms) {
                 const int64_t end = services().nowMs() + ms;
                 while (w->reading() && services().nowMs() < end) {
                     w->ReadTimer_Timer();
                     services().sleepMs(w->readTimer()->interval());
                 }
             };
             w->NoiseSecondsSpin->setValue(2);
             w->NoiseCmd_Click();
             run(2200);
             w->TouchSecondsSpin->setValue(20);
             w->TouchCmd_Click();
             run(20200);
             w->ShowTimer_Timer();
             w->Spectrum->RefreshTimer_Timer();
             w->Form_Unload();
             return std::unique_ptr<QWidget>(std::move(w));
         }},
    };
    // The demo of the board, one picture per tab, each after a second and a
    // half of its loop.
    const int boardId = readBoardId();
    static const char* const tabSuffix[4] = {"", "-Control", "-Slider", "-JoyPad"};
    static std::deque<QByteArray> demoNames; // names stay where they are
    if (demoVariantFor(boardId)) {
        for (int tab = 0; tab < 4; ++tab) {
            demoNames.push_back(QByteArray(demoVariantFor(boardId)->className) + tabSuffix[tab]);
            windows.push_back(
                {demoNames.back().constData(), [boardId, tab]() -> std::unique_ptr<QWidget> {
                     std::unique_ptr<EvalBoardFrm> w(createEvalBoardFrm(boardId));
                     w->Form_Load();
                     w->tabs()->setCurrentIndex(tab);
                     w->Timer1_Timer();
                     for (int i = 0; i < 120; ++i) {
                         w->DemoTimer_Timer();
                         services().sleepMs(25);
                     }
                     return w;
                 }});
        }
    }
    if (auto* board = dynamic_cast<sim::SimBoard*>(&access))
        windows.push_back({"VirtualSensorBoardFrm", [board]() -> std::unique_ptr<QWidget> {
                               auto w = std::make_unique<sim::VirtualSensorBoardFrm>(*board);
                               w->Form_Load();
                               return w;
                           }});

    int failures = 0;
    for (auto& r : windows) {
        std::unique_ptr<QWidget> w = r.open();
        w->show();
        QApplication::processEvents();
        const QString path =
            QDir(dir).filePath(QString::fromLatin1(r.name) + QStringLiteral(".png"));
        // Encoded first, then written whole: a full disk leaves no half picture.
        QByteArray png;
        QBuffer buffer(&png);
        QString why;
        if (!w->grab().save(&buffer, "PNG") || !writeWholeFile(path, png, &why)) {
            std::fprintf(stderr, "cannot write %s\n",
                         (why.isEmpty() ? path : why).toLocal8Bit().constData());
            ++failures;
        } else {
            std::printf("%s\n", path.toLocal8Bit().constData());
        }
        w->hide();
    }
    return failures ? 1 : 0;
}

} // namespace cv
